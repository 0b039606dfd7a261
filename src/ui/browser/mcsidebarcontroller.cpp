#include "mcsidebarcontroller.h"

#include "alertpresenter.h"
#include "mcbrowsableviewcontroller.h"
#include "mcbrowserlog.h"
#include "mccontact.h"
#include "mcdropactions.h"
#include "mcgroup.h"
#include "mchub.h"
#include "mcinbox.h"
#include "mcnavigation.h"
#include "mcoutlineviewsidebar.h"
#include "mcpasteboard.h"
#include "mcpeople.h"
#include "mcsessionservices.h"
#include "mcsidebarbadgedelegate.h"
#include "mcsocialentity.h"
#include "mcthirdpartyservicesdiscoverer.h"
#include "mctransferstarter.h"
#include "moapplication.h"
#include "mocollaborationmanager.h"
#include "mocontactsmanager.h"

#include <QDesktopServices>
#include <QGuiApplication>
#include <QPointer>
#include <QVBoxLayout>

namespace {

const QString Home = QStringLiteral("home");
const int SentInvitationsLimit = 1000;

} // namespace

MCSidebarController::MCSidebarController(QWidget *parent)
    : QWidget(parent)
    , m_navigation(MCHub::sharedHub()->navigation())
    , m_people(MCHub::sharedHub()->people())
    , m_services(MCHub::sharedHub()->services())
    , m_transfers(MCHub::sharedHub()->transfers())
    , m_model(new MCSidebarModel(MCHub::sharedHub()->counters(), MCHub::sharedHub()->inbox(), this))
    , m_outline(new MCOutlineViewSidebar(this))
{
    auto *layout = new QVBoxLayout(this);
    layout->setContentsMargins(0, 0, 0, 0);
    layout->addWidget(m_outline);
    m_outline->setModel(m_model);
    m_outline->setItemDelegate(new MCSidebarBadgeDelegate(m_outline));
    m_outline->expandAll();
    // A reset (new contacts) collapses the groups: open them again.
    connect(m_model, &QAbstractItemModel::modelReset, m_outline, &QTreeView::expandAll);
    // A group opened while empty has nothing to open: its first rows open it.
    connect(m_model, &QAbstractItemModel::rowsInserted, this,
            [this](const QModelIndex &parent, int first, int last) {
                if (m_model->rowCount(parent) == last - first + 1)
                    m_outline->expand(parent);
            });
    m_outline->setDropHandlers(
        [this](const QModelIndex &index, const QMimeData *data, bool optionHeld) {
            return validateDrop(index, data, optionHeld);
        },
        [this](const QModelIndex &index, const QMimeData *data, bool optionHeld) {
            return acceptDrop(index, data, optionHeld);
        });
    connect(m_outline, &QAbstractItemView::clicked, this, &MCSidebarController::rowClicked);
    connect(qGuiApp, &QGuiApplication::applicationStateChanged, this,
            &MCSidebarController::applicationStateChanged);
    applicationStateChanged(QGuiApplication::applicationState());
    m_outline->setEnabled(false);
    // At sign-in the people come in hundreds of answers handled in one turn of the event
    // loop: the group is rebuilt once after them, not once per answer.
    m_socialUpdate.setSingleShot(true);
    m_socialUpdate.setInterval(0);
    connect(&m_socialUpdate, &QTimer::timeout, this,
            qOverload<>(&MCSidebarController::updateSocial));
    connect(m_people, &MCPeople::contactsChanged, &m_socialUpdate, qOverload<>(&QTimer::start));
    connect(m_people, &MCPeople::groupsChanged, &m_socialUpdate, qOverload<>(&QTimer::start));
    updateSocial();
}

void MCSidebarController::setSelectionDisabled(bool disabled)
{
    m_selectionDisabled = disabled;
    m_outline->setEnabled(!disabled);
}

void MCSidebarController::rowClicked(const QModelIndex &index)
{
    // Nothing is chosen before sign-in nor before the first folder arrived; group titles
    // are not places.
    if (m_selectionDisabled || m_navigation->currentPath().isEmpty() ||
        !(m_model->flags(index) & Qt::ItemIsSelectable))
        return;
    const QString place = index.data(MCSidebarModel::PlaceRole).toString();
    const int kind = index.data(MCSidebarModel::KindRole).toInt();
    if ((kind == MCSidebarModel::Contact || kind == MCSidebarModel::Group) &&
        place == m_navigation->notBrowsablePath()) {
        emit shownChatClicked(place);
        return;
    }
    select(index);
    emit placeChosen(place);
    // A choice nothing answered (a page not there) leaves the selection on what is shown.
    checkCorrectSelection();
}

void MCSidebarController::select(const QModelIndex &index)
{
    QItemSelectionModel *selection = m_outline->selectionModel();
    if (!index.isValid()) {
        selection->clear();
        return;
    }
    selection->select(index, QItemSelectionModel::ClearAndSelect);
    selection->setCurrentIndex(index, QItemSelectionModel::NoUpdate);
}

