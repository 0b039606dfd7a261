#include "mccolumncontroller.h"

#include "mcbrowser.h"
#include "mchub.h"
#include "mciconkeyhandler.h"
#include "mciconnameeditor.h"
#include "mcleafcontroller.h"
#include "mclistnamedelegate.h"
#include "mcnavigation.h"
#include "mcnodetreemodel.h"
#include "mcoptions.h"
#include "mcselectedrows.h"

#include <QMenu>
#include <QMouseEvent>
#include <QPointer>
#include <QTimer>
#include <QVBoxLayout>

namespace {

const QString PreviewColumn = QStringLiteral("PreviewColumn");

bool liesUnder(const QString &path, const QString &folder)
{
    return path == folder || folder == QLatin1String("/") ||
           path.startsWith(folder + QLatin1Char('/'));
}

} // namespace

MCColumnController::MCColumnController(MOObjectsManager *objectsManager, MCOptions *options,
                                       MCPreviewGenerator *previews, QWidget *parent)
    : MCBrowsableViewController(objectsManager, parent)
    , m_options(options)
    , m_browser(new MCBrowser(this))
    , m_model(new MCNodeTreeModel(this))
    , m_delegate(new MCListNameDelegate(this))
    , m_leafController(new MCLeafController(previews))
{
    setObjectName(QStringLiteral("columnController"));
    auto *layout = new QVBoxLayout(this);
    layout->setContentsMargins(0, 0, 0, 0);
    layout->addWidget(m_browser);

    m_delegate->setColumnBadges(true);
    m_browser->setItemDelegate(m_delegate);
    connect(m_delegate, &MCNameEditingDelegate::nameEdited, this,
            [this](const MCNodePtr &node, const QString &text) { endNameEditing(node, text); });
    connect(m_delegate, &MCNameEditingDelegate::nameEditCancelled, this,
            &MCColumnController::cancelNameEditing);
    // Rows being transferred or renamed take part in no selection, and their context menu is
    // the folder's.
    const quint64 inTransfer = MCAbstractObjectNode::Downloading | MCAbstractObjectNode::Uploading |
                               MCAbstractObjectNode::Syncing;
    m_model->setUnselectableStates(inTransfer);
    setNoMenuStates(inTransfer);
    m_browser->setIconSize(QSize(16, 16));
    m_browser->setSelectionMode(QAbstractItemView::ExtendedSelection);
    m_browser->setResizeGripsVisible(true);
    connect(m_browser, &MCBrowser::columnCreated, this, &MCColumnController::columnCreated);
    // The current row going (a placeholder replaced, an item deleted elsewhere) moves the
    // current index to a neighbour; that is no choice of the user's. Connected before the
    // browser's selection model is made, so that the flag is up when it moves the index.
    connect(m_model, &QAbstractItemModel::rowsAboutToBeRemoved, this,
            [this] { m_rowsGoing = true; });
    connect(m_model, &QAbstractItemModel::rowsRemoved, this, [this] { m_rowsGoing = false; });
    m_browser->setModel(m_model);
    m_browser->setPreviewWidget(m_leafController);
    // A rename confirmed, a listing that replaced the nodes: the preview shows the item as it
    // is now.
    m_previewUpdate.setSingleShot(true);
    m_previewUpdate.setInterval(0);
    connect(&m_previewUpdate, &QTimer::timeout, this,
            &MCColumnController::previewFollowsCurrentItem);
    for (const auto changed : {&QAbstractItemModel::rowsInserted, &QAbstractItemModel::rowsRemoved})
        connect(m_model, changed, &m_previewUpdate, qOverload<>(&QTimer::start));
    connect(m_model, &QAbstractItemModel::dataChanged, &m_previewUpdate,
            qOverload<>(&QTimer::start));
    connect(m_model, &QAbstractItemModel::layoutChanged, &m_previewUpdate,
            qOverload<>(&QTimer::start));
    connect(m_browser, &QColumnView::updatePreviewWidget, this,
            &MCColumnController::previewRequested);
    connect(m_browser->selectionModel(), &QItemSelectionModel::currentChanged, this,
            [this](const QModelIndex &current) { currentChanged(current); });
    connect(m_browser->selectionModel(), &QItemSelectionModel::selectionChanged, this, [this] {
        if (m_moving)
            return;
        const MCNodeList selected = getSelectedItems();
        // A folder selected alone is being browsed into: nothing of it is counted.
        const bool folderAlone = selected.size() == 1 && selected.first()->isDir();
        emit selectedCountChanged(folderAlone ? 0 : selected.size());
    });
    connect(m_leafController, &MCLeafController::clicked, this, [this] {
        // A click beside a name being edited ends the edit; the browser takes the keys back.
        if (QWidget *focus = m_browser->focusWidget())
            focus->setFocus(Qt::MouseFocusReason);
        else
            m_browser->setFocus(Qt::MouseFocusReason);
    });

    // The pane stands for the file it shows: its menu is the selection's.
    m_leafController->setContextMenuPolicy(Qt::CustomContextMenu);
    connect(m_leafController, &QWidget::customContextMenuRequested, this,
            [this](const QPoint &pos) {
                if (QMenu *menu = MCHub::sharedHub()->navigation()->selectionContextMenu())
                    menu->popup(m_leafController->mapToGlobal(pos));
            });

    if (m_options && !m_options->contains(MCOptions::ColumnController, PreviewColumn))
        m_options->setValue(MCOptions::ColumnController, PreviewColumn, true);
    showPreviewColumn(isPreviewColumnShown());
    setSortType(m_sortType);
}

