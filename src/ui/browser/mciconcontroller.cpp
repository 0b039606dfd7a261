#include "mciconcontroller.h"

#include "mcicongridview.h"
#include "mciconitemdelegate.h"
#include "mciconitemmodel.h"
#include "mciconkeyhandler.h"
#include "mciconnameeditor.h"
#include "mcoptions.h"
#include "mcpreviewgenerator.h"
#include "mcselectedrows.h"

#include <QItemSelectionModel>
#include <QListView>
#include <QVBoxLayout>

namespace {

const QString LabelPosition = QStringLiteral("LabelPosition");
const QString IconSize = QStringLiteral("IconSize");
const QString ViewStyle = QStringLiteral("ViewStyle");
const QString TextSize = QStringLiteral("TextSize");
const QString IconPreview = QStringLiteral("IconPreview");
const QString SortBy = QStringLiteral("SortBy");
const QString ShowAdditionalInfo = QStringLiteral("ShowAdditionalInfo");
const QString AdditionalInfoType = QStringLiteral("AdditionalInfoType");

// The icon box inside an item of the option's size: the rest holds two lines of name.
int iconBoxFor(int itemSize)
{
    return qMax(32, itemSize - 44);
}

} // namespace

MCIconController::MCIconController(MOObjectsManager *objectsManager, MCOptions *options,
                                   MCPreviewGenerator *previews, QWidget *parent)
    : MCBrowsableViewController(objectsManager, parent)
    , m_options(options)
    , m_collectionView(new MCIconGridView(this))
    , m_model(new MCIconItemModel(this))
    , m_delegate(new MCIconItemDelegate(this))
{
    setObjectName(QStringLiteral("iconController"));
    m_collectionView->setObjectName(QStringLiteral("collectionView"));
    auto *layout = new QVBoxLayout(this);
    layout->setContentsMargins(0, 0, 0, 0);
    layout->addWidget(m_collectionView);

    m_collectionView->setViewMode(QListView::IconMode);
    m_collectionView->setMovement(QListView::Static);
    m_collectionView->setResizeMode(QListView::Adjust);
    m_collectionView->setFlow(QListView::LeftToRight);
    m_collectionView->setWrapping(true);
    m_collectionView->setUniformItemSizes(true);
    m_collectionView->setSelectionMode(QAbstractItemView::ExtendedSelection);
    m_collectionView->setEditTriggers(QAbstractItemView::NoEditTriggers);
    m_collectionView->setModel(m_model);
    m_collectionView->setItemDelegate(m_delegate);
    m_model->setPreviewGenerator(previews);

    connect(m_collectionView->selectionModel(), &QItemSelectionModel::selectionChanged, this,
            [this] {
                emit selectedCountChanged(
                    MCSelectedRows::count(m_collectionView->selectionModel()->selection()));
            });
    // Opening and naming in place.
    connect(m_collectionView, &QListView::doubleClicked, this, &MCIconController::doubleClick);
    auto *keys = new MCIconKeyHandler(m_collectionView);
    connect(keys, &MCIconKeyHandler::renameRequested, this, &MCIconController::startRename);
    connect(keys, &MCIconKeyHandler::openRequested, this,
            [this] { openNodes(getSelectedItems()); });
    connect(m_delegate, &MCIconItemDelegate::nameEdited, this,
            [this](const MCNodePtr &node, const QString &text) { endNameEditing(node, text); });
    connect(m_delegate, &MCIconItemDelegate::nameEditCancelled, this,
            &MCIconController::cancelNameEditing);
    m_collectionView->setContextMenuPolicy(Qt::CustomContextMenu);
    connect(m_collectionView, &QWidget::customContextMenuRequested, this,
            &MCIconController::contextMenuRequested);
    loadOptions();
    if (m_options) {
        connect(m_options, &MCOptions::valueChanged, this,
                [this](const QString &dictionary, const QString &key, const QVariant &value) {
                    if (dictionary != MCOptions::IconController)
                        return;
                    // The size slider and the View Options window write these.
                    if (key == IconSize)
                        setIconSize(value.toInt());
                    else if (key == LabelPosition || key == ViewStyle || key == IconPreview ||
                             key == ShowAdditionalInfo || key == AdditionalInfoType)
                        applyLook();
                });
    }
}

