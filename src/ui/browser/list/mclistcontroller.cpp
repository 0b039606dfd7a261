#include "mclistcontroller.h"

#include "mcbrowserlog.h"
#include "mcdateformatter.h"
#include "mciconkeyhandler.h"
#include "mciconnameeditor.h"
#include "mclistcellleftidentation.h"
#include "mclistnamedelegate.h"
#include "mcnodetreemodel.h"
#include "mcoptions.h"
#include "mcselectedrows.h"
#include "mcsizefieldcell.h"
#include "moobjectsmanager.h"

#include <QHeaderView>
#include <QItemSelectionModel>
#include <QMenu>
#include <QTreeView>
#include <QVBoxLayout>

namespace {

const QString ColumnsVisibility = QStringLiteral("ColumnsVisibility");
constexpr int KindColumnWidth = 130;
constexpr int KindColumnMaximumWidth = 320;
const QString RelativeDates = QStringLiteral("RelativeDates");

// The header menu's columns, in its order.
const int MenuColumns[] = {MCNodeTreeModel::DateModifiedColumn, MCNodeTreeModel::DateAddedColumn,
                           MCNodeTreeModel::SizeColumn, MCNodeTreeModel::KindColumn};

// The sort field of a column (as in the sort codes); -1 for a column that does not sort.
int sortFieldOf(int column)
{
    switch (column) {
    case MCNodeTreeModel::NameColumn:
        return 0;
    case MCNodeTreeModel::KindColumn:
        return 1;
    case MCNodeTreeModel::DateModifiedColumn:
        return 2;
    case MCNodeTreeModel::SizeColumn:
        return 4;
    default:
        return -1;
    }
}

int columnOfSortField(int field)
{
    for (int column = 0; column < MCNodeTreeModel::ColumnCount; ++column) {
        if (sortFieldOf(column) == field)
            return column;
    }
    return -1;
}

} // namespace