MCColumnController::~MCColumnController() = default;

MCNodePtr MCColumnController::currentFolder() const
{
    const MCNodePtr folder = m_currentFolder.toStrongRef();
    return folder ? folder : currentNode();
}

void MCColumnController::setSortType(qint64 sortType)
{
    m_sortType = sortType;
    m_model->setSortType(int(sortType));
    emit sortTypeChanged(sortType);
}

bool MCColumnController::isPreviewColumnShown() const
{
    return !m_options ||
           m_options->value(MCOptions::ColumnController, PreviewColumn, true).toBool();
}

void MCColumnController::showPreviewColumn(bool show)
{
    Q_UNUSED(show) // the option decides, as the View Options window has written it
    const QModelIndex current = m_browser->currentIndex();
    if (current.isValid() && !m_model->hasChildren(current))
        previewRequested(current);
    else
        m_leafController->setVisible(isPreviewColumnShown());
}

int MCColumnController::previewColumnWidth(int width, const QList<int> &columnWidths)
{
    int used = 1;
    for (const int column : columnWidths)
        used += column + 1;
    return qMax(ColumnWidth, width - used);
}

void MCColumnController::previewRequested(const QModelIndex &index)
{
    // A row that went moves the browser to a neighbour the user did not choose: no preview of
    // that one.
    const bool shown = isPreviewColumnShown() && !m_rowsGoing;
    m_leafController->setVisible(shown);
    m_leafController->setNode(shown ? m_model->nodeAt(index) : MCNodePtr());
    // The browser lays the preview column out after this signal.
    QTimer::singleShot(0, this, &MCColumnController::sizeColumns);
}

void MCColumnController::previewFollowsCurrentItem()
{
    const QModelIndex current = m_browser->currentIndex();
    if (!m_leafController->isVisible() || !current.isValid() || m_model->hasChildren(current))
        return;
    const MCNodePtr node = m_model->nodeAt(current);
    if (node && node != m_leafController->currentNode())
        m_leafController->setNode(node);
    else if (node)
        m_leafController->reloadProperties();
}

void MCColumnController::sizeColumns()
{
    QList<int> widths = m_browser->columnWidths();
    if (widths.isEmpty())
        return;
    const QModelIndex current = m_browser->currentIndex();
    const bool preview = current.isValid() && !m_model->hasChildren(current);
    // A column keeps a width the user gave it; the others are 200 points.
    for (int column = 0; column < widths.size(); ++column) {
        const bool resizedByUser = column < m_columnWidths.size() && widths.at(column) > 0 &&
                                   widths.at(column) != m_columnWidths.at(column);
        if (!resizedByUser)
            widths[column] = ColumnWidth;
    }
    if (preview)
        widths.last() =
            previewColumnWidth(m_browser->viewport()->width(), widths.mid(0, widths.size() - 1));
    m_columnWidths = widths;
    if (widths != m_browser->columnWidths())
        m_browser->setColumnWidths(widths);
    m_browser->layOutColumns();
}

void MCColumnController::resizeEvent(QResizeEvent *event)
{
    MCBrowsableViewController::resizeEvent(event);
    sizeColumns();
}

void MCColumnController::columnCreated(QAbstractItemView *column)
{
    column->setItemDelegate(m_delegate);
    column->setIconSize(QSize(16, 16));
    connect(column, &QWidget::customContextMenuRequested, this,
            [this, column](const QPoint &pos) { popUpContextMenu(column, pos); });
    connect(column, &QAbstractItemView::doubleClicked, this, [this](const QModelIndex &index) {
        const MCNodePtr node = m_model->nodeAt(index);
        if (node && !node->isDir() && !node->isBusy() && !node->isPlaceholder())
            openNodes({node});
    });
    if (m_columnSetUp)
        m_columnSetUp(column);
    column->viewport()->installEventFilter(this);
    auto *keys = new MCIconKeyHandler(column);
    connect(keys, &MCIconKeyHandler::renameRequested, this, &MCColumnController::startRename);
    connect(keys, &MCIconKeyHandler::openRequested, this,
            [this] { openNodes(getSelectedItems()); });
}

