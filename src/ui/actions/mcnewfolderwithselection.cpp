#include "mcnewfolderwithselection.h"

#include "mcactionslog.h"
#include "mcdropactions.h"
#include "moconstants.h"
#include "mocorenotification.h"
#include "monotificationcenter.h"
#include "moobjectsnotification.h"

#include <algorithm>

MCNewFolderWithSelection::MCNewFolderWithSelection(const MCNodePtr &folder,
                                                   const QStringList &itemPaths,
                                                   MONotificationCenter *objects,
                                                   MONotificationCenter *coreMessages,
                                                   QObject *parent)
    : QObject(parent)
    , m_folder(folder)
    , m_itemPaths(itemPaths)
{
    // The new folder comes as a live update, or in a listing of its parent that overtook it.
    for (const QString &name :
         {MOObjectsAddedUpdateNotification, MOObjectsListDidFetchNotification})
        objects->addObserver(this, &MCNewFolderWithSelection::objectsArrived, name);
    coreMessages->addObserver(this, &MCNewFolderWithSelection::coreMessage, MONotification);
}

void MCNewFolderWithSelection::objectsArrived(const MOPostedNotification &notification)
{
    // Until it is named, the placeholder is no folder of the service's.
    if (!m_folder->isBusy())
        return;
    const QString path = m_folder->filePath();
    const QList<MOStorageObject> objects = MOObjectsNotification(notification).objects();
    const bool made =
        std::any_of(objects.cbegin(), objects.cend(), [&path](const MOStorageObject &object) {
            return object.type() == MOStorageObject::Directory && object.fullPath() == path;
        });
    if (!made)
        return;
    qCInfo(lcActions) << "Moving" << m_itemPaths.size() << "items into the new folder" << path;
    if (!MCDropActions::moveRemoteItems(m_itemPaths, path, QVariant()))
        qCWarning(lcActions) << "The items cannot go into" << path;
    deleteLater();
}

void MCNewFolderWithSelection::coreMessage(const MOPostedNotification &notification)
{
    const MOCoreNotification message(notification);
    if (message.type() != MOCoreNotification::Error ||
        message.action() != MOCoreNotification::MakeDirectory ||
        message.path() != m_folder->filePath())
        return;
    // A taken name is asked again, and the folder made under the next one.
    const quint64 code = message.errorCode();
    if (code == MOCoreNotification::NameTaken || code == MOCoreNotification::ObjectExists)
        return;
    qCInfo(lcActions) << "The new folder was not made; nothing is moved";
    deleteLater();
}
