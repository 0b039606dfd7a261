#ifndef MCCHATROWVIEW_H
#define MCCHATROWVIEW_H

#include "mcchatentry.h"

#include <QWidget>

class QLabel;

// One row of the chat table: the cell made for an entry. Its object name is the cell's
// identifier ("dateRow", "emptyRow", "textMessage", "textMessageAdditional", "sendFileRequest",
// "sendFileRequestGroup", "receiveFileRequest"). The table places rows one under the other at
// the height rowHeight() gives for the table's width.
class MCChatRowView : public QWidget
{
    Q_OBJECT
public:
    MCChatRowView(const MCChatEntryPtr &entry, const QString &identifier, QWidget *parent);

    MCChatEntryPtr entry() const { return m_entry; }
    // The row's height at width; message rows measure their text (and remember the height in
    // their entry).
    virtual int rowHeight(int width);
    // The picture column at the left is shown (the table is wider than 300 points).
    virtual void setImageColumnShown(bool shown) { m_imageColumn = shown; }

protected:
    int imageColumnWidth() const { return m_imageColumn ? 44 : 8; }

    MCChatEntryPtr m_entry;
    bool m_imageColumn = true;
};

// A day separator: the day, relative for today and yesterday.
class MCChatDateRowView : public MCChatRowView
{
    Q_OBJECT
public:
    MCChatDateRowView(const MCChatEntryPtr &entry, QWidget *parent);
    // "Today", "Yesterday" or the long date.
    static QString dayText(const QDateTime &day);

protected:
    void resizeEvent(QResizeEvent *event) override;

private:
    QLabel *m_label;
};

#endif // MCCHATROWVIEW_H