bool MCColumnController::eventFilter(QObject *object, QEvent *event)
{
    if (event->type() != QEvent::MouseButtonRelease)
        return MCBrowsableViewController::eventFilter(object, event);
    const auto *click = static_cast<QMouseEvent *>(event);
    auto *column = qobject_cast<QAbstractItemView *>(static_cast<QWidget *>(object)->parent());
    if (column && click->button() == Qt::LeftButton && click->modifiers() == Qt::NoModifier &&
        !column->indexAt(click->pos()).isValid()) {
        // A click beside the rows of a column goes to the folder it lists, once the column has
        // taken the click.
        const QPointer<QAbstractItemView> clicked(column);
        QTimer::singleShot(0, this, [this, clicked] {
            const MCNodePtr folder = clicked ? folderOfColumn(clicked) : MCNodePtr();
            if (!folder || folder->filePath() == MCHub::sharedHub()->navigation()->currentPath())
                return;
            emit selectedCountChanged(0);
            emit navigationRequested(folder->filePath());
        });
    }
    return MCBrowsableViewController::eventFilter(object, event);
}

void MCColumnController::setColumnSetUp(std::function<void(QAbstractItemView *)> setUp)
{
    m_columnSetUp = std::move(setUp);
    const auto columns = m_browser->findChildren<QAbstractItemView *>();
    for (QAbstractItemView *column : columns) {
        if (column->model() == m_model && m_columnSetUp)
            m_columnSetUp(column);
    }
}

MCNodePtr MCColumnController::folderOfColumn(const QAbstractItemView *column) const
{
    const QModelIndex folder = column->rootIndex();
    return folder.isValid() ? m_model->nodeAt(folder) : currentNode();
}

void MCColumnController::currentChanged(const QModelIndex &current)
{
    const MCNodePtr node = m_model->nodeAt(current);
    if (m_moving || m_rowsGoing || !node || node->isBusy() || node->isPlaceholder())
        return;
    // Choosing a folder browses into it; choosing a file shows the folder that holds it.
    const QString folder =
        node->isDir() && !node->isPackage() ? node->filePath() : node->basePath();
    if (folder != MCHub::sharedHub()->navigation()->currentPath())
        emit navigationRequested(folder);
}

bool MCColumnController::moveToNode(const MCNodePtr &node)
{
    const MCNodePtr root = currentNode();
    const QString path = node->filePath();
    if (!root || !liesUnder(path, root->filePath()))
        return false;
    const MCNodePtr own = path == root->filePath() ? root : updater().nodeAtPath(path);
    if (!own)
        return false;
    if (own->hideHiddenFiles() != node->hideHiddenFiles())
        own->setHideHiddenFiles(node->hideHiddenFiles());
    m_currentFolder = own;
    // Already there: a folder selected alone, or a file in that folder.
    const MCNodePtr shown = m_model->nodeAt(m_browser->currentIndex());
    const QString shownFolder = !shown                                  ? root->filePath()
                                : shown->isDir() && !shown->isPackage() ? shown->filePath()
                                                                        : shown->basePath();
    if (shownFolder != path)
        showFolderInBrowser(own);
    announceChildrenCount();
    return true;
}

void MCColumnController::showFolderInBrowser(const MCNodePtr &folder)
{
    m_moving = true;
    const QModelIndex index = m_model->indexOfNode(folder.data());
    if (index.isValid()) {
        m_browser->setCurrentIndex(index);
    } else {
        m_browser->selectionModel()->clear();
        m_browser->setRootIndex(QModelIndex());
    }
    m_moving = false;
}

void MCColumnController::currentNodeChanged(const MCNodePtr &node)
{
    m_moving = true;
    m_model->setRootNode(node);
    m_moving = false;
    m_currentFolder = node;
    emit selectedCountChanged(0);
}

void MCColumnController::childrenEdited()
{
    m_model->sortAgain();
}

MCNodeList MCColumnController::getSelectedItems() const
{
    MCNodeList selected;
    // The folders along the path stay highlighted in their columns: the selection is what is
    // selected in the column of the current item.
    // Each row once, though a row's selection spans the model's columns.
    const QModelIndex folder = m_browser->currentIndex().parent();
    // The folder's children by row, without an index per row: a large folder has many.
    const MCNodePtr folderNode = folder.isValid() ? m_model->nodeAt(folder) : m_model->rootNode();
    const int rows = m_model->rowCount(folder);
    if (!folderNode || rows > folderNode->children().size())
        return selected;
    const MCNodeList &children = folderNode->children();
    const auto spans = MCSelectedRows::spans(m_browser->selectionModel()->selection(), folder);
    selected.reserve(MCSelectedRows::total(spans));
    for (const auto &span : spans) {
        for (int row = span.first; row <= qMin(span.second, rows - 1); ++row) {
            // Rows being transferred take part in no selection, though a run covers them.
            const MCNodePtr &node = children.at(row);
            if (m_model->isSelectable(node.data()))
                selected.append(node);
        }
    }
    return selected;
}

