#ifndef MCMENUSELECTION_H
#define MCMENUSELECTION_H

#include "mcselectionmenu.h"

#include <QPointer>

class MCContact;
class MCGroup;
class MCSendToPicker;
class MCSocialEntity;
class MOStorageObject;
class QUrl;

// The context menu of selected remote items: open, open with, delete, rename, copy, the local
// copy, a share link, sending to a contact or group, entering a package, and the View Options
// window.
class MCMenuSelection : public MCSelectionMenu
{
    Q_OBJECT
public:
    // People by the names they are sorted and shown by.
    using NamedEntities = QList<QPair<QString, MCSocialEntity *>>;

    explicit MCMenuSelection(QWidget *parent = nullptr);

    // Asks the service for a link to the one selected item; nothing for another count.
    void getShareLink();
    // The link the service made for this menu's share command.
    void showShareLink(const QUrl &link, const MOStorageObject &object);
    // The selected items go to the contact's or the group's conversation.
    void sendFileToContact(MCContact *contact);
    void sendFileToGroup(MCGroup *group);
    // "Show View Options", or "Hide View Options" while the window is open.
    QAction *viewOptionsItem() const { return menuItemViewOptions; }

    // The Send to submenus: the hub's contacts by full name, or its groups by room name; past
    // what fits, the first ones and an item that opens a picker of them all.
    QMenu *sendToContactsMenu() const { return m_sendToContacts; }
    QMenu *sendToGroupsMenu() const { return m_sendToGroups; }

signals:
    void viewOptionsRequested();
    // The selection's items were chosen for entity (a Send to item).
    void sendFilesRequested(MCSocialEntity *entity, const QStringList &remotePaths);

protected:
    void menuNeedsUpdate() override;

private:
    QMenu *addSendToMenu(const QString &title, const QString &name,
                         void (MCMenuSelection::*fill)(QMenu *));
    // The Send to submenus' items: the hub's contacts by full name, its groups by room name.
    void fillSendFilesToContacts(QMenu *submenu);
    void fillSendFilesToGroups(QMenu *submenu);
    void fillSendTo(QMenu *submenu, NamedEntities (*list)(), const QString &allTitle,
                    QPointer<MCSendToPicker> *picker);
    void sendFileToEntity(MCSocialEntity *entity);
    void sendFilesToEntity(MCSocialEntity *entity, const QStringList &paths);
    QStringList selectedPaths() const;

    QAction *menuItemShare;
    QAction *menuItemSendToContacts;
    QAction *menuItemSendToGroups;
    QMenu *m_sendToContacts;
    QMenu *m_sendToGroups;
    QPointer<MCSendToPicker> m_contactsPicker;
    QPointer<MCSendToPicker> m_groupsPicker;
    // What the open picker sends: the selection when it opened.
    QStringList m_pickerPaths;
    QAction *menuItemViewOptions;
};

#endif // MCMENUSELECTION_H
