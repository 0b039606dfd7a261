#include "mcdropactions.h"

#include "mcoptions.h"
#include "mcremotepath.h"
#include "mctransferstarter.h"
#include "moobjectsmanager.h"

#include <QFileInfo>

namespace MCDropActions {

bool canMoveInto(const QStringList &paths, const QString &target)
{
    for (const QString &path : paths) {
        if (MCRemotePath::parentOf(path) == target || target == path ||
            target.startsWith(path + QLatin1Char('/')))
            return false;
    }
    return !paths.isEmpty();
}

bool moveRemoteItems(const QStringList &paths, const QString &target, const QVariant &userData)
{
    if (!canMoveInto(paths, target))
        return false;
    for (const QString &path : paths)
        MOObjectsManager::sharedInstance()->renameObjectAtPath(
            path, MCRemotePath::joined(target, MCRemotePath::lastComponent(path)), userData);
    return true;
}

void uploadLocalFiles(MCTransferStarter *transfers, const MCOptions *options,
                      const QStringList &paths, const QString &target, bool optionHeld)
{
    const bool moveDefault =
        options->value(MCOptions::AppDelegate, MCOptions::FinderMoveDefaultAction).toBool();
    for (const QString &path : paths) {
        const QString name = QFileInfo(path).fileName();
        if (name.isEmpty())
            continue;
        transfers->uploadFileAtPath(path, MCRemotePath::joined(target, name),
                                    moveDefault && !optionHeld);
    }
}

} // namespace MCDropActions