MCRowSelection MCColumnController::selectedRows() const
{
    // Only the shown folder's own column: a column further right is carried as nodes.
    const QModelIndex folder = m_browser->currentIndex().parent();
    const MCNodePtr root = m_model->rootNode();
    if (folder.isValid() || !root || m_model->rowCount() > root->children().size())
        return {};
    const MCNodeTreeModel *model = m_model;
    return MCRowSelection(
        root, MCSelectedRows::spans(m_browser->selectionModel()->selection(), folder),
        [model](const MCAbstractObjectNode *node) { return model->isSelectable(node); });
}

void MCColumnController::preserveSelection(const MCNodeList &nodes)
{
    selectNodes(nodes);
    if (getSelectedItems().isEmpty())
        showFolderInBrowser(currentFolder());
}

int MCColumnController::preserveSelectedRows(const MCRowSelection &rows)
{
    const QModelIndex first = m_model->index(rows.firstRow(), 0);
    if (!rows.holdsFor(m_model->rootNode()) || !first.isValid())
        return -1;
    m_moving = true;
    m_browser->setCurrentIndex(first);
    m_browser->selectionModel()->select(rows.selection(m_model),
                                        QItemSelectionModel::ClearAndSelect);
    m_moving = false;
    const MCNodeTreeModel *model = m_model;
    const int count =
        rows.count([model](const MCAbstractObjectNode *node) { return model->isSelectable(node); });
    if (!count)
        showFolderInBrowser(currentFolder());
    return count;
}

void MCColumnController::selectNodes(const MCNodeList &nodes)
{
    QVector<QModelIndex> rows;
    rows.reserve(nodes.size());
    QModelIndex first;
    for (const MCNodePtr &node : nodes) {
        if (!node)
            continue;
        const QModelIndex index = m_model->indexOfShownNode(node);
        if (!index.isValid() || (first.isValid() && index.parent() != first.parent()))
            continue;
        if (!first.isValid())
            first = index;
        rows.append(index);
    }
    if (!first.isValid())
        return;
    m_moving = true;
    m_browser->setCurrentIndex(first);
    m_browser->selectionModel()->select(selectionOfRows(rows), QItemSelectionModel::ClearAndSelect);
    m_moving = false;
}

bool MCColumnController::isEditingName() const
{
    const auto editors = m_browser->findChildren<MCIconNameEditor *>();
    return std::any_of(editors.begin(), editors.end(),
                       [](const MCIconNameEditor *editor) { return editor->isVisible(); });
}

void MCColumnController::startRename()
{
    const QModelIndexList selected = m_browser->selectionModel()->selectedIndexes();
    if (selected.size() != 1 || isEditingName())
        return;
    const QModelIndex index = selected.first();
    if (!(index.flags() & Qt::ItemIsEditable))
        return;
    // The column that lists the item's folder edits it.
    if (QAbstractItemView *column = columnListing(index.parent())) {
        column->setFocus();
        column->scrollTo(index);
        column->edit(index);
    }
}

QAbstractItemView *MCColumnController::columnListing(const QModelIndex &folder) const
{
    // The preview column has the model too, and the root as its root: it is no column of ours
    // (columnCreated() gave each of those the delegate).
    const auto columns = m_browser->findChildren<QAbstractItemView *>();
    for (QAbstractItemView *column : columns) {
        if (column->model() == m_model && column->itemDelegate() == m_delegate &&
            column->rootIndex() == folder && column->isVisible())
            return column;
    }
    return nullptr;
}

QWidget *MCColumnController::firstResponder() const
{
    return m_browser;
}

QStringList MCColumnController::shownNames() const
{
    QStringList names;
    const MCNodePtr folder = currentFolder();
    if (!folder)
        return names;
    const QModelIndex parent = m_model->indexOfNode(folder.data());
    for (int row = 0; row < m_model->rowCount(parent); ++row)
        names.append(m_model->index(row, 0, parent).data().toString());
    return names;
}

QRect MCColumnController::selectedRect() const
{
    // The column that lists the current item's folder.
    const QAbstractItemView *column = columnListing(m_browser->currentIndex().parent());
    return column ? selectedRectOf(column) : QRect();
}
