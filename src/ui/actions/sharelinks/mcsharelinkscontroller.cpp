#include "mcsharelinkscontroller.h"

#include "kbbutton.h"
#include "mcactionslog.h"
#include "mcleftidentationcell.h"
#include "mclinkcontrolcellview.h"
#include "mclinks.h"
#include "mcmousedowntextfield.h"
#include "mcsharelinkcell.h"
#include "mcsharelinksmodel.h"
#include "mcstring.h"
#include "mctableheadercell.h"
#include "moconstants.h"
#include "mocorenotification.h"
#include "monotificationcenter.h"
#include "moobjectsmanager.h"
#include "mopreviewmanager.h"
#include "mosharelinknotification.h"

#include <QClipboard>
#include <QGuiApplication>
#include <QHBoxLayout>
#include <QHeaderView>
#include <QLabel>
#include <QLocale>
#include <QMenu>
#include <QPainter>
#include <QScrollBar>
#include <QStyledItemDelegate>
#include <QTableView>
#include <QToolButton>
#include <QUrl>
#include <QVBoxLayout>

namespace {

constexpr int RowHeight = 40;
const char RowProperty[] = "row";

// A date column: the date, and the time under it in a smaller type, set in as the table's
// other text.
class TwoLineCell : public QStyledItemDelegate
{
public:
    using QStyledItemDelegate::QStyledItemDelegate;

    void paint(QPainter *painter, const QStyleOptionViewItem &option,
               const QModelIndex &index) const override
    {
        QStyleOptionViewItem background = option;
        initStyleOption(&background, index);
        background.text.clear();
        option.widget->style()->drawControl(QStyle::CE_ItemViewItem, &background, painter,
                                            option.widget);
        painter->save();
        painter->setPen(index.data(Qt::ForegroundRole).value<QBrush>().color());
        const QRect box =
            MCLeftIdentationCell::titleRectForBounds(option.rect).adjusted(0, 3, -4, -3);
        painter->drawText(box, Qt::AlignLeft | Qt::AlignTop, index.data().toString());
        QFont small = option.font;
        small.setPointSizeF(small.pointSizeF() * 0.85);
        painter->setFont(small);
        painter->drawText(box, Qt::AlignLeft | Qt::AlignBottom,
                          index.data(MCShareLinksModel::SecondLineRole).toString());
        painter->restore();
    }
};

// A column whose cells are widgets: only the row's background is painted under them.
class BackgroundCell : public QStyledItemDelegate
{
public:
    using QStyledItemDelegate::QStyledItemDelegate;

protected:
    void initStyleOption(QStyleOptionViewItem *option, const QModelIndex &index) const override
    {
        QStyledItemDelegate::initStyleOption(option, index);
        option->text.clear();
        option->icon = QIcon();
        option->features &=
            ~(QStyleOptionViewItem::HasDisplay | QStyleOptionViewItem::HasDecoration);
    }
};

// Share links point at the service's web pages; nothing else is handed to the desktop.
bool isWebLink(const QUrl &url)
{
    const QString scheme = url.scheme().toLower();
    return scheme == QLatin1String("http") || scheme == QLatin1String("https");
}

QPixmap iconForFilePath(const QString &path, const QIcon &fallback)
{
    const QString thumbnail = MOPreviewManager::defaultManager()->getCachedFilePath(path, 128);
    QPixmap image;
    if (!thumbnail.isEmpty() && image.load(thumbnail))
        return image.scaled(32, 32, Qt::KeepAspectRatio, Qt::SmoothTransformation);
    return fallback.pixmap(32, 32);
}

} // namespace