QModelIndex MCSidebarController::selectedIndex() const
{
    const QModelIndexList rows = m_outline->selectionModel()->selectedIndexes();
    return rows.isEmpty() ? QModelIndex() : rows.first();
}

void MCSidebarController::updateSocial(const QList<MCSidebarSocialRow> &rows)
{
    const QString selected = selectedIndex().data(MCSidebarModel::PlaceRole).toString();
    if (m_model->addSocialRows(rows))
        select(m_model->indexForPlace(selected));
}

void MCSidebarController::updateSocial()
{
    QList<MCSidebarSocialRow> rows;
    const QList<MCContact *> contacts = m_people->contacts();
    const QList<MCGroup *> groups = m_people->groups();
    rows.reserve(contacts.size() + groups.size());
    for (MCContact *contact : contacts) {
        // Without an e-mail a contact has no title to find its chat by.
        if (!contact->title().isEmpty())
            rows.append(MCSidebarModel::rowFor(contact));
    }
    for (MCGroup *group : groups)
        rows.append(MCSidebarModel::rowFor(group));
    updateSocial(rows);
}

void MCSidebarController::updateContactsList()
{
    if (!m_contactsManager) {
        m_contactsManager = new MOContactsManager(this);
        m_contactsManager->setDelegate(this);
    }
    m_contactsManager->listContacts();
}

void MCSidebarController::collaborationManagerDidReceiveContacts(
    MOContactsManager *, const QList<MOUserAccount> &contacts)
{
    // Thousands of contacts become people a few hundred per turn of the event loop, so that
    // the window keeps answering; a short listing is handed over at once.
    m_listedContacts += contacts;
    if (++m_contactListings == 1)
        addListedContacts();
}

void MCSidebarController::addListedContacts()
{
    const int ContactsPerTurn = 250;
    const int count = qMin(ContactsPerTurn, m_listedContacts.size());
    QList<MCContact *> made;
    made.reserve(count);
    for (int i = 0; i < count; ++i)
        made.append(new MCContact(m_listedContacts.at(i), m_people));
    m_listedContacts.erase(m_listedContacts.begin(), m_listedContacts.begin() + count);
    m_people->addContacts(made);
    if (!m_listedContacts.isEmpty()) {
        QTimer::singleShot(0, this, &MCSidebarController::addListedContacts);
        return;
    }
    for (; m_contactListings > 0; --m_contactListings)
        MOCollaborationManager::sharedInstance()->listSentInvitations(0, SentInvitationsLimit);
}

void MCSidebarController::selectSidebarContact(MCSocialEntity *entity)
{
    for (int row = 0; row < m_model->rowCount(m_model->index(MCSidebarModel::Recent, 0)); ++row) {
        const QModelIndex index = m_model->index(row, 0, m_model->index(MCSidebarModel::Recent, 0));
        if (m_model->socialRow(index)->entity != entity)
            continue;
        select(index);
        // A chosen row shows its chat, as a click does: the user sees what was prepared there.
        const QString place = index.data(MCSidebarModel::PlaceRole).toString();
        if (place != m_navigation->notBrowsablePath())
            emit placeChosen(place);
        return;
    }
}

void MCSidebarController::deselectItemIfNecessary(const QString &path)
{
    const QModelIndex home = m_model->indexForPlace(Home);
    if (path != QLatin1String("/")) {
        if (selectedIndex() == home)
            select({});
    } else if (m_navigation->notBrowsablePath().isEmpty()) {
        // The browser shows the root, at start or through the history: its row.
        select(home);
    }
}

void MCSidebarController::checkCorrectSelection()
{
    const QString location = m_navigation->notBrowsablePath();
    // A page no row stands for, but that is reached from one (a new group's form): as it was.
    if (location == QLatin1String("addgroup://"))
        return;
    QString place = location;
    // The browser: its row at "/", or when just chosen (the change to "/" is under way).
    if (location.isEmpty()) {
        const QModelIndex home = m_model->indexForPlace(Home);
        place = m_navigation->currentPath() == QLatin1String("/") || selectedIndex() == home
                    ? Home
                    : QString();
    }
    select(m_model->indexForPlace(place));
}

Qt::DropAction MCSidebarController::validateDrop(const QModelIndex &index, const QMimeData *data,
                                                 bool optionHeld) const
{
    Q_UNUSED(optionHeld)
    const bool remote = !MCPasteboard::remotePaths(data).isEmpty();
    const bool local = !remote && !MCPasteboard::localFilePaths(data).isEmpty();
    if (m_selectionDisabled || (!remote && !local))
        return Qt::IgnoreAction;
    if (m_model->socialRow(index))
        return Qt::CopyAction;
    if (!index.isValid() || index != m_model->indexForPlace(Home))
        return Qt::IgnoreAction;
    // Remote items move to the root; files from outside are always copied up, so that the
    // file manager never deletes its originals.
    return remote ? Qt::MoveAction : Qt::CopyAction;
}

