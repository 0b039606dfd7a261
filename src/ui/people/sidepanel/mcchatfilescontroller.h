#ifndef MCCHATFILESCONTROLLER_H
#define MCCHATFILESCONTROLLER_H

#include "mocollaboration.h"

#include <QPointer>
#include <QWidget>

class AlertPresenter;
class MCChatFilesFilter;
class MCChatFilesModel;
class MCOptions;
class MCSocialEntity;
class MCThirdPartyServicesDiscoverer;
class MOObjectsManager;
class QAction;
class QMenu;
class QTableView;

// The side panel's shared files: the conversation's files, newest first, received ones only
// at first. The context menu opens a file (or goes to a pending invitation in the chat) and
// chooses which files are listed. A double-click does what the menu's first item says.
class MCChatFilesController : public QWidget
{
    Q_OBJECT
public:
    // objects opens store files; discoverer (may be null) finds files kept by another sync
    // service; an archive is opened only when options and alerts let the user say so.
    MCChatFilesController(const QString &ownEmail, MOObjectsManager *objects,
                          MCThirdPartyServicesDiscoverer *discoverer, MCOptions *options,
                          AlertPresenter *alerts, QWidget *parent = nullptr);

    void setEntity(MCSocialEntity *entity);
    MCChatFilesModel *files() const { return m_files; }
    QTableView *tableView() const { return m_tableView; }
    QMenu *menu() const { return m_menu; }
    QAction *menuItemOpenFile() const { return m_menuItemOpenFile; }
    // The filter item with tag 0 (received), 1 (sent) or 2 (pending).
    QAction *filterItem(int tag) const;

    // A filter item was toggled: the list follows every item's state.
    void filterTable();
    // Before the menu shows for the row at arranged row (-1: none).
    void menuNeedsUpdate(int row);
    // Opens the file at arranged row (an archive after asking, as the browser does), or asks
    // the chat to show it while it is pending.
    void openRow(int row);

signals:
    void scrollToEntryRequested(const MOCollaboration &collaboration);

private:
    void showMenu(const QPoint &position);
    // A file another sync service keeps here: only a regular file inside its folder, and
    // nothing a desktop would run.
    bool openProviderFile(const QString &path, const QString &provider);

    MCChatFilesModel *m_files;
    MCChatFilesFilter *m_filter;
    QTableView *m_tableView;
    QMenu *m_menu;
    QAction *m_menuItemOpenFile;
    QList<QAction *> m_filterItems;
    MOObjectsManager *m_objects;
    MCThirdPartyServicesDiscoverer *m_discoverer;
    QPointer<MCOptions> m_options;
    AlertPresenter *m_alerts;
    int m_clickedRow = -1;
};

#endif // MCCHATFILESCONTROLLER_H
