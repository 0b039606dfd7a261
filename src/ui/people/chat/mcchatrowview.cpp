#include "mcchatrowview.h"

#include "mcdatetext.h"

#include <QLabel>

MCChatRowView::MCChatRowView(const MCChatEntryPtr &entry, const QString &identifier,
                             QWidget *parent)
    : QWidget(parent)
    , m_entry(entry)
{
    setObjectName(identifier);
    if (entry->itsMe() && !entry->isDateRow() && !entry->isEmptyRow()) {
        // Own rows stand out on a light grey.
        setAutoFillBackground(true);
        QPalette own = palette();
        own.setColor(QPalette::Window, QColor(245, 245, 245));
        setPalette(own);
    }
}

int MCChatRowView::rowHeight(int)
{
    return int(m_entry->rowHeight());
}

MCChatDateRowView::MCChatDateRowView(const MCChatEntryPtr &entry, QWidget *parent)
    : MCChatRowView(entry, QStringLiteral("dateRow"), parent)
    , m_label(new QLabel(this))
{
    m_label->setTextFormat(Qt::PlainText);
    m_label->setAlignment(Qt::AlignCenter);
    QFont bold = m_label->font();
    bold.setBold(true);
    bold.setPixelSize(11);
    m_label->setFont(bold);
    QPalette grey = m_label->palette();
    grey.setColor(QPalette::WindowText, QColor(120, 120, 120));
    m_label->setPalette(grey);
    m_label->setText(dayText(entry->sentAt()));
}

QString MCChatDateRowView::dayText(const QDateTime &day)
{
    const QDate date = day.toLocalTime().date();
    const QDate today = QDate::currentDate();
    if (date == today)
        return tr("Today");
    if (date == today.addDays(-1))
        return tr("Yesterday");
    return MCDateText::text(day, MCDateText::Long, MCDateText::None);
}

void MCChatDateRowView::resizeEvent(QResizeEvent *event)
{
    MCChatRowView::resizeEvent(event);
    m_label->setGeometry(rect());
}