MCShareLinksController::MCShareLinksController(MOObjectsManager *objects,
                                               MONotificationCenter *coreMessages, QWidget *parent)
    : QWidget(parent)
    , m_objects(objects)
    , m_model(new MCShareLinksModel(this))
    , m_tableView(new QTableView(this))
    , m_header(new MCTableHeaderCell(m_tableView))
    , m_textStatus(new QLabel(this))
    , m_buttonReload(new KBButton(tr("Reload"), this))
    , m_linksMenu(new QMenu(this))
{
    setObjectName(QStringLiteral("shareLinksController"));
    m_tableView->setObjectName(QStringLiteral("tableView"));
    m_textStatus->setObjectName(QStringLiteral("textStatus"));
    m_buttonReload->setObjectName(QStringLiteral("buttonReload"));
    m_buttonReload->setKBButtonType(0);
    m_textStatus->setTextFormat(Qt::PlainText);

    m_tableView->setHorizontalHeader(m_header);
    m_tableView->setModel(m_model);
    m_tableView->verticalHeader()->hide();
    m_tableView->verticalHeader()->setSectionResizeMode(QHeaderView::Fixed);
    m_tableView->verticalHeader()->setDefaultSectionSize(RowHeight);
    m_tableView->setSelectionBehavior(QAbstractItemView::SelectRows);
    m_tableView->setSelectionMode(QAbstractItemView::SingleSelection);
    m_tableView->setEditTriggers(QAbstractItemView::NoEditTriggers);
    m_tableView->setShowGrid(false);
    m_tableView->setCornerButtonEnabled(false);
    m_tableView->setWordWrap(false);
    auto *dates = new TwoLineCell(m_tableView);
    m_tableView->setItemDelegateForColumn(MCShareLinksModel::CreatedAtColumn, dates);
    m_tableView->setItemDelegateForColumn(MCShareLinksModel::ExpiresAtColumn, dates);
    m_tableView->setItemDelegateForColumn(MCShareLinksModel::VisitCountColumn,
                                          new MCLeftIdentationCell(m_tableView));
    auto *widgets = new BackgroundCell(m_tableView);
    m_tableView->setItemDelegateForColumn(MCShareLinksModel::FilenameColumn, widgets);
    m_tableView->setItemDelegateForColumn(MCShareLinksModel::ActionsColumn, widgets);
    m_header->setSectionResizeMode(MCShareLinksModel::FilenameColumn, QHeaderView::Stretch);
    m_header->resizeSection(MCShareLinksModel::CreatedAtColumn, 120);
    m_header->resizeSection(MCShareLinksModel::ExpiresAtColumn, 120);
    m_header->resizeSection(MCShareLinksModel::VisitCountColumn, 70);
    m_header->resizeSection(MCShareLinksModel::ActionsColumn, 90);
    m_header->setSortIndicatorShown(true);
    m_header->setSortIndicator(m_sortColumn, m_sortOrder);
    connect(m_header, &QHeaderView::sectionClicked, this, &MCShareLinksController::orderByColumn);

    m_copyAction =
        m_linksMenu->addAction(tr("Copy Link"), this, [this] { copyToClipboard(m_clickedRow); });
    m_openAction = m_linksMenu->addAction(tr("Open in Browser"), this,
                                          [this] { openInBrowser(m_clickedRow); });
    m_emailAction = m_linksMenu->addAction(tr("Send by E-mail..."), this,
                                           [this] { sendByEmail(m_clickedRow); });
    m_tableView->setContextMenuPolicy(Qt::CustomContextMenu);
    connect(m_tableView, &QWidget::customContextMenuRequested, this,
            &MCShareLinksController::showContextMenu);

    auto *bottom = new QHBoxLayout;
    bottom->setContentsMargins(8, 4, 8, 4);
    bottom->addWidget(m_textStatus, 1);
    bottom->addWidget(m_buttonReload);
    auto *layout = new QVBoxLayout(this);
    layout->setContentsMargins(0, 0, 0, 0);
    layout->setSpacing(0);
    layout->addWidget(m_tableView, 1);
    layout->addLayout(bottom);
    connect(m_buttonReload, &QPushButton::clicked, this, &MCShareLinksController::doRequestList);

    // Rows carry their widgets while they are on screen only, so that a long list stays cheap.
    connect(m_model, &QAbstractItemModel::modelReset, this,
            &MCShareLinksController::bindVisibleRows, Qt::QueuedConnection);
    connect(m_model, &QAbstractItemModel::dataChanged, this, [this](const QModelIndex &topLeft) {
        if (m_tableView->indexWidget(topLeft.siblingAtColumn(MCShareLinksModel::FilenameColumn)))
            fillRow(topLeft.row());
    });
    connect(m_tableView->verticalScrollBar(), &QScrollBar::valueChanged, this,
            &MCShareLinksController::bindVisibleRows);

    if (m_objects) {
        m_objects->notificationCenter()->addObserver(this, &MCShareLinksController::receivedList,
                                                     MOObjectsDidGetShareLinksListNotification);
        m_objects->notificationCenter()->addObserver(this, &MCShareLinksController::revokedLink,
                                                     MOObjectsDidGetShareLinkRevokedNotification);
    }
    // The rows shown are the last list had; the status line says the newer one failed.
    if (coreMessages)
        coreMessages->addObserver(
            this, MONotification, nullptr, [this](const MOPostedNotification &notification) {
                const MOCoreNotification message(notification);
                if (message.type() == MOCoreNotification::Error &&
                    message.action() == MOCoreNotification::ListShareLinks)
                    m_textStatus->setText(
                        tr("Could not list the share links. Click Reload to try again."));
            });
}