bool MCSidebarController::acceptDrop(const QModelIndex &index, const QMimeData *data,
                                     bool optionHeld)
{
    const QStringList remotePaths = MCPasteboard::remotePaths(data);
    const QStringList localPaths =
        remotePaths.isEmpty() ? MCPasteboard::localFilePaths(data) : QStringList();
    if (const MCSidebarSocialRow *person = m_model->socialRow(index)) {
        QMap<QString, QStringList> groups;
        QMap<QString, QStringList> unlinked;
        groupByProvider(localPaths, &groups, &unlinked);
        if (!unlinked.isEmpty()) {
            // The files go once the user has answered.
            askToLinkProvider(unlinked.firstKey(), person->entity, groups, unlinked);
            return true;
        }
        if (remotePaths.isEmpty() && groups.isEmpty())
            return false;
        qCInfo(lcBrowser) << "Sending" << remotePaths.size() + localPaths.size()
                          << "dropped items to a sidebar person or group";
        if (!remotePaths.isEmpty())
            select(index);
        emit sendFilesRequested(person->entity, remotePaths, groups);
        return true;
    }
    if (!remotePaths.isEmpty()) {
        const MCNodePtr root = m_navigation->modelRootNode();
        return root && MCDropActions::moveRemoteItems(remotePaths, root->filePath(),
                                                      QVariant::fromValue(root));
    }
    if (QWidget *shown = window()) {
        shown->raise();
        shown->activateWindow();
    }
    MCDropActions::uploadLocalFiles(m_transfers, m_services->options(), localPaths,
                                    QStringLiteral("/"), optionHeld);
    return true;
}

void MCSidebarController::groupByProvider(const QStringList &localPaths,
                                          QMap<QString, QStringList> *groups,
                                          QMap<QString, QStringList> *unlinked) const
{
    MCThirdPartyServicesDiscoverer *discoverer = m_services->servicesDiscoverer();
    const QStringList linked = m_services->linkedProviders();
    for (const QString &path : localPaths) {
        const QString provider = discoverer ? discoverer->serviceForPath(path) : QString();
        if (provider.isEmpty())
            (*groups)[MCSocialEntity::LocalFiles].append(path);
        else if (linked.contains(provider))
            (*groups)[provider].append(path);
        else
            (*unlinked)[provider].append(path);
    }
}

void MCSidebarController::askToLinkProvider(const QString &provider, QObject *entity,
                                            const QMap<QString, QStringList> &groups,
                                            const QMap<QString, QStringList> &unlinked)
{
    AlertPresenter *alerts = m_services->alerts();
    if (!alerts) {
        qCWarning(lcBrowser) << "No one to ask about linking" << provider << "; nothing sent";
        return;
    }
    Alert alert;
    alert.messageText = tr("Dropbox source file");
    alert.informativeText =
        tr("You are trying to send a file from your Dropbox folder. Kerlo can link to your "
           "Dropbox folder and send files instantly without using your upload bandwidth.");
    alert.buttons = QStringList{tr("Link Now"), tr("Continue without linking")};
    alert.icon = QPixmap(QStringLiteral(":/browser/images/kerlo-dropbox.svg"));
    const QPointer<MCSidebarController> self(this);
    const QPointer<QObject> person(entity);
    alerts->present(alert, window(), [=](const AlertAnswer &answer) {
        if (answer.button == 0) {
            QUrl link = MOApplication::sharedInstance()->baseAPIURL();
            link.setPath(link.path() + QStringLiteral("/users/auth/%1_oauth2").arg(provider));
            link.setQuery(QStringLiteral("callback=kerlo://thirdpartyproviders/%1").arg(provider));
            QDesktopServices::openUrl(link);
            return;
        }
        if (answer.button != 1 || !self || !person)
            return;
        // Without the link the files are sent from this disk, as any other local file is.
        QMap<QString, QStringList> fromDisk = groups;
        for (const QStringList &paths : unlinked)
            fromDisk[MCSocialEntity::LocalFiles].append(paths);
        qCInfo(lcBrowser) << "Sending" << fromDisk.value(MCSocialEntity::LocalFiles).size()
                          << "dropped files from the local disk to a sidebar person or group";
        emit self->sendFilesRequested(person, {}, fromDisk);
    });
}

void MCSidebarController::applicationStateChanged(Qt::ApplicationState state)
{
    // Tinted while the application is active, grey behind another one.
    QPalette palette = m_outline->palette();
    palette.setColor(QPalette::Base, state == Qt::ApplicationActive ? QColor(219, 225, 231)
                                                                    : QColor(234, 234, 234));
    m_outline->setPalette(palette);
}