MCListController::MCListController(MOObjectsManager *objectsManager, MCOptions *options,
                                   QWidget *parent)
    : MCBrowsableViewController(objectsManager, parent)
    , m_options(options)
    , m_outlineView(new QTreeView(this))
    , m_model(new MCNodeTreeModel(this))
    , m_nameDelegate(new MCListNameDelegate(this))
    , m_menuColumns(new QMenu(this))
{
    setObjectName(QStringLiteral("listController"));
    m_outlineView->setObjectName(QStringLiteral("outlineView"));
    auto *layout = new QVBoxLayout(this);
    layout->setContentsMargins(0, 0, 0, 0);
    layout->addWidget(m_outlineView);

    m_outlineView->setModel(m_model);
    // The header highlights no sections, yet asks at every paint whether each column is
    // selected, a walk over every row of a large folder with all selected: it gets a selection
    // of its own, always empty.
    m_outlineView->header()->setSelectionModel(new QItemSelectionModel(m_model, this));
    m_outlineView->setUniformRowHeights(true);
    m_outlineView->setAlternatingRowColors(true);
    m_outlineView->setAllColumnsShowFocus(true);
    m_outlineView->setSelectionMode(QAbstractItemView::ExtendedSelection);
    m_outlineView->setSelectionBehavior(QAbstractItemView::SelectRows);
    m_outlineView->setEditTriggers(QAbstractItemView::NoEditTriggers);
    m_outlineView->setExpandsOnDoubleClick(false);
    m_outlineView->setIconSize(QSize(16, 16));
    m_outlineView->setItemDelegateForColumn(MCNodeTreeModel::NameColumn, m_nameDelegate);
    m_outlineView->setItemDelegateForColumn(MCNodeTreeModel::SizeColumn, new MCSizeFieldCell(this));
    // The text columns are set in from the column's edge and centred in the row.
    auto *texts = new MCListCellLeftIdentation(this);
    for (const int column : {MCNodeTreeModel::DateModifiedColumn, MCNodeTreeModel::DateAddedColumn,
                             MCNodeTreeModel::KindColumn})
        m_outlineView->setItemDelegateForColumn(column, texts);

    QHeaderView *header = m_outlineView->header();
    header->setSectionsClickable(true);
    header->setSortIndicatorShown(true);
    header->setStretchLastSection(false);
    header->setSectionResizeMode(MCNodeTreeModel::NameColumn, QHeaderView::Stretch);
    header->resizeSection(MCNodeTreeModel::DateModifiedColumn, 180);
    header->resizeSection(MCNodeTreeModel::DateAddedColumn, 100);
    header->resizeSection(MCNodeTreeModel::SizeColumn, 90);
    header->resizeSection(MCNodeTreeModel::KindColumn, KindColumnWidth);
    header->resizeSection(MCNodeTreeModel::StatusColumn, 28);
    connect(header, &QHeaderView::sectionClicked, this, &MCListController::headerClicked);
    connect(header, &QHeaderView::sectionResized, this,
            [this](int column, int oldWidth, int width) {
                if (column == MCNodeTreeModel::DateModifiedColumn)
                    columnWidthChanged(width);
                // Hiding and showing the column go through a width of 0.
                else if (column == MCNodeTreeModel::KindColumn && !m_fittingKind && oldWidth > 0 &&
                         width > 0)
                    m_kindWidthChosen = true;
            });
    // The kinds are as wide as the longest one shown, unless the user has chosen a width: a
    // fixed width cuts long kinds however wide the window is.
    m_kindFit.setSingleShot(true);
    m_kindFit.setInterval(0);
    connect(&m_kindFit, &QTimer::timeout, this, &MCListController::fitKindColumn);
    for (const auto changed : {&QAbstractItemModel::rowsInserted, &QAbstractItemModel::rowsRemoved})
        connect(m_model, changed, &m_kindFit, qOverload<>(&QTimer::start));
    connect(m_model, &QAbstractItemModel::modelReset, &m_kindFit, qOverload<>(&QTimer::start));
    connect(m_model, &QAbstractItemModel::layoutChanged, &m_kindFit, qOverload<>(&QTimer::start));

    connect(m_outlineView->selectionModel(), &QItemSelectionModel::selectionChanged, this, [this] {
        if (!isHidden())
            emit selectedCountChanged(
                MCSelectedRows::count(m_outlineView->selectionModel()->selection()));
    });
    connect(m_outlineView, &QTreeView::expanded, this, &MCListController::expanded);
    connect(m_outlineView, &QTreeView::doubleClicked, this, &MCListController::doubleClick);
    auto *keys = new MCIconKeyHandler(m_outlineView);
    connect(keys, &MCIconKeyHandler::renameRequested, this, &MCListController::startRename);
    connect(keys, &MCIconKeyHandler::openRequested, this,
            [this] { openNodes(getSelectedItems()); });
    connect(m_nameDelegate, &MCNameEditingDelegate::nameEdited, this,
            [this](const MCNodePtr &node, const QString &text) { endNameEditing(node, text); });
    connect(m_nameDelegate, &MCNameEditingDelegate::nameEditCancelled, this,
            &MCListController::cancelNameEditing);
    m_outlineView->setContextMenuPolicy(Qt::CustomContextMenu);
    connect(m_outlineView, &QWidget::customContextMenuRequested, this,
            [this](const QPoint &pos) { popUpContextMenu(m_outlineView, pos); });
    // A row being transferred or renamed offers the folder's menu, not the selection's.
    setNoMenuStates(MCAbstractObjectNode::Downloading | MCAbstractObjectNode::Uploading |
                    MCAbstractObjectNode::Syncing);

    setHeaderMenu();
    loadOptions();
    setSortType(m_sortType);
    columnWidthChanged(header->sectionSize(MCNodeTreeModel::DateModifiedColumn));
}

MCListController::~MCListController() = default;