MCShareLinksController::~MCShareLinksController() = default;

QString MCShareLinksController::title() const
{
    return QStringLiteral("links://");
}

void MCShareLinksController::showEvent(QShowEvent *event)
{
    QWidget::showEvent(event);
    // Links are made elsewhere too (other devices, the web): every visit asks for the list.
    doRequestList();
    bindVisibleRows();
}

void MCShareLinksController::doRequestList()
{
    if (m_objects)
        m_objects->getShareLinksListWithLimit(ListLimit, 0, QVariant());
}

void MCShareLinksController::receivedList(const MOPostedNotification &notification)
{
    receivedLinks(MOShareLinkNotification(notification).links());
}

void MCShareLinksController::receivedLinks(const QList<MOShareLink> &links)
{
    m_model->setLinks(links);
    const QDateTime now = QDateTime::currentDateTime();
    QString time = QLocale().timeFormat(QLocale::ShortFormat);
    if (!time.contains(QLatin1String("ss")))
        time.replace(QLatin1String("mm"), QLatin1String("mm:ss"));
    m_textStatus->setText(tr("Updated at %1")
                              .arg(QLocale().toString(now.date(), QLocale::LongFormat) +
                                   QLatin1Char(' ') + QLocale().toString(now.time(), time)));
    // After every list: latest expiry first.
    m_sortColumn = MCShareLinksModel::ExpiresAtColumn;
    m_sortOrder = Qt::AscendingOrder;
    orderByColumn(MCShareLinksModel::ExpiresAtColumn);
}

void MCShareLinksController::revokedLink(const MOPostedNotification &notification)
{
    m_model->applyRevocation(MOShareLinkNotification(notification).revokedLink());
}

void MCShareLinksController::orderByColumn(int column)
{
    const Qt::SortOrder order = m_sortColumn == column && m_sortOrder == Qt::AscendingOrder
                                    ? Qt::DescendingOrder
                                    : Qt::AscendingOrder;
    if (m_model->orderByColumn(column, order)) {
        m_sortColumn = column;
        m_sortOrder = order;
    }
    // The header turns its indicator on a click by itself; it shows the order in force.
    m_header->setSortIndicator(m_sortColumn, m_sortOrder);
}

void MCShareLinksController::bindVisibleRows()
{
    if (!isVisible() || m_model->rowCount() == 0)
        return;
    const int first = qMax(0, m_tableView->rowAt(0));
    int last = m_tableView->rowAt(m_tableView->viewport()->height() - 1);
    if (last < 0)
        last = m_model->rowCount() - 1;
    for (int row = first; row <= last; ++row)
        fillRow(row);
    // Rows well off screen give their widgets back.
    for (int row = 0; row < m_model->rowCount(); ++row) {
        if (row >= first - 20 && row <= last + 20)
            continue;
        const QModelIndex name = m_model->index(row, MCShareLinksModel::FilenameColumn);
        if (m_tableView->indexWidget(name)) {
            m_tableView->setIndexWidget(name, nullptr);
            m_tableView->setIndexWidget(m_model->index(row, MCShareLinksModel::ActionsColumn),
                                        nullptr);
        }
    }
}

