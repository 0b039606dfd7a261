#include "mcerrorscontroller.h"

#include "mcerrorsfiltermodel.h"
#include "mcerrorsmodel.h"

#include <QButtonGroup>
#include <QHBoxLayout>
#include <QHeaderView>
#include <QLabel>
#include <QLocale>
#include <QTableView>
#include <QToolButton>
#include <QVBoxLayout>

MCErrorsController::MCErrorsController(MONotificationCenter *center, Clock *clock, QWidget *parent)
    : QWidget(parent)
    , m_errors(new MCErrorsModel(center, clock, this))
    , m_filtered(new MCErrorsFilterModel(this))
    , m_tableView(new QTableView(this))
    , m_segmentedControl(new QButtonGroup(this))
    , m_bottomText(new QLabel(this))
{
    setObjectName(title());
    m_filtered->setSourceModel(m_errors);

    auto *bar = new QHBoxLayout;
    bar->setContentsMargins(8, 6, 8, 6);
    const QStringList labels = {tr("Errors"), tr("Warnings"), tr("Information"), tr("All")};
    for (int segment = 0; segment < labels.size(); ++segment) {
        auto *button = new QToolButton(this);
        button->setText(labels.at(segment));
        button->setCheckable(true);
        m_segmentedControl->addButton(button, segment);
        bar->addWidget(button);
    }
    bar->addStretch(1);
    m_segmentedControl->button(MCErrorsFilterModel::All)->setChecked(true);
    connect(m_segmentedControl, &QButtonGroup::idClicked, this, &MCErrorsController::filterErrors);

    m_tableView->setModel(m_filtered);
    m_tableView->setShowGrid(false);
    m_tableView->setWordWrap(true);
    m_tableView->setSelectionBehavior(QAbstractItemView::SelectRows);
    m_tableView->setEditTriggers(QAbstractItemView::NoEditTriggers);
    m_tableView->verticalHeader()->hide();
    m_tableView->verticalHeader()->setSectionResizeMode(QHeaderView::Interactive);
    m_tableView->horizontalHeader()->setStretchLastSection(true);
    // As wide as the longest date the locale writes (two-digit day and month, an evening
    // hour): in a narrower column the date wraps out of its row.
    const QString widestDate =
        QLocale().toString(QDateTime(QDate(2000, 12, 28), QTime(22, 58, 58)), QLocale::ShortFormat);
    m_tableView->horizontalHeader()->resizeSection(
        MCErrorsModel::DateColumn,
        qMax(140, m_tableView->fontMetrics().horizontalAdvance(widestDate) + 16));
    m_tableView->horizontalHeader()->resizeSection(MCErrorsModel::TypeColumn, 90);

    m_bottomText->setContentsMargins(8, 4, 8, 4);
    auto *layout = new QVBoxLayout(this);
    layout->setContentsMargins(0, 0, 0, 0);
    layout->setSpacing(0);
    layout->addLayout(bar);
    layout->addWidget(m_tableView, 1);
    layout->addWidget(m_bottomText);

    connect(m_filtered, &QAbstractItemModel::rowsInserted, this,
            [this](const QModelIndex &, int first, int last) {
                updateRowHeights(first, last);
                updateBottomText();
            });
    connect(m_filtered, &QAbstractItemModel::rowsRemoved, this,
            &MCErrorsController::updateBottomText);
    connect(m_filtered, &QAbstractItemModel::modelReset, this, [this] {
        updateRowHeights(0, m_filtered->rowCount() - 1);
        updateBottomText();
    });
    connect(m_filtered, &QAbstractItemModel::layoutChanged, this, [this] {
        updateRowHeights(0, m_filtered->rowCount() - 1);
        updateBottomText();
    });
    connect(m_tableView->horizontalHeader(), &QHeaderView::sectionResized, this,
            [this](int section) {
                if (section == MCErrorsModel::ErrorColumn)
                    updateRowHeights(0, m_filtered->rowCount() - 1);
            });
    updateBottomText();
}

QString MCErrorsController::title() const
{
    return QStringLiteral("errors://");
}

QAbstractButton *MCErrorsController::segmentButton(int segment) const
{
    return m_segmentedControl->button(segment);
}

void MCErrorsController::filterErrors(int segment)
{
    m_filtered->setSegment(segment);
    if (QAbstractButton *button = m_segmentedControl->button(m_filtered->segment()))
        button->setChecked(true);
    updateRowHeights(0, m_filtered->rowCount() - 1);
    updateBottomText();
}

int MCErrorsController::heightOfRow(int textHeight, int rowHeight, int width)
{
    if (width < 150 || rowHeight <= 0 || rowHeight > textHeight)
        return rowHeight;
    int height = rowHeight + rowHeight;
    while (textHeight > height)
        height += rowHeight;
    return height;
}

void MCErrorsController::updateRowHeights(int first, int last)
{
    const int rowHeight = m_tableView->verticalHeader()->defaultSectionSize();
    const int width = m_tableView->columnWidth(MCErrorsModel::ErrorColumn) + 3;
    const QFontMetrics metrics(m_tableView->font());
    for (int row = first; row <= last; ++row) {
        const QString text = m_filtered->index(row, MCErrorsModel::ErrorColumn).data().toString();
        const int textHeight =
            width < 150 ? 0
                        : metrics.boundingRect(QRect(0, 0, width, 1 << 20), Qt::TextWordWrap, text)
                              .height();
        const int height = heightOfRow(textHeight, rowHeight, width);
        // Most messages take one line: resizing a section costs, leaving one alone does not.
        if (height != m_tableView->rowHeight(row))
            m_tableView->setRowHeight(row, height);
    }
}

void MCErrorsController::updateBottomText()
{
    const int count = m_filtered->rowCount();
    if (count == 0) {
        m_bottomText->setText(tr("%1 %2").arg(0).arg(tr("messages")));
        return;
    }
    const auto dateOf = [this](int row) {
        return QLocale().toString(
            m_filtered->index(row, 0).data(MCErrorsModel::DateRole).toDateTime().toLocalTime(),
            QLocale::ShortFormat);
    };
    m_bottomText->setText(tr("%1 %2 %3 %4 %5 %6")
                              .arg(count)
                              .arg(count == 1 ? tr("message") : tr("messages"), tr("from"),
                                   dateOf(0), tr("to"), dateOf(count - 1)));
}
