#include "mcjoininvitationview.h"

#include "kbbutton.h"
#include "mcjoininvitation.h"
#include "mcstring.h"
#include "mouseraccount.h"

#include <QEvent>
#include <QGridLayout>
#include <QHBoxLayout>
#include <QLabel>

namespace {

const int AvatarSide = 64;

QLabel *plainLabel(QWidget *parent)
{
    auto *label = new QLabel(parent);
    label->setTextFormat(Qt::PlainText);
    label->setWordWrap(true);
    label->setTextInteractionFlags(Qt::TextSelectableByMouse);
    return label;
}

} // namespace

MCJoinInvitationView::MCJoinInvitationView(QWidget *parent)
    : QWidget(parent)
    , m_avatar(new QLabel(this))
    , m_body(plainLabel(this))
    , m_additional(plainLabel(this))
    , m_buttonAccept(new KBButton(tr("Accept"), this))
    , m_buttonDecline(new KBButton(tr("Decline"), this))
{
    m_avatar->setFixedSize(AvatarSide, AvatarSide);
    m_avatar->setAlignment(Qt::AlignCenter);
    m_body->setObjectName(QStringLiteral("bodyMessage"));
    // Its width is the pane's, never that of the longest name it holds.
    m_body->setMinimumWidth(1);
    m_body->installEventFilter(this);
    m_additional->setObjectName(QStringLiteral("additionalText"));
    m_buttonAccept->setObjectName(QStringLiteral("buttonAccept"));
    m_buttonDecline->setObjectName(QStringLiteral("buttonDecline"));
    m_buttonAccept->setKBButtonType(2);
    QFont small = m_additional->font();
    small.setItalic(true);
    m_additional->setFont(small);

    auto *buttons = new QHBoxLayout;
    buttons->addStretch();
    buttons->addWidget(m_buttonDecline);
    buttons->addWidget(m_buttonAccept);
    auto *layout = new QGridLayout(this);
    layout->setContentsMargins(20, 16, 20, 16);
    layout->addWidget(m_avatar, 0, 0, 2, 1, Qt::AlignTop);
    layout->addWidget(m_body, 0, 1);
    layout->addWidget(m_additional, 1, 1);
    layout->addLayout(buttons, 2, 1);
    layout->setColumnStretch(1, 1);
    layout->setRowStretch(3, 1);

    connect(m_buttonAccept, &KBButton::clicked, this, [this] {
        if (m_invitation)
            emit acceptClicked(m_invitation);
    });
    connect(m_buttonDecline, &KBButton::clicked, this, [this] {
        if (m_invitation)
            emit declineClicked(m_invitation);
    });
}

void MCJoinInvitationView::setInvitation(MCJoinInvitation *invitation)
{
    if (m_invitation)
        m_invitation->disconnect(this);
    m_invitation = invitation;
    if (invitation) {
        connect(invitation, &MCJoinInvitation::additionalTextChanged, this,
                &MCJoinInvitationView::refresh);
        connect(invitation, &MCJoinInvitation::messageReadChanged, this,
                &MCJoinInvitationView::refresh);
        connect(invitation, &MCJoinInvitation::avatarChanged, this, &MCJoinInvitationView::refresh);
    }
    refresh();
}

void MCJoinInvitationView::refresh()
{
    const MCJoinInvitation *invitation = m_invitation;
    const bool open = invitation && !invitation->messageRead();
    // Answered or on its way: a second answer could only be refused, and would lower the
    // unread count again.
    m_buttonAccept->setEnabled(open);
    m_buttonDecline->setEnabled(open);
    if (!invitation) {
        m_body->clear();
        m_additional->clear();
        m_avatar->clear();
        return;
    }
    showBody();
    m_additional->setText(invitation->messageRead() || invitation->answerFailed()
                              ? invitation->additionalText()
                              : QString());
    m_avatar->setPixmap(invitation->avatar().isNull()
                            ? QPixmap()
                            : invitation->avatar().scaled(AvatarSide, AvatarSide,
                                                          Qt::KeepAspectRatio,
                                                          Qt::SmoothTransformation));
}

bool MCJoinInvitationView::eventFilter(QObject *watched, QEvent *event)
{
    if (watched == m_body && (event->type() == QEvent::Resize || event->type() == QEvent::Show))
        showBody();
    return QWidget::eventFilter(watched, event);
}

void MCJoinInvitationView::showBody()
{
    if (!m_invitation)
        return;
    // The service's names go through as one plain line each; the body is ours around them.
    const QString name = MCString::stringForName(m_invitation->messageSender());
    const QString email = MCString::stringForName(m_invitation->joinInvitation().sender().email());
    QString shownName = name;
    QString shownEmail = email;
    if (m_body->isVisible()) {
        const QFontMetrics metrics = m_body->fontMetrics();
        const int room = qMax(0, m_body->contentsRect().width() - 2 * m_body->margin());
        shownName = metrics.elidedText(name, Qt::ElideRight, room);
        shownEmail = metrics.elidedText(email, Qt::ElideMiddle, room);
    }
    m_body->setText(QStringLiteral("%1\n\n%2\n%3")
                        .arg(tr("Please add me as a Contact."), shownName, shownEmail));
    m_body->setToolTip(shownName == name && shownEmail == email
                           ? QString()
                           : MCString::stringForToolTip(name) + QLatin1Char('\n') +
                                 MCString::stringForToolTip(email));
}