void MCListController::fitKindColumn()
{
    QHeaderView *header = m_outlineView->header();
    if (m_kindWidthChosen || header->isSectionHidden(MCNodeTreeModel::KindColumn))
        return;
    // The rows in sight, and a bounded number around them: a large folder is not walked.
    const QAbstractItemView *rows = m_outlineView; // where the measure is public
    const int wanted = qBound(KindColumnWidth, rows->sizeHintForColumn(MCNodeTreeModel::KindColumn),
                              KindColumnMaximumWidth);
    m_fittingKind = true;
    header->resizeSection(MCNodeTreeModel::KindColumn, wanted);
    m_fittingKind = false;
}

void MCListController::loadOptions()
{
    QVariantMap visibility;
    if (m_options)
        visibility = m_options->value(MCOptions::ListController, ColumnsVisibility).toMap();
    for (const int column : MenuColumns) {
        const QString identifier = MCNodeTreeModel::columnIdentifier(column);
        if (!visibility.contains(identifier))
            visibility.insert(identifier, true);
        m_outlineView->header()->setSectionHidden(column, !visibility.value(identifier).toBool());
    }
    bool relative = true;
    if (m_options) {
        m_options->setValue(MCOptions::ListController, ColumnsVisibility, visibility);
        relative = m_options->value(MCOptions::ListController, RelativeDates, true).toBool();
    }
    // Applied on the first start too, so the dates read as the stored option says.
    useRelativeDates(relative);
}

void MCListController::setHeaderMenu()
{
    m_menuColumns->setObjectName(QStringLiteral("menuColumns"));
    for (const int column : MenuColumns) {
        QAction *item =
            m_menuColumns->addAction(m_model->headerData(column, Qt::Horizontal).toString());
        item->setCheckable(true);
        item->setData(MCNodeTreeModel::columnIdentifier(column));
        connect(item, &QAction::triggered, this,
                [this, item](bool checked) { toggleColumn(item->data().toString(), checked); });
    }
    connect(m_menuColumns, &QMenu::aboutToShow, this, &MCListController::updateHeaderMenu);
    QHeaderView *header = m_outlineView->header();
    header->setContextMenuPolicy(Qt::CustomContextMenu);
    connect(header, &QWidget::customContextMenuRequested, this,
            [this, header](const QPoint &pos) { m_menuColumns->popup(header->mapToGlobal(pos)); });
}

void MCListController::updateHeaderMenu()
{
    for (QAction *item : m_menuColumns->actions())
        item->setChecked(isColumnVisible(item->data().toString()));
}

void MCListController::toggleColumn(const QString &identifier, bool visible)
{
    const int column = MCNodeTreeModel::columnForIdentifier(identifier);
    if (column <= MCNodeTreeModel::NameColumn || column >= MCNodeTreeModel::StatusColumn)
        return;
    m_outlineView->header()->setSectionHidden(column, !visible);
    if (!m_options)
        return;
    QVariantMap visibility = m_options->value(MCOptions::ListController, ColumnsVisibility).toMap();
    visibility.insert(identifier, visible);
    m_options->setValue(MCOptions::ListController, ColumnsVisibility, visibility);
}

bool MCListController::isColumnVisible(const QString &identifier) const
{
    const int column = MCNodeTreeModel::columnForIdentifier(identifier);
    return column >= 0 && !m_outlineView->header()->isSectionHidden(column);
}

void MCListController::useRelativeDates(bool relative)
{
    m_model->dateFormatter().setDoesRelativeDateFormatting(relative);
    if (m_options)
        m_options->setValue(MCOptions::ListController, RelativeDates, relative);
    m_model->datesChanged();
}

void MCListController::columnWidthChanged(int width)
{
    MCDateFormatter &dates = m_model->dateFormatter();
    const struct
    {
        int from;
        MCDateFormatter::Style date;
    } steps[] = {{251, MCDateFormatter::FullStyle},
                 {191, MCDateFormatter::LongStyle},
                 {171, MCDateFormatter::MediumStyle},
                 {0, MCDateFormatter::ShortStyle}};
    for (const auto &step : steps) {
        if (width >= step.from) {
            dates.setDateStyle(step.date);
            break;
        }
    }
    dates.setTimeStyle(width >= 146 ? MCDateFormatter::ShortStyle : MCDateFormatter::NoStyle);
    m_model->datesChanged();
}

