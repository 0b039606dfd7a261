#include "mcchattableview.h"

#include "mcchatmessageentry.h"
#include "mcchatrowsmodel.h"
#include "mcchatrowview.h"
#include "mcchattablecellview.h"

#include <QEvent>
#include <QScrollBar>

namespace {

// Views are kept for this many pixels above and below the screen.
const int Margin = 400;

} // namespace

MCChatTableView::MCChatTableView(MCChatRowsModel *model, const MCEmoji &emoji, QWidget *parent)
    : QScrollArea(parent)
    , m_model(model)
    , m_emoji(emoji)
    , m_canvas(new QWidget)
{
    setObjectName(QStringLiteral("chatTableView"));
    setFrameShape(QFrame::NoFrame);
    setHorizontalScrollBarPolicy(Qt::ScrollBarAlwaysOff);
    setWidgetResizable(false);
    setWidget(m_canvas);
    m_canvas->setAutoFillBackground(true);
    QPalette white = m_canvas->palette();
    white.setColor(QPalette::Window, Qt::white);
    m_canvas->setPalette(white);
    connect(m_model, &QAbstractItemModel::rowsInserted, this, &MCChatTableView::rowsInserted);
    connect(m_model, &QAbstractItemModel::rowsAboutToBeRemoved, this,
            &MCChatTableView::rowsAboutToBeRemoved);
    connect(m_model, &QAbstractItemModel::dataChanged, this, &MCChatTableView::rowsChanged);
    connect(verticalScrollBar(), &QScrollBar::valueChanged, this, [this](int value) {
        if (value == verticalScrollBar()->minimum() && verticalScrollBar()->maximum() > 0)
            emit scrolledToTop();
    });
    if (m_model->rowCount() > 0)
        rowsInserted({}, 0, m_model->rowCount() - 1);
}

void MCChatTableView::rowsInserted(const QModelIndex &, int first, int last)
{
    // The rows shown stay where they are on screen; the end of the chat stays shown.
    const bool follow = atBottom();
    int anchorRow = rowAt(verticalScrollBar()->value());
    // A day row keeps its place while rows of its day come in under it: the first row under it
    // is the one that must not move.
    while (anchorRow >= 0 && anchorRow + 1 < m_slots.size() &&
           m_slots.at(anchorRow).entry->isDateRow())
        ++anchorRow;
    const MCChatEntry *anchor = anchorRow >= 0 ? m_slots.at(anchorRow).entry.data() : nullptr;
    const int anchorOffset = anchorRow >= 0 ? verticalScrollBar()->value() - rowTop(anchorRow) : 0;
    for (int row = first; row <= last; ++row) {
        Slot slot;
        slot.entry = m_model->entry(row);
        m_slots.insert(row, slot);
    }
    // A run of one sender starts after any other row or after another sender's message.
    for (int row = first; row <= qMin(last + 1, m_slots.size() - 1); ++row) {
        Slot &slot = m_slots[row];
        auto *message = qobject_cast<MCChatMessageEntry *>(slot.entry.data());
        if (!message || row == 0)
            continue;
        const MCChatEntry *previous = m_slots.at(row - 1).entry.data();
        const auto *before = qobject_cast<const MCChatMessageEntry *>(previous);
        const bool starts =
            previous->isFixedHeight() ||
            (before && before->message().sender().email() != message->message().sender().email());
        if (starts && !message->isNewEntry()) {
            message->setNewEntry(true);
            slot.measuredWidth = -1;
            releaseView(slot);
        }
        slot.newEntry = message->isNewEntry();
    }
    relayout();
    if (follow && m_followEnd) {
        scrollToBottom();
    } else if (anchor) {
        const int row = m_model->rowOf(anchor);
        if (row >= 0)
            verticalScrollBar()->setValue(rowTop(row) + anchorOffset);
    }
    updateVisibleRows();
}

void MCChatTableView::rowsAboutToBeRemoved(const QModelIndex &, int first, int last)
{
    if (m_floatingDateRow && m_model->rowOf(m_floatingDateRow->entry().data()) >= first &&
        m_model->rowOf(m_floatingDateRow->entry().data()) <= last) {
        delete m_floatingDateRow;
        m_floatingDateRow = nullptr;
    }
    for (int row = last; row >= first; --row) {
        releaseView(m_slots[row]);
        m_slots.removeAt(row);
    }
    QMetaObject::invokeMethod(
        this,
        [this] {
            relayout();
            updateVisibleRows();
        },
        Qt::QueuedConnection);
}

