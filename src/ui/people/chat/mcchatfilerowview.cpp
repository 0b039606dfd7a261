#include "mcchatfilerowview.h"

#include "mcchatlabel.h"
#include "mcelidedlabel.h"
#include "mcfilesizeformatter.h"
#include "mcstring.h"
#include "mcvaluetransformers.h"

#include <QFileIconProvider>
#include <QLabel>
#include <QMimeDatabase>
#include <QPushButton>

namespace {

QIcon iconFor(const MOStorageObject &object)
{
    if (object.type() == MOStorageObject::Directory)
        return QIcon::fromTheme(QStringLiteral("folder"));
    const QMimeType type =
        QMimeDatabase().mimeTypeForFile(object.label(), QMimeDatabase::MatchExtension);
    const QIcon icon = QIcon::fromTheme(type.iconName());
    return icon.isNull() ? QIcon::fromTheme(QStringLiteral("text-x-generic")) : icon;
}

constexpr int StatusSide = 16;

QString identifierOf(const MCChatEntryPtr &entry)
{
    const auto *file = static_cast<const MCChatCollaborationEntry *>(entry.data());
    if (!file->itsMe())
        return QStringLiteral("receiveFileRequest");
    return file->isGroupChat() ? QStringLiteral("sendFileRequestGroup")
                               : QStringLiteral("sendFileRequest");
}

} // namespace

MCChatFileRowView::MCChatFileRowView(const MCChatEntryPtr &entry, const QString &senderName,
                                     const QPixmap &avatar, QWidget *parent)
    : MCChatRowView(entry, identifierOf(entry), parent)
    , m_icon(new QLabel(this))
    , m_name(MCChatLabel::elidedLabel(this, 12, true))
    , m_label(MCChatLabel::elidedLabel(this, 12, true, Qt::ElideMiddle))
    , m_size(MCChatLabel::plainLabel(this, 11))
    , m_status(new QLabel(this))
    , m_state(MCChatLabel::plainLabel(this, 11))
    , m_accessory(MCChatLabel::plainLabel(this, 10))
    , m_send(button(tr("Send")))
    , m_cancel(button(tr("Cancel")))
    , m_accept(button(tr("Accept")))
    , m_decline(button(tr("Decline")))
    , m_show(button(tr("Show")))
{
    if (!entry->itsMe()) {
        m_picture = new QLabel(this);
        m_picture->setObjectName(QStringLiteral("notMe"));
        m_picture->setFixedSize(32, 32);
        m_picture->setScaledContents(true);
        m_picture->setPixmap(avatar);
    }
    m_name->setFullText(MCString::stringForName(senderName));
    m_accessory->setAlignment(Qt::AlignRight | Qt::AlignTop);
    m_state->setWordWrap(true);
    m_state->setAlignment(Qt::AlignLeft | Qt::AlignTop);
    m_icon->setFixedSize(40, 40);
    m_status->setObjectName(QStringLiteral("statusImageView"));
    m_status->setFixedSize(StatusSide, StatusSide);
    m_status->setScaledContents(true);
    m_label->setTextInteractionFlags(Qt::NoTextInteraction);
    connect(m_send, &QPushButton::clicked, this, [this] { emit sendRequested(fileEntry()); });
    connect(m_cancel, &QPushButton::clicked, this, [this] { emit cancelRequested(fileEntry()); });
    connect(m_accept, &QPushButton::clicked, this, [this] { emit acceptRequested(fileEntry()); });
    connect(m_decline, &QPushButton::clicked, this, [this] { emit declineRequested(fileEntry()); });
    connect(m_show, &QPushButton::clicked, this, [this] { emit showRequested(fileEntry()); });
    const MCChatCollaborationEntry *file = fileEntry().data();
    connect(file, &MCChatCollaborationEntry::stateChanged, this, &MCChatFileRowView::refresh);
    connect(file, &MCChatEntry::accessoryStringChanged, this, &MCChatFileRowView::refresh);
    refresh();
}

QPushButton *MCChatFileRowView::button(const QString &title)
{
    auto *button = new QPushButton(title, this);
    button->setFocusPolicy(Qt::NoFocus);
    button->hide();
    return button;
}

QString MCChatFileRowView::sendingText() const
{
    return m_state->text();
}

QString MCChatFileRowView::accessoryText() const
{
    return m_accessory->text();
}

void MCChatFileRowView::refresh()
{
    const MCChatCollaborationEntry *file = fileEntry().data();
    const MOStorageObject object = file->storageObject();
    const QString label = object.type() == MOStorageObject::Invalid
                              ? file->collaboration().resource().toString().section('/', -1)
                              : object.label();
    m_label->setFullText(MCString::stringForName(label));
    m_icon->setPixmap(iconFor(object).pixmap(40));
    MCFileSizeFormatter sizes;
    sizes.setUseBaseTenUnits(true);
    sizes.setMaximumFractionDigits(1);
    m_size->setText(object.size() > 0 ? sizes.stringFromNumber(double(object.size())) : QString());
    const QString statusImage = MCValueTransformers::iconCollaboration(file->responseStatus());
    m_status->setPixmap(MCValueTransformers::image(statusImage));
    m_status->setVisible(!statusImage.isEmpty());
    m_state->setText(file->sendingText());
    m_accessory->setText(file->accessoryString());
    const qint64 status = file->responseStatus();
    const bool own = file->itsMe();
    m_send->setVisible(own && status == MCChatCollaborationEntry::Prepared);
    m_cancel->setVisible(own && status == MCChatCollaborationEntry::Prepared);
    m_accept->setVisible(!own && file->pending());
    m_decline->setVisible(!own && file->pending());
    m_show->setVisible(!own && status == MCChatCollaborationEntry::Accepted);
    layoutContents();
}

void MCChatFileRowView::setImageColumnShown(bool shown)
{
    MCChatRowView::setImageColumnShown(shown);
    if (m_picture)
        m_picture->setVisible(shown);
    layoutContents();
}

void MCChatFileRowView::layoutContents()
{
    const int x = imageColumnWidth();
    const int w = width();
    if (m_picture)
        m_picture->move(6, 6);
    m_name->setGeometry(x, 4, qMax(0, w - x - 90), 16);
    m_accessory->setGeometry(w - 150, 6, 144, 14);
    m_icon->move(x, 26);
    const int textX = x + 48;
    const int textW = qMax(0, w - textX - 8 - reservedWidth());
    m_label->setGeometry(textX, 24, textW, 16);
    m_size->setGeometry(textX, 42, textW, 14);
    int right = w - 8;
    for (QPushButton *b : {m_cancel, m_send, m_decline, m_accept, m_show}) {
        if (b->isHidden())
            continue;
        const int bw = qMax(70, b->sizeHint().width());
        right -= bw;
        b->setGeometry(right, 72, bw, 24);
        right -= 6;
    }
    // Without buttons the state line may wrap down to the row's bottom.
    const bool buttons = right < w - 8;
    const int stateX = m_status->isHidden() ? textX : textX + StatusSide + 4;
    m_status->move(textX, 57);
    m_state->setGeometry(stateX, 58, qMax(0, textW - (stateX - textX)),
                         buttons ? 14 : height() - 58 - 2);
}

void MCChatFileRowView::resizeEvent(QResizeEvent *event)
{
    MCChatRowView::resizeEvent(event);
    layoutContents();
}
