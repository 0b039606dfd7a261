#ifndef MCNEWFOLDERWITHSELECTION_H
#define MCNEWFOLDERWITHSELECTION_H

#include "mcabstractobjectnode.h"

#include <QObject>
#include <QStringList>

class MONotificationCenter;
struct MOPostedNotification;

// Brings items into a folder of their own: the folder (a placeholder the view names in place,
// then creates) is awaited among the listings and live updates of the objects facade, and
// once the service has it, each item is moved into it. A move the service refuses leaves its
// item where it was; the hub's failure sheet names it. A folder the service does not make
// ends the work with nothing moved. Deletes itself when done. Main thread only.
class MCNewFolderWithSelection : public QObject
{
    Q_OBJECT
public:
    // folder is the placeholder handed to the view; its path is read when the service lists
    // it, so that the name the user gives it counts.
    MCNewFolderWithSelection(const MCNodePtr &folder, const QStringList &itemPaths,
                             MONotificationCenter *objects, MONotificationCenter *coreMessages,
                             QObject *parent = nullptr);

    QStringList itemPaths() const { return m_itemPaths; }

private:
    void objectsArrived(const MOPostedNotification &notification);
    void coreMessage(const MOPostedNotification &notification);

    MCNodePtr m_folder;
    QStringList m_itemPaths;
};

#endif // MCNEWFOLDERWITHSELECTION_H