void MCListController::headerClicked(int column)
{
    const int field = sortFieldOf(column);
    if (field < 0) {
        // Not a sorting column: the indicator goes back to where the order comes from.
        setSortType(m_sortType);
        return;
    }
    bool descending;
    if (column == m_indicatorColumn)
        descending = m_indicatorOrder == Qt::AscendingOrder; // each click flips
    else
        descending = column != MCNodeTreeModel::NameColumn && column != MCNodeTreeModel::KindColumn;
    setSortType(10 + 2 * field + (descending ? 1 : 0));
}

void MCListController::setSortType(qint64 sortType)
{
    m_sortType = sortType;
    if (m_model->setSortType(int(sortType))) {
        m_indicatorColumn = columnOfSortField(int(sortType - 10) / 2);
        m_indicatorOrder = (sortType - 10) % 2 ? Qt::DescendingOrder : Qt::AscendingOrder;
    }
    QHeaderView *header = m_outlineView->header();
    {
        const QSignalBlocker blocker(header);
        header->setSortIndicator(m_indicatorColumn, m_indicatorOrder);
    }
    emit sortTypeChanged(sortType);
}

MCNodeList MCListController::getSelectedItems() const
{
    // Read from the selection's ranges: with a large folder all selected, listing an index per
    // row (and asking each row's cells whether they are selected) stalls the window.
    const QItemSelection selection = m_outlineView->selectionModel()->selection();
    QVector<QModelIndex> parents;
    for (const QItemSelectionRange &range : selection) {
        if (range.isValid() && !parents.contains(range.parent()))
            parents.append(range.parent());
    }
    MCNodeList selected;
    QStringList folders;
    for (const QModelIndex &parent : qAsConst(parents)) {
        // The folder's children by row, without an index per row.
        const MCNodePtr folder = parent.isValid() ? m_model->nodeAt(parent) : m_model->rootNode();
        const int rows = m_model->rowCount(parent);
        if (!folder || rows > folder->children().size())
            continue;
        const MCNodeList &children = folder->children();
        const auto spans = MCSelectedRows::spans(selection, parent);
        selected.reserve(selected.size() + MCSelectedRows::total(spans));
        for (const auto &span : spans) {
            for (int row = span.first; row <= qMin(span.second, rows - 1); ++row) {
                const MCNodePtr &node = children.at(row);
                if (node->isBusy())
                    continue;
                selected.append(node);
                if (node->isDir())
                    folders.append(node->filePath() + QLatin1Char('/'));
            }
        }
    }
    if (folders.isEmpty())
        return selected;
    // Never a folder and something inside it: the folder stands for both.
    const MCNodePtr root = m_model->rootNode();
    selected.erase(std::remove_if(selected.begin(), selected.end(),
                                  [&folders, &root](const MCNodePtr &node) {
                                      // The shown folder's own rows lie in none of its folders.
                                      if (node->parent() == root)
                                          return false;
                                      const QString path = node->filePath();
                                      return std::any_of(folders.cbegin(), folders.cend(),
                                                         [&path](const QString &folder) {
                                                             return path.startsWith(folder);
                                                         });
                                  }),
                   selected.end());
    return selected;
}

MCRowSelection MCListController::selectedRows() const
{
    const MCNodePtr root = m_model->rootNode();
    const QItemSelection selection = m_outlineView->selectionModel()->selection();
    // Rows of opened folders are carried as nodes.
    const bool shownFolderOnly =
        std::all_of(selection.cbegin(), selection.cend(),
                    [](const QItemSelectionRange &range) { return !range.parent().isValid(); });
    if (!root || !shownFolderOnly || m_model->rowCount() > root->children().size())
        return {};
    return MCRowSelection(root, MCSelectedRows::spans(selection, QModelIndex()),
                          [](const MCAbstractObjectNode *node) { return !node->isBusy(); });
}