void MCShareLinksController::fillRow(int row)
{
    if (row < 0 || row >= m_model->rowCount())
        return;
    const QModelIndex nameIndex = m_model->index(row, MCShareLinksModel::FilenameColumn);
    const QModelIndex actionsIndex = m_model->index(row, MCShareLinksModel::ActionsColumn);
    auto *cell = qobject_cast<MCShareLinkCell *>(m_tableView->indexWidget(nameIndex));
    auto *control = qobject_cast<MCLinkControlCellView *>(m_tableView->indexWidget(actionsIndex));
    if (!cell) {
        cell = new MCShareLinkCell;
        connect(cell->hyperlinkTextField(), &MCMouseDownTextField::mouseDownTextFieldClicked, this,
                [this](MCMouseDownTextField *field) {
                    openInBrowser(field->property(RowProperty).toInt());
                });
        connect(cell->buttonGoToFile(), &QToolButton::clicked, this, [this, cell] {
            const int at = cell->buttonGoToFile()->property(RowProperty).toInt();
            emit goToFileRequested(m_model->linkAt(at).filePath());
        });
        m_tableView->setIndexWidget(nameIndex, cell);
    }
    if (!control) {
        control = new MCLinkControlCellView;
        connect(control->buttonRevoke(), &QPushButton::clicked, this, [this, control] {
            revokeShareLink(control->buttonRevoke()->property(RowProperty).toInt());
        });
        m_tableView->setIndexWidget(actionsIndex, control);
    }
    const bool inactive = m_model->isInactive(row);
    const QString name = MCString::stringForName(nameIndex.data().toString());
    cell->setName(name);
    cell->hyperlinkTextField()->setVisible(!inactive);
    cell->hyperlinkTextField()->setProperty(RowProperty, row);
    cell->textField()->setVisible(inactive);
    const QString pathLine = nameIndex.data(MCShareLinksModel::SecondLineRole).toString();
    cell->additionalTextfield()->setText(pathLine);
    cell->additionalTextfield()->setToolTip(MCString::stringForToolTip(pathLine));
    cell->buttonGoToFile()->setProperty(RowProperty, row);
    // The icon (a thumbnail look-up) only when the row shows another file than before.
    if (cell->property("path").toString() != m_model->linkAt(row).filePath()) {
        cell->setProperty("path", m_model->linkAt(row).filePath());
        cell->imageView()->setPixmap(iconForFilePath(
            m_model->linkAt(row).filePath(), nameIndex.data(Qt::DecorationRole).value<QIcon>()));
    }
    control->buttonRevoke()->setProperty(RowProperty, row);
    control->buttonRevoke()->setVisible(!inactive);
}

bool MCShareLinksController::updateLinksMenu(int row)
{
    const bool show = row >= 0 && row < m_model->rowCount() && !m_model->isExpired(row);
    for (QAction *action : {m_copyAction, m_openAction, m_emailAction})
        action->setVisible(show);
    m_clickedRow = show ? row : -1;
    return show;
}

void MCShareLinksController::showContextMenu(const QPoint &position)
{
    const int row = m_tableView->indexAt(position).row();
    if (updateLinksMenu(row))
        m_linksMenu->popup(m_tableView->viewport()->mapToGlobal(position));
}

void MCShareLinksController::revokeShareLink(int row)
{
    if (row >= 0 && row < m_model->rowCount() && m_objects)
        m_objects->revokeShareLinkForToken(m_model->linkAt(row).token(), QVariant());
}

void MCShareLinksController::openInBrowser(int row)
{
    if (row < 0 || row >= m_model->rowCount())
        return;
    const QUrl url(m_model->linkAt(row).publicUri());
    if (!isWebLink(url)) {
        qCWarning(lcActions) << "Refused to open a share link with scheme" << url.scheme();
        return;
    }
    MCLinks::open(url);
}

void MCShareLinksController::copyToClipboard(int row)
{
    if (row < 0 || row >= m_model->rowCount())
        return;
    QGuiApplication::clipboard()->setText(m_model->linkAt(row).publicUri());
    m_textStatus->setText(tr("Link copied to the clipboard"));
}

void MCShareLinksController::sendByEmail(int row)
{
    if (row >= 0 && row < m_model->rowCount())
        emit sendByEmailRequested(QUrl(m_model->linkAt(row).publicUri()),
                                  m_model->linkAt(row).filePath());
}
