#ifndef MCSIDEBARCONTROLLER_H
#define MCSIDEBARCONTROLLER_H

#include "mcsidebarmodel.h"
#include "mocontactsmanagerdelegate.h"

#include <QMap>
#include <QTimer>
#include <QWidget>

class MCNavigation;
class MCPeople;
class MCSessionServices;
class MCTransferStarter;
class MCSocialEntity;
class MOContactsManager;
class MCOutlineViewSidebar;
class QMimeData;

// The main window's left pane: the places (the browser's root, the transfers and account
// pages; contacts, share links and notifications) and the user's contacts and groups. A click
// chooses a place; the selection then follows the page shown. Files dropped on "Home" are
// uploaded or moved to the root; files dropped on a person or group are handed to
// sendFilesRequested().
class MCSidebarController
    : public QWidget
    , public MOContactsManagerDelegate
{
    Q_OBJECT
public:
    explicit MCSidebarController(QWidget *parent = nullptr);

    MCSidebarModel *model() const { return m_model; }
    MCOutlineViewSidebar *outlineView() const { return m_outline; }

    // While disabled (until the user has signed in) no row can be chosen.
    bool selectionDisabled() const { return m_selectionDisabled; }
    void setSelectionDisabled(bool disabled);
    // The user's contacts and groups: rows not listed yet are added (sorted by room name) and
    // the selected row stays selected; rows no longer given stay.
    void updateSocial(const QList<MCSidebarSocialRow> &rows);
    // The hub's contacts, then its groups (what its contactsChanged and groupsChanged bring).
    void updateSocial();
    // Once signed in: asks the service for the contacts, which go to the hub.
    void updateContactsList();
    // The person's or group's row becomes the only selected one (files were chosen for it),
    // and its chat is shown.
    void selectSidebarContact(MCSocialEntity *entity);

    // MOContactsManagerDelegate
    void collaborationManagerDidReceiveContacts(MOContactsManager *manager,
                                                const QList<MOUserAccount> &contacts) override;
    // The browser went to path: the home row loses its selection away from "/" and takes it
    // at "/" while no page is shown.
    void deselectItemIfNecessary(const QString &path);
    // After a page switch: the row of the page shown (of the home folder when the browser
    // shows "/") becomes the only selected one; none for anything else.
    void checkCorrectSelection();

signals:
    // A row was chosen: "home", a page's pseudo-URL or a conversation's title.
    void placeChosen(const QString &place);
    // The row of the person or group whose chat is shown was clicked again: the chat takes
    // the keyboard, which the sidebar itself never does.
    void shownChatClicked(const QString &place);
    // Files were dropped on a person or group: remote items by path, or local files grouped by
    // the provider whose folder holds them ("local" for the others).
    void sendFilesRequested(QObject *entity, const QStringList &remotePaths,
                            const QMap<QString, QStringList> &externalObjects);

private:
    void rowClicked(const QModelIndex &index);
    void select(const QModelIndex &index);
    QModelIndex selectedIndex() const;
    Qt::DropAction validateDrop(const QModelIndex &index, const QMimeData *data,
                                bool optionHeld) const;
    bool acceptDrop(const QModelIndex &index, const QMimeData *data, bool optionHeld);
    // Local paths by origin ("local" for those in no provider's folder); those in the folder
    // of a provider the user has not linked go to unlinked, by provider.
    void groupByProvider(const QStringList &localPaths, QMap<QString, QStringList> *groups,
                         QMap<QString, QStringList> *unlinked) const;
    // Offers to link provider; without the link, the files of unlinked go to entity from the
    // local disk with the others of groups.
    void askToLinkProvider(const QString &provider, QObject *entity,
                           const QMap<QString, QStringList> &groups,
                           const QMap<QString, QStringList> &unlinked);
    void applicationStateChanged(Qt::ApplicationState state);
    // Hands the hub the next few hundred listed contacts; once the last listing is in, asks
    // for the invitations sent, once per listing.
    void addListedContacts();

    MCNavigation *m_navigation;
    MCPeople *m_people;
    MCSessionServices *m_services;
    MCTransferStarter *m_transfers;
    MCSidebarModel *m_model;
    MCOutlineViewSidebar *m_outline;
    MOContactsManager *m_contactsManager = nullptr;
    // Listed contacts not handed to the hub yet, and the listings they came in.
    QList<MOUserAccount> m_listedContacts;
    int m_contactListings = 0;
    QTimer m_socialUpdate;
    bool m_selectionDisabled = true;
};

#endif // MCSIDEBARCONTROLLER_H