void MCChatTableView::rowsChanged(const QModelIndex &from, const QModelIndex &to)
{
    bool changed = false;
    for (int row = from.row(); row <= to.row() && row < m_slots.size(); ++row) {
        Slot &slot = m_slots[row];
        const int before = slot.height;
        slot.measuredWidth = -1;
        measure(slot);
        changed = changed || before != slot.height;
        if (slot.view)
            slot.view->update();
    }
    if (changed) {
        relayout();
        updateVisibleRows();
    }
}

void MCChatTableView::measure(Slot &slot)
{
    if (slot.measuredWidth == m_width)
        return;
    slot.measuredWidth = m_width;
    auto *message = qobject_cast<MCChatMessageEntry *>(slot.entry.data());
    if (message) {
        const int textWidth = MCChatTableCellView::textWidthFor(m_width, m_imageColumn);
        message->updateHeightForTextHeight(
            MCChatTableCellView::measureTextHeight(message->textMessage(), m_emoji, textWidth));
    }
    slot.height = int(slot.entry->rowHeight());
}

void MCChatTableView::relayout()
{
    // Heights depend on the width: a table not shown yet has none worth measuring at.
    if (!isVisible())
        return;
    m_width = viewport()->width();
    int top = 0;
    for (Slot &slot : m_slots) {
        measure(slot);
        slot.top = top;
        top += slot.height;
    }
    m_canvas->resize(m_width, qMax(top, viewport()->height()));
    for (Slot &slot : m_slots) {
        if (slot.view)
            slot.view->setGeometry(0, slot.top, m_width, slot.height);
    }
}

void MCChatTableView::updateVisibleRows()
{
    if (!m_factory || !isVisible())
        return;
    const int from = verticalScrollBar()->value() - Margin;
    const int to = verticalScrollBar()->value() + viewport()->height() + Margin;
    for (int row = 0; row < m_slots.size(); ++row) {
        Slot &slot = m_slots[row];
        const bool near = slot.top + slot.height >= from && slot.top <= to;
        if (!near) {
            releaseView(slot);
            continue;
        }
        if (slot.view)
            continue;
        slot.view = m_factory(slot.entry, slot.newEntry, m_canvas);
        if (!slot.view)
            continue;
        slot.view->setImageColumnShown(m_imageColumn);
        slot.view->setGeometry(0, slot.top, m_width, slot.height);
        slot.view->show();
        emit rowViewAdded(slot.view, row);
    }
    updateFloatingDateRow();
}

void MCChatTableView::updateFloatingDateRow()
{
    const int value = verticalScrollBar()->value();
    int top = rowAt(value);
    // The day the top row belongs to; none when that row starts its day where it should be.
    int day = top;
    while (day >= 0 && !m_slots.at(day).entry->isDateRow())
        --day;
    if (top < 0 || day < 0 || (day == top && m_slots.at(day).top >= value)) {
        delete m_floatingDateRow;
        m_floatingDateRow = nullptr;
        return;
    }
    const Slot &slot = m_slots.at(day);
    if (!m_floatingDateRow || m_floatingDateRow->entry() != slot.entry) {
        delete m_floatingDateRow;
        m_floatingDateRow = new MCChatDateRowView(slot.entry, viewport());
        m_floatingDateRow->setAutoFillBackground(true);
        QPalette white = m_floatingDateRow->palette();
        white.setColor(QPalette::Window, Qt::white);
        m_floatingDateRow->setPalette(white);
    }
    // The next day's row pushes the pinned one up and out as it reaches the top.
    int y = 0;
    for (int next = top + 1; next < m_slots.size(); ++next) {
        const Slot &below = m_slots.at(next);
        if (below.top - value >= slot.height)
            break;
        if (below.entry->isDateRow()) {
            y = below.top - value - slot.height;
            break;
        }
    }
    m_floatingDateRow->setGeometry(0, y, m_width, slot.height);
    m_floatingDateRow->show();
    m_floatingDateRow->raise();
}