MCIconController::~MCIconController() = default;

void MCIconController::loadOptions()
{
    // Read in this order, each default written when the key is absent.
    const QList<QPair<QString, QVariant>> defaults = {{LabelPosition, 0}, {IconSize, 140},
                                                      {ViewStyle, 1},     {TextSize, 12},
                                                      {IconPreview, 1},   {SortBy, 10}};
    QVariantMap values;
    for (const auto &entry : defaults) {
        QVariant value = entry.second;
        if (m_options) {
            if (!m_options->contains(MCOptions::IconController, entry.first))
                m_options->setValue(MCOptions::IconController, entry.first, entry.second);
            value = m_options->value(MCOptions::IconController, entry.first, entry.second);
        }
        values.insert(entry.first, value);
    }
    applyLook();
    setSortType(values.value(SortBy).toLongLong());
}

void MCIconController::applyLook()
{
    const auto option = [this](const QString &key, const QVariant &fallback) {
        return m_options ? m_options->value(MCOptions::IconController, key, fallback) : fallback;
    };
    m_delegate->setLabelPosition(option(LabelPosition, 0).toInt() == 0
                                     ? MCIconItemDelegate::LabelBelow
                                     : MCIconItemDelegate::LabelRight);
    setIconSize(option(IconSize, 140).toInt());
    const uint style = option(ViewStyle, 1).toUInt();
    m_delegate->setViewStyle(style);
    QPalette palette = m_collectionView->palette();
    palette.setColor(QPalette::Base, style == 1 ? QColor(Qt::white) : QColor(66, 66, 66));
    m_collectionView->setPalette(palette);
    m_model->setShowPreview(option(IconPreview, 1).toBool());
    // The extra line under each name: "AdditionalInfoType" alone decides (View Options writes
    // -1 when the line is not wanted).
    showAdditionalInfo(option(AdditionalInfoType, QVariant()));
    m_collectionView->viewport()->update();
}

void MCIconController::additionalFileInfoChangedTo(qint64 type)
{
    if (m_options)
        m_options->setValue(MCOptions::IconController, AdditionalInfoType, type);
    else
        showAdditionalInfo(type);
}

void MCIconController::showAdditionalInfo(const QVariant &type)
{
    bool known = false;
    const int kind = type.toInt(&known);
    const bool shown = type.isValid() && known && kind >= 0 && kind <= 3;
    m_model->setAdditionalInfoType(shown ? QVariant(kind) : QVariant());
    if (m_delegate->showsAdditionalInfo() != shown) {
        m_delegate->setShowsAdditionalInfo(shown);
        setIconSize(m_iconSide);
    }
}

void MCIconController::setIconSize(int size)
{
    if (size <= 0)
        return;
    m_iconSide = size;
    const int box = iconBoxFor(size);
    m_delegate->setIconSize(box);
    m_model->setIconSize(box);
    // The info line under the names takes a small line more.
    const int info = m_delegate->showsAdditionalInfo() ? fontMetrics().lineSpacing() : 0;
    const QSize item = m_delegate->labelPosition() == MCIconItemDelegate::LabelBelow
                           ? QSize(size, size + info)
                           : QSize(qRound(size * 2.5), size + info);
    m_collectionView->setGridSize(item);
    m_collectionView->setIconSize(QSize(box, box));
    m_collectionView->doItemsLayout();
}

qint64 MCIconController::sortType() const
{
    return m_options ? m_options->value(MCOptions::IconController, SortBy, 10).toLongLong()
                     : m_model->sortType();
}

void MCIconController::setSortType(qint64 sortType)
{
    // Codes the model refuses (16, 17 among them by the model's choice) keep the order.
    m_model->setSortType(int(sortType));
    if (m_options)
        m_options->setValue(MCOptions::IconController, SortBy, sortType);
    emit sortTypeChanged(sortType);
}

bool MCIconController::showPreview() const
{
    return m_model->showPreview();
}

QRect MCIconController::selectedRect() const
{
    return selectedRectOf(m_collectionView);
}

