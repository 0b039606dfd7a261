#include "mcchatfilescontroller.h"

#include "mcchatfilesfilter.h"
#include "mcchatfilesmodel.h"
#include "mcfunctions.h"
#include "mcoptions.h"
#include "mcsidepanellog.h"
#include "mcthirdpartyservicesdiscoverer.h"
#include "moobjectsmanager.h"

#include <QAction>
#include <QDesktopServices>
#include <QFileInfo>
#include <QHeaderView>
#include <QMenu>
#include <QMimeDatabase>
#include <QTableView>
#include <QUrl>
#include <QVBoxLayout>

MCChatFilesController::MCChatFilesController(const QString &ownEmail, MOObjectsManager *objects,
                                             MCThirdPartyServicesDiscoverer *discoverer,
                                             MCOptions *options, AlertPresenter *alerts,
                                             QWidget *parent)
    : QWidget(parent)
    , m_files(new MCChatFilesModel(ownEmail, this))
    , m_filter(new MCChatFilesFilter(this))
    , m_tableView(new QTableView(this))
    , m_menu(new QMenu(this))
    , m_objects(objects)
    , m_discoverer(discoverer)
    , m_options(options)
    , m_alerts(alerts)
{
    m_filter->setSourceModel(m_files);
    m_tableView->setObjectName(QStringLiteral("filesTableView"));
    m_tableView->setModel(m_filter);
    m_tableView->setSelectionBehavior(QAbstractItemView::SelectRows);
    m_tableView->setSelectionMode(QAbstractItemView::SingleSelection);
    m_tableView->setEditTriggers(QAbstractItemView::NoEditTriggers);
    m_tableView->setShowGrid(false);
    m_tableView->verticalHeader()->hide();
    m_tableView->horizontalHeader()->setSectionResizeMode(MCChatFilesModel::Name,
                                                          QHeaderView::Stretch);
    // A narrow panel: the name takes what the person and the date leave. The date is read
    // whole ("Yesterday 23:59"); cut, it says nothing.
    m_tableView->horizontalHeader()->resizeSection(MCChatFilesModel::Person, 80);
    m_tableView->horizontalHeader()->setSectionResizeMode(MCChatFilesModel::Date,
                                                          QHeaderView::ResizeToContents);
    m_tableView->horizontalHeader()->setSectionResizeMode(MCChatFilesModel::Status,
                                                          QHeaderView::ResizeToContents);
    m_tableView->setWordWrap(false);
    m_tableView->setTextElideMode(Qt::ElideMiddle);
    m_tableView->setContextMenuPolicy(Qt::CustomContextMenu);
    connect(m_tableView, &QWidget::customContextMenuRequested, this,
            &MCChatFilesController::showMenu);
    connect(m_tableView, &QAbstractItemView::doubleClicked, this,
            [this](const QModelIndex &index) { openRow(index.row()); });

    m_menu->setObjectName(QStringLiteral("menu"));
    m_menuItemOpenFile = m_menu->addAction(tr("Open File"));
    m_menuItemOpenFile->setObjectName(QStringLiteral("menuItemOpenFile"));
    connect(m_menuItemOpenFile, &QAction::triggered, this, [this] { openRow(m_clickedRow); });
    m_menu->addSeparator();
    const QStringList titles = {tr("Received Files"), tr("Sent Files"), tr("Pending Files")};
    for (int tag = 0; tag < titles.size(); ++tag) {
        QAction *item = m_menu->addAction(titles.at(tag));
        item->setCheckable(true);
        item->setData(tag);
        item->setChecked(m_filter->shows(MCChatFilesFilter::Kind(tag)));
        connect(item, &QAction::triggered, this, &MCChatFilesController::filterTable);
        m_filterItems.append(item);
    }

    auto *layout = new QVBoxLayout(this);
    layout->setContentsMargins(0, 0, 0, 0);
    layout->addWidget(m_tableView);
}

void MCChatFilesController::setEntity(MCSocialEntity *entity)
{
    m_files->setEntity(entity);
}

QAction *MCChatFilesController::filterItem(int tag) const
{
    return m_filterItems.value(tag);
}

void MCChatFilesController::filterTable()
{
    for (QAction *item : qAsConst(m_filterItems))
        m_filter->setShows(MCChatFilesFilter::Kind(item->data().toInt()), item->isChecked());
}

void MCChatFilesController::menuNeedsUpdate(int row)
{
    m_clickedRow = row;
    m_menuItemOpenFile->setVisible(row >= 0);
    if (row < 0)
        return;
    const bool pending = m_filter->index(row, 0).data(MCChatFilesModel::PendingRole).toBool();
    m_menuItemOpenFile->setText(pending ? tr("Go to pending invite...") : tr("Open File"));
}

void MCChatFilesController::showMenu(const QPoint &position)
{
    menuNeedsUpdate(m_tableView->indexAt(position).row());
    m_menu->popup(m_tableView->viewport()->mapToGlobal(position));
}

void MCChatFilesController::openRow(int row)
{
    if (row < 0 || row >= m_filter->rowCount())
        return;
    const MOCollaboration file =
        m_files->collaboration(m_filter->mapToSource(m_filter->index(row, 0)).row());
    if (m_files->isPending(file)) {
        emit scrollToEntryRequested(file);
        return;
    }
    const QString path = MCChatFilesModel::resourcePath(file);
    if (path.isEmpty())
        return;
    const QString provider = file.sourceProvider();
    const QPointer<MCChatFilesController> self(this);
    const QPointer<MOObjectsManager> objects = m_objects;
    const auto open = [self, objects, path, provider](bool confirmed) {
        if (!confirmed)
            return;
        if (!provider.isEmpty()) {
            if (self)
                self->openProviderFile(path, provider);
        } else if (objects) {
            objects->openObjectAtPath(path);
        }
    };
    if (m_options && m_alerts)
        MCFunctions::ifArchiveAskUser(path, *m_options, *m_alerts, window(), open);
    else
        open(!MCFunctions::isArchive(path)); // nobody to ask: archives stay closed
}

bool MCChatFilesController::openProviderFile(const QString &path, const QString &provider)
{
    const QString local = m_discoverer ? m_discoverer->filePathForPath(path, provider) : QString();
    const QFileInfo info(local);
    const QString type = QMimeDatabase().mimeTypeForFile(info).name();
    // A launcher or a program received from someone else is not started by a double-click.
    const bool runnable = info.isExecutable() || type == QLatin1String("application/x-desktop") ||
                          type == QLatin1String("application/x-executable") ||
                          type == QLatin1String("application/x-shellscript");
    // A link inside the folder may point anywhere: where it leads must be inside too.
    const bool inside =
        !local.isEmpty() && m_discoverer->serviceForPath(info.canonicalFilePath()) == provider;
    if (!inside || !info.isFile() || runnable) {
        qCWarning(lcSidePanel) << "Refused to open a" << provider << "file that is not a document";
        return false;
    }
    return QDesktopServices::openUrl(QUrl::fromLocalFile(info.canonicalFilePath()));
}