void MCChatTableView::releaseView(Slot &slot)
{
    if (!slot.view)
        return;
    emit rowViewRemoved(slot.view);
    delete slot.view;
    slot.view = nullptr;
}

int MCChatTableView::rowAt(int y) const
{
    int low = 0;
    int high = m_slots.size() - 1;
    while (low <= high) {
        const int middle = (low + high) / 2;
        const Slot &slot = m_slots.at(middle);
        if (y < slot.top)
            high = middle - 1;
        else if (y >= slot.top + slot.height)
            low = middle + 1;
        else
            return middle;
    }
    return -1;
}

int MCChatTableView::rowTop(int row) const
{
    return row >= 0 && row < m_slots.size() ? m_slots.at(row).top : 0;
}

int MCChatTableView::rowHeightAt(int row) const
{
    return row >= 0 && row < m_slots.size() ? m_slots.at(row).height : 0;
}

MCChatRowView *MCChatTableView::rowView(int row) const
{
    return row >= 0 && row < m_slots.size() ? m_slots.at(row).view : nullptr;
}

QList<MCChatRowView *> MCChatTableView::rowViews() const
{
    QList<MCChatRowView *> views;
    for (const Slot &slot : m_slots) {
        if (slot.view)
            views.append(slot.view);
    }
    return views;
}

bool MCChatTableView::atBottom() const
{
    return verticalScrollBar()->value() >= verticalScrollBar()->maximum() - 2;
}

void MCChatTableView::drawAllRows()
{
    relayout();
    scrollToBottom();
}

void MCChatTableView::scrollToBottom()
{
    m_followEnd = true;
    verticalScrollBar()->setValue(verticalScrollBar()->maximum());
    updateVisibleRows();
}

void MCChatTableView::scrollToEntry(const MCChatEntry *entry)
{
    const int row = m_model->rowOf(entry);
    if (row >= 0)
        ensureVisible(0, rowTop(row) + rowHeightAt(row) / 2, 0, rowHeightAt(row) / 2 + 1);
}

bool MCChatTableView::isLastRowVisible() const
{
    if (m_slots.isEmpty())
        return true;
    int last = m_slots.size() - 1;
    if (m_slots.at(last).entry->isEmptyRow() && last > 0)
        --last;
    return rowTop(last) < verticalScrollBar()->value() + viewport()->height() &&
           rowTop(last) + rowHeightAt(last) > verticalScrollBar()->value();
}

QDateTime MCChatTableView::lastItemSentAtDate() const
{
    if (m_slots.size() < 2)
        return {};
    return m_slots.at(m_slots.size() - 2).entry->sentAt();
}

void MCChatTableView::showEvent(QShowEvent *event)
{
    QScrollArea::showEvent(event);
    scheduleRelayout();
}

void MCChatTableView::scheduleRelayout()
{
    // Showing and the layouts around the table resize it several times in a row: the rows are
    // measured once, at the width it ends up with.
    if (m_relayoutScheduled)
        return;
    m_relayoutScheduled = true;
    QMetaObject::invokeMethod(
        this,
        [this] {
            m_relayoutScheduled = false;
            const bool follow = m_followEnd;
            relayout();
            if (follow)
                scrollToBottom();
            updateVisibleRows();
        },
        Qt::QueuedConnection);
}

void MCChatTableView::resizeEvent(QResizeEvent *event)
{
    QScrollArea::resizeEvent(event);
    const bool image = viewport()->width() > 300;
    if (image != m_imageColumn) {
        m_imageColumn = image;
        for (Slot &slot : m_slots) {
            slot.measuredWidth = -1;
            if (slot.view)
                slot.view->setImageColumnShown(image);
        }
    }
    if (atBottom())
        m_followEnd = true;
    scheduleRelayout();
}

void MCChatTableView::scrollContentsBy(int dx, int dy)
{
    QScrollArea::scrollContentsBy(dx, dy);
    m_followEnd = atBottom();
    updateVisibleRows();
    emit scrolled();
}

bool MCChatTableView::viewportEvent(QEvent *event)
{
    if (event->type() == QEvent::MouseButtonPress)
        emit clicked();
    return QScrollArea::viewportEvent(event);
}
