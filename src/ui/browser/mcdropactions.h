#ifndef MCDROPACTIONS_H
#define MCDROPACTIONS_H

#include <QStringList>
#include <QVariant>

class MCOptions;
class MCTransferStarter;

// What a drop onto a remote folder does, for every place that takes drops (the views, the path
// bar): remote items move into the folder, local files are uploaded into it.
namespace MCDropActions {

// Whether remote items may move into target: none is already there, none is target itself or
// a folder holding it. Checked for every item before anything moves.
bool canMoveInto(const QStringList &paths, const QString &target);
// Moves every item into target when canMoveInto(); false (and nothing moved) otherwise.
bool moveRemoteItems(const QStringList &paths, const QString &target,
                     const QVariant &userData = QVariant());
// Uploads each file into target under its own name. The local file becomes the cached copy
// when the user prefers moving to the store ("FinderMoveDefaultAction") and did not hold the
// copy modifier.
void uploadLocalFiles(MCTransferStarter *transfers, const MCOptions *options,
                      const QStringList &paths, const QString &target, bool optionHeld);

} // namespace MCDropActions

#endif // MCDROPACTIONS_H
