#ifndef LIVEOBJECTS_H
#define LIVEOBJECTS_H

#include <QByteArray>
#include <QHash>

// Every QObject alive in the process, whatever its thread, followed through Qt's hooks for
// tools (the ones debuggers and inspectors use). Call follow() before the objects of interest
// are made; objects made earlier are not counted.
namespace ShellTest {
namespace LiveObjects {

void follow();
// The live objects by class name. Read it while no other thread makes or ends objects of the
// classes looked at.
QHash<QByteArray, int> byClass();
// The live objects of that class (exactly that class, not its subclasses).
int count(const char *className);

} // namespace LiveObjects
} // namespace ShellTest

#endif // LIVEOBJECTS_H