MCNodeList MCIconController::getSelectedItems() const
{
    MCNodeList selected;
    const MCNodePtr root = m_model->rootNode();
    if (!root)
        return selected;
    // The shown folder's children by row, without an index per row: a large folder has many.
    const MCNodeList &children = root->children();
    const auto spans = MCSelectedRows::spans(m_collectionView->selectionModel()->selection(),
                                             m_collectionView->rootIndex());
    selected.reserve(MCSelectedRows::total(spans));
    for (const auto &span : spans) {
        for (int row = span.first; row <= qMin(span.second, children.size() - 1); ++row) {
            // A busy node (being renamed, created or uploaded) takes part in no action.
            const MCNodePtr &node = children.at(row);
            if (!node->isBusy())
                selected.append(node);
        }
    }
    return selected;
}

MCRowSelection MCIconController::selectedRows() const
{
    const MCNodePtr root = m_model->rootNode();
    if (!root)
        return {};
    return MCRowSelection(root,
                          MCSelectedRows::spans(m_collectionView->selectionModel()->selection(),
                                                m_collectionView->rootIndex()),
                          [](const MCAbstractObjectNode *node) { return !node->isBusy(); });
}

void MCIconController::preserveSelection(const MCNodeList &nodes)
{
    selectNodes(nodes);
}

int MCIconController::preserveSelectedRows(const MCRowSelection &rows)
{
    if (!rows.holdsFor(m_model->rootNode()))
        return -1;
    m_collectionView->selectionModel()->select(rows.selection(m_model),
                                               QItemSelectionModel::ClearAndSelect);
    return rows.count([](const MCAbstractObjectNode *node) { return !node->isBusy(); });
}

void MCIconController::selectNodes(const MCNodeList &nodes)
{
    QVector<QModelIndex> rows;
    rows.reserve(nodes.size());
    const MCNodePtr root = m_model->rootNode();
    for (const MCNodePtr &node : nodes) {
        if (!node)
            continue;
        // The shown folder's own nodes (a view switch hands them over) by their row.
        const int row = root && node->parent() == root ? root->rowOfChild(node.data()) : -1;
        const QModelIndex index =
            row >= 0 ? m_model->index(row) : m_model->indexOfPath(node->filePath());
        if (index.isValid())
            rows.append(index);
    }
    m_collectionView->selectionModel()->select(selectionOfRows(rows),
                                               QItemSelectionModel::ClearAndSelect);
}

QWidget *MCIconController::firstResponder() const
{
    return m_collectionView;
}

QStringList MCIconController::shownNames() const
{
    QStringList names;
    for (int row = 0; row < m_model->rowCount(); ++row)
        names.append(m_model->index(row).data().toString());
    return names;
}

void MCIconController::currentNodeChanged(const MCNodePtr &node)
{
    m_model->setRootNode(node);
    emit selectedCountChanged(0);
}

void MCIconController::doubleClick(const QModelIndex &index)
{
    const MCNodePtr node = m_model->nodeAt(index);
    if (!node || node->isBusy() || node->isPlaceholder())
        return;
    openNodes({node});
}

bool MCIconController::isEditingName() const
{
    // A closed editor is hidden at once and deleted later.
    const auto editors = m_collectionView->viewport()->findChildren<MCIconNameEditor *>();
    return std::any_of(editors.begin(), editors.end(),
                       [](const MCIconNameEditor *editor) { return editor->isVisible(); });
}

void MCIconController::startRename()
{
    QModelIndexList selected = m_collectionView->selectionModel()->selectedIndexes();
    selected.erase(std::remove_if(selected.begin(), selected.end(),
                                  [](const QModelIndex &index) {
                                      return index.data(MCIconItemModel::BusyRole).toBool();
                                  }),
                   selected.end());
    if (selected.size() != 1 || isEditingName())
        return;
    const QModelIndex index = selected.first();
    if (!(index.flags() & Qt::ItemIsEditable))
        return;
    m_collectionView->scrollTo(index);
    m_collectionView->setFocus();
    m_collectionView->edit(index);
}

void MCIconController::contextMenuRequested(const QPoint &pos)
{
    popUpContextMenu(m_collectionView, pos);
}

QModelIndex MCIconController::indexOfPath(const QString &path) const
{
    return m_model->indexOfPath(path);
}
