#include "mcsharelinkcell.h"

#include "mcmousedowntextfield.h"
#include "mcstring.h"

#include <QEvent>
#include <QGridLayout>
#include <QLabel>
#include <QToolButton>

MCShareLinkCell::MCShareLinkCell(QWidget *parent)
    : QWidget(parent)
    , m_imageView(new QLabel(this))
    , m_textField(new QLabel(this))
    , m_hyperlinkTextField(new MCMouseDownTextField(this))
    , m_additionalTextfield(new QLabel(this))
    , m_buttonGoToFile(new QToolButton(this))
{
    m_imageView->setObjectName(QStringLiteral("imageView"));
    m_textField->setObjectName(QStringLiteral("textField"));
    m_hyperlinkTextField->setObjectName(QStringLiteral("hyperlinkTextField"));
    m_additionalTextfield->setObjectName(QStringLiteral("additionalTextfield"));
    m_buttonGoToFile->setObjectName(QStringLiteral("buttonGoToFile"));
    for (QLabel *label :
         {m_textField, static_cast<QLabel *>(m_hyperlinkTextField), m_additionalTextfield}) {
        label->setTextFormat(Qt::PlainText);
        label->setMinimumWidth(0);
        label->setSizePolicy(QSizePolicy::Ignored, QSizePolicy::Preferred);
    }
    m_textField->installEventFilter(this);
    m_hyperlinkTextField->installEventFilter(this);
    m_additionalTextfield->installEventFilter(this);
    m_imageView->setFixedSize(32, 32);
    m_imageView->setAlignment(Qt::AlignCenter);
    QFont small = m_additionalTextfield->font();
    small.setPointSizeF(small.pointSizeF() * 0.85);
    m_additionalTextfield->setFont(small);
    QPalette grey = m_additionalTextfield->palette();
    grey.setColor(QPalette::WindowText, grey.color(QPalette::Disabled, QPalette::WindowText));
    m_additionalTextfield->setPalette(grey);
    QPalette link = m_hyperlinkTextField->palette();
    link.setColor(QPalette::WindowText, link.color(QPalette::Link));
    m_hyperlinkTextField->setPalette(link);
    QFont underlined = m_hyperlinkTextField->font();
    underlined.setUnderline(true);
    m_hyperlinkTextField->setFont(underlined);
    m_buttonGoToFile->setAutoRaise(true);
    m_buttonGoToFile->setArrowType(Qt::RightArrow);

    auto *layout = new QGridLayout(this);
    layout->setContentsMargins(4, 2, 4, 2);
    layout->setHorizontalSpacing(6);
    layout->setVerticalSpacing(0);
    layout->addWidget(m_imageView, 0, 0, 2, 1);
    layout->addWidget(m_textField, 0, 1);
    layout->addWidget(m_hyperlinkTextField, 0, 1);
    layout->addWidget(m_additionalTextfield, 1, 1);
    layout->addWidget(m_buttonGoToFile, 0, 2, 2, 1);
    layout->setColumnStretch(1, 1);
}

void MCShareLinkCell::setName(const QString &name)
{
    m_name = name;
    for (QLabel *label : {m_textField, static_cast<QLabel *>(m_hyperlinkTextField)}) {
        label->setToolTip(name);
        fitName(label);
    }
}

void MCShareLinkCell::setSecondLine(const QString &lead, const QString &kept)
{
    m_lead = MCString::stringForName(lead);
    m_kept = kept;
    fitSecondLine();
}

bool MCShareLinkCell::eventFilter(QObject *watched, QEvent *event)
{
    if (event->type() == QEvent::Resize &&
        (watched == m_textField || watched == m_hyperlinkTextField))
        fitName(static_cast<QLabel *>(watched));
    if (event->type() == QEvent::Resize && watched == m_additionalTextfield)
        fitSecondLine();
    return QWidget::eventFilter(watched, event);
}

void MCShareLinkCell::fitSecondLine()
{
    if (m_lead.isNull() && m_kept.isNull())
        return;
    // Before the first layout the label has no width yet and shows the whole line.
    const QFontMetrics metrics = m_additionalTextfield->fontMetrics();
    const int room = m_additionalTextfield->contentsRect().width();
    const QString lead =
        room > 0 ? metrics.elidedText(m_lead, Qt::ElideRight,
                                      qMax(0, room - metrics.horizontalAdvance(m_kept) - 2))
                 : m_lead;
    m_additionalTextfield->setText(MCString::stringByIsolatingName(lead) + m_kept);
}

void MCShareLinkCell::fitName(QLabel *label)
{
    // Cut in the middle: the extension stays in sight. Before the first layout the label has
    // no width yet and keeps the whole name. Owners that set the texts themselves keep them.
    if (m_name.isNull())
        return;
    const int room = label->contentsRect().width();
    label->setText(room > 0 ? label->fontMetrics().elidedText(m_name, Qt::ElideMiddle, room)
                            : m_name);
}
