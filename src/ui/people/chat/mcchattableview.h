#ifndef MCCHATTABLEVIEW_H
#define MCCHATTABLEVIEW_H

#include "mcchatentry.h"

#include <QPointer>
#include <QScrollArea>
#include <QVector>

#include <functional>

class MCChatRowView;
class MCChatRowsModel;
class MCEmoji;

// The chat's rows, one under the other, as the rows model sorts them. Every row has its height
// (message rows measure their text at the table's width), but only the rows on screen and
// near it have a view: a long chat opens and scrolls without building a view per message.
// Rows added above the ones shown (older messages) leave the view where it was; while the end
// of the chat is shown, rows added at the end keep it shown. Scrolling to the top asks for
// older rows. The day row of the rows at the top of the view stays pinned there while they
// scroll by, until the next day's row pushes it out.
class MCChatTableView : public QScrollArea
{
    Q_OBJECT
public:
    using RowFactory =
        std::function<MCChatRowView *(const MCChatEntryPtr &entry, bool newEntry, QWidget *parent)>;

    MCChatTableView(MCChatRowsModel *model, const MCEmoji &emoji, QWidget *parent = nullptr);

    void setRowFactory(RowFactory factory) { m_factory = std::move(factory); }
    MCChatRowsModel *model() const { return m_model; }

    // Lays out every row and shows the end of the chat.
    void drawAllRows();
    void scrollToBottom();
    void scrollToEntry(const MCChatEntry *entry);
    // The last row before the blank spacer is on screen.
    bool isLastRowVisible() const;
    QDateTime lastItemSentAtDate() const;
    // The view of row, when it has one.
    MCChatRowView *rowView(int row) const;
    QList<MCChatRowView *> rowViews() const;
    int rowTop(int row) const;
    int rowHeightAt(int row) const;
    // The copy of a day row pinned at the top of the view; null while none is pinned (the top
    // row is a day row itself, or no day row is above it).
    MCChatRowView *floatingDateRow() const { return m_floatingDateRow; }

signals:
    // The user reached the top of the chat.
    void scrolledToTop();
    void scrolled();
    void rowViewAdded(MCChatRowView *view, int row);
    void rowViewRemoved(MCChatRowView *view);
    void clicked();

protected:
    void resizeEvent(QResizeEvent *event) override;
    void showEvent(QShowEvent *event) override;
    void scrollContentsBy(int dx, int dy) override;
    bool viewportEvent(QEvent *event) override;

private:
    struct Slot
    {
        MCChatEntryPtr entry;
        bool newEntry = false;
        int height = 0;
        int top = 0;
        int measuredWidth = -1;
        MCChatRowView *view = nullptr;
    };

    void rowsInserted(const QModelIndex &, int first, int last);
    void rowsAboutToBeRemoved(const QModelIndex &, int first, int last);
    void rowsChanged(const QModelIndex &from, const QModelIndex &to);
    void measure(Slot &slot);
    void relayout();
    void scheduleRelayout();
    void updateVisibleRows();
    void releaseView(Slot &slot);
    int rowAt(int y) const;
    bool atBottom() const;
    void updateFloatingDateRow();

    MCChatRowsModel *m_model;
    const MCEmoji &m_emoji;
    QWidget *m_canvas;
    QVector<Slot> m_slots;
    RowFactory m_factory;
    bool m_imageColumn = true;
    bool m_followEnd = true;
    int m_width = 0;
    bool m_relayoutScheduled = false;
    MCChatRowView *m_floatingDateRow = nullptr;
};

#endif // MCCHATTABLEVIEW_H
