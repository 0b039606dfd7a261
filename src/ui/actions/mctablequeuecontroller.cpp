#include "mctablequeuecontroller.h"

#include "mcoperationsfiltermodel.h"
#include "mctablequeuedelegate.h"
#include "mctablequeuemodel.h"

#include <QButtonGroup>
#include <QHBoxLayout>
#include <QHeaderView>
#include <QLabel>
#include <QMouseEvent>
#include <QTableView>
#include <QToolButton>
#include <QVBoxLayout>

namespace {

struct SegmentLook
{
    const char *themeIcon;
    const char *text;
};

// The segments' order is the filter's: both directions, downloads, uploads, everything.
const SegmentLook segmentLooks[] = {{"view-sort", "\u21C5"},
                                    {"go-down", "\u2193"},
                                    {"go-up", "\u2191"},
                                    {"view-list-details", "\u2261"}};

} // namespace

MCTableQueueController::MCTableQueueController(MOObjectsManager *objects, MCCounters *counters,
                                               Clock *clock, QWidget *parent)
    : QWidget(parent)
    , m_model(new MCTableQueueModel(objects, counters, clock, this))
    , m_filter(new MCOperationsFilterModel(this))
    , m_delegate(nullptr)
    , m_tableView(new QTableView(this))
    , m_segmentedControl(new QButtonGroup(this))
    , m_viewDescription(new QLabel(this))
{
    setObjectName(title());
    m_filter->setSourceModel(m_model);

    auto *bar = new QHBoxLayout;
    bar->setContentsMargins(8, 6, 8, 6);
    for (int segment = 0; segment < 4; ++segment) {
        auto *button = new QToolButton(this);
        const SegmentLook &look = segmentLooks[segment];
        const QIcon icon = QIcon::fromTheme(QLatin1String(look.themeIcon));
        if (icon.isNull())
            button->setText(QString::fromUtf8(look.text));
        else
            button->setIcon(icon);
        button->setToolTip(MCOperationsFilterModel::titleForSegment(segment));
        button->setCheckable(true);
        button->setAutoRaise(true);
        m_segmentedControl->addButton(button, segment);
        bar->addWidget(button);
    }
    m_segmentedControl->button(MCOperationsFilterModel::Transfers)->setChecked(true);
    connect(m_segmentedControl, &QButtonGroup::idClicked, this,
            &MCTableQueueController::filterSelection);
    bar->addSpacing(12);
    QFont titleFont = m_viewDescription->font();
    titleFont.setBold(true);
    m_viewDescription->setFont(titleFont);
    bar->addWidget(m_viewDescription, 1);

    m_tableView->setModel(m_filter);
    m_delegate = new MCTableQueueDelegate(m_tableView);
    m_tableView->setItemDelegate(m_delegate);
    m_tableView->setShowGrid(false);
    m_tableView->setSelectionBehavior(QAbstractItemView::SelectRows);
    m_tableView->setEditTriggers(QAbstractItemView::NoEditTriggers);
    m_tableView->setWordWrap(false);
    m_tableView->setMouseTracking(true);
    m_tableView->viewport()->setMouseTracking(true);
    m_tableView->viewport()->installEventFilter(this);
    m_tableView->horizontalHeader()->hide();
    // Fixed heights: a table of thousands of rows never measures them one by one.
    m_tableView->verticalHeader()->hide();
    m_tableView->verticalHeader()->setSectionResizeMode(QHeaderView::Fixed);
    m_tableView->verticalHeader()->setDefaultSectionSize(48);
    QHeaderView *columns = m_tableView->horizontalHeader();
    columns->setSectionResizeMode(QHeaderView::Fixed);
    columns->resizeSection(MCTableQueueModel::IconColumn, 44);
    columns->resizeSection(MCTableQueueModel::OperationTypeColumn, 28);
    columns->resizeSection(MCTableQueueModel::InteractionColumn, 56);
    columns->setStretchLastSection(true);
    connect(m_delegate, &MCTableQueueDelegate::buttonClicked, this,
            &MCTableQueueController::buttonAction);

    auto *layout = new QVBoxLayout(this);
    layout->setContentsMargins(0, 0, 0, 0);
    layout->setSpacing(0);
    layout->addLayout(bar);
    layout->addWidget(m_tableView, 1);

    filterSelection(MCOperationsFilterModel::Transfers);
}

MCTableQueueController::~MCTableQueueController() = default;

QString MCTableQueueController::title() const
{
    return QStringLiteral("transfers://");
}

QAbstractButton *MCTableQueueController::segmentButton(int segment) const
{
    return m_segmentedControl->button(segment);
}

void MCTableQueueController::filterSelection(int segment)
{
    m_filter->setSegment(segment);
    m_viewDescription->setText(MCOperationsFilterModel::titleForSegment(segment));
    if (QAbstractButton *button = m_segmentedControl->button(m_filter->segment()))
        button->setChecked(true);
}

void MCTableQueueController::buttonAction(const QModelIndex &index, const QString &identifier)
{
    const QModelIndex source = m_filter->mapToSource(index);
    if (source.isValid())
        m_model->buttonAction(source.row(), identifier);
}

bool MCTableQueueController::eventFilter(QObject *watched, QEvent *event)
{
    if (watched == m_tableView->viewport()) {
        if (event->type() == QEvent::MouseMove) {
            const QPoint position = static_cast<QMouseEvent *>(event)->pos();
            const QModelIndex index = m_tableView->indexAt(position);
            int under = -1;
            if (index.column() == MCTableQueueModel::InteractionColumn &&
                index.data(MCTableQueueModel::ButtonsVisibleRole).toBool()) {
                const QRect cell = m_tableView->visualRect(index);
                for (auto button :
                     {MCTableQueueDelegate::PauseButton, MCTableQueueDelegate::AbortButton}) {
                    if (MCTableQueueDelegate::buttonRect(cell, button).contains(position))
                        under = button;
                }
            }
            m_delegate->setHover(m_tableView, index, under);
        } else if (event->type() == QEvent::Leave) {
            m_delegate->setHover(m_tableView, QModelIndex(), -1);
        }
    }
    return QWidget::eventFilter(watched, event);
}
