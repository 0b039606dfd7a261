#ifndef MCCHATENTRY_H
#define MCCHATENTRY_H

#include <QDateTime>
#include <QObject>
#include <QSharedPointer>

// One row of a chat page: a message, a file offered in the chat, a day separator or the blank
// spacer under the last row. The flags tell the page which cell and height to give it. A row
// can sit in several lists at once (the entity's, the shared pending lists, the page's), so
// rows are shared through MCChatEntryPtr. Main thread only.
class MCChatEntry : public QObject
{
    Q_OBJECT
    Q_PROPERTY(QString accessoryString READ accessoryString NOTIFY accessoryStringChanged)
public:
    enum Kind { DateRow, EmptyRow, MessageRow, CollaborationRow };

    virtual Kind kind() const = 0;
    bool isDateRow() const { return m_isDateRow; }
    bool isEmptyRow() const { return m_isEmptyRow; }
    bool isFixedHeight() const { return m_isFixedHeight; }
    bool itsMe() const { return m_itsMe; }
    double rowHeight() const { return m_rowHeight; }
    void setRowHeight(double height) { m_rowHeight = height; }

    // The row's place in time; the page sorts by it.
    virtual QDateTime sentAt() const = 0;
    virtual QString accessoryString() const { return QString(); }

    // The row's time text: the time alone, short style.
    static QString convertStringFromDate(const QDateTime &date);

signals:
    void accessoryStringChanged();

protected:
    explicit MCChatEntry(QObject *parent = nullptr);

    bool m_isDateRow = false;
    bool m_isEmptyRow = false;
    bool m_isFixedHeight = false;
    bool m_itsMe = false;
    double m_rowHeight = 0;
};

using MCChatEntryPtr = QSharedPointer<MCChatEntry>;

// A day separator (30 points), or the blank spacer at the end of the chat (45 points, dated
// the distant future so that it sorts after every other row).
class MCChatDateEntry : public MCChatEntry
{
    Q_OBJECT
public:
    // date: the start of a day.
    explicit MCChatDateEntry(const QDateTime &date);
    static QSharedPointer<MCChatDateEntry> emptyRow();

    Kind kind() const override { return m_isEmptyRow ? EmptyRow : DateRow; }
    QDateTime date() const { return m_date; }
    QDateTime sentAt() const override { return m_date; }

    // The latest date any row can carry, and the earliest; they stand for distantFuture and
    // distantPast.
    static QDateTime distantFuture();
    static QDateTime distantPast();

private:
    MCChatDateEntry() = default;
    QDateTime m_date;
};

#endif // MCCHATENTRY_H
