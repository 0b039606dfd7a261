#ifndef MCTREESEARCH_H
#define MCTREESEARCH_H

#include <QModelIndex>
#include <QVariant>

class QAbstractItemModel;

// Finding a row in a tree model, depth first, each row before its children: the first whose
// value in role equals value. An invalid index when none does.
namespace MCTreeSearch {

QModelIndex indexOfObject(const QAbstractItemModel *model, const QVariant &value, int role);
// The first row whose value in pathRole is the remote path.
QModelIndex indexOfPath(const QAbstractItemModel *model, const QString &path, int pathRole);

} // namespace MCTreeSearch

#endif // MCTREESEARCH_H