void MCListController::preserveSelection(const MCNodeList &nodes)
{
    selectNodes(nodes);
}

int MCListController::preserveSelectedRows(const MCRowSelection &rows)
{
    if (!rows.holdsFor(m_model->rootNode()))
        return -1;
    QItemSelectionModel *model = m_outlineView->selectionModel();
    model->select(rows.selection(m_model, MCNodeTreeModel::ColumnCount - 1),
                  QItemSelectionModel::ClearAndSelect);
    const QModelIndex first = m_model->index(rows.firstRow(), 0);
    if (first.isValid()) {
        model->setCurrentIndex(first, QItemSelectionModel::NoUpdate);
        m_outlineView->scrollTo(first);
    }
    return rows.count([](const MCAbstractObjectNode *node) { return !node->isBusy(); });
}

void MCListController::selectNodes(const MCNodeList &nodes)
{
    QVector<QModelIndex> rows;
    rows.reserve(nodes.size());
    QModelIndex first;
    for (const MCNodePtr &node : nodes) {
        if (!node)
            continue;
        const QModelIndex index = m_model->indexOfShownNode(node);
        if (!index.isValid())
            continue;
        if (!first.isValid())
            first = index;
        rows.append(index);
    }
    QItemSelectionModel *model = m_outlineView->selectionModel();
    model->select(selectionOfRows(rows, MCNodeTreeModel::ColumnCount - 1),
                  QItemSelectionModel::ClearAndSelect);
    if (first.isValid()) {
        model->setCurrentIndex(first, QItemSelectionModel::NoUpdate);
        m_outlineView->scrollTo(first);
    }
}

bool MCListController::isEditingName() const
{
    const auto editors = m_outlineView->viewport()->findChildren<MCIconNameEditor *>();
    return std::any_of(editors.begin(), editors.end(),
                       [](const MCIconNameEditor *editor) { return editor->isVisible(); });
}

void MCListController::startRename()
{
    const QModelIndexList rows = m_outlineView->selectionModel()->selectedRows();
    if (rows.size() != 1 || isEditingName())
        return;
    const QModelIndex index = rows.first();
    if (!(index.flags() & Qt::ItemIsEditable))
        return;
    m_outlineView->scrollTo(index);
    m_outlineView->setFocus();
    m_outlineView->setCurrentIndex(index);
    m_outlineView->edit(index);
}

QWidget *MCListController::firstResponder() const
{
    return m_outlineView;
}

QStringList MCListController::shownNames() const
{
    QStringList names;
    for (int row = 0; row < m_model->rowCount(); ++row)
        names.append(m_model->index(row, 0).data().toString());
    return names;
}

void MCListController::currentNodeChanged(const MCNodePtr &node)
{
    m_model->setRootNode(node);
    emit selectedCountChanged(0);
}

void MCListController::childrenEdited()
{
    // New, renamed and newly listed items take their place in the order.
    m_model->sortAgain();
}

void MCListController::expanded(const QModelIndex &index)
{
    const MCNodePtr node = m_model->nodeAt(index);
    if (!node || !node->childrenDirty() || !objectsManager())
        return;
    qCDebug(lcBrowser) << "Listing the opened folder" << node->filePath();
    objectsManager()->listObjectsAtPath(node->filePath(), true, QVariant());
}

void MCListController::doubleClick(const QModelIndex &index)
{
    const MCNodePtr node = m_model->nodeAt(index);
    if (!node || node->isBusy() || node->isPlaceholder())
        return;
    openNodes({node});
}

QModelIndex MCListController::indexOfPath(const QString &path) const
{
    return m_model->indexOfPath(path);
}

QRect MCListController::selectedRect() const
{
    return selectedRectOf(m_outlineView);
}
