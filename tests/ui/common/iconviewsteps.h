#ifndef ICONVIEWSTEPS_H
#define ICONVIEWSTEPS_H

#include <QPoint>
#include <QString>

class MCIconController;

// Steps through the icon view of a signed-in shell, as a user takes them.
namespace ShellTest {

// The centre of the item named name, scrolled into sight; (-1, -1) when it is not shown.
QPoint centreOf(MCIconController *icons, const QString &name);

// Changes to the folder at path as the browser does and waits until the change has completed
// with child among the items shown.
bool showFolder(MCIconController *icons, const QString &path, const QString &child,
                int timeout = 30000);

} // namespace ShellTest

#endif // ICONVIEWSTEPS_H
