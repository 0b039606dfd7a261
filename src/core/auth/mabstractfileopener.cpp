#include "mabstractfileopener.h"

#include <QMutex>
#include <QPointer>

namespace {

struct Installed
{
    QMutex mutex;
    QPointer<MAbstractFileOpener> opener;
};

Installed &installed()
{
    static Installed value;
    return value;
}

} // namespace

MAbstractFileOpener::MAbstractFileOpener(QObject *parent)
    : QObject(parent)
{}

MAbstractFileOpener *MAbstractFileOpener::instance()
{
    Installed &current = installed();
    QMutexLocker locker(&current.mutex);
    return current.opener;
}

void MAbstractFileOpener::setInstance(MAbstractFileOpener *opener)
{
    Installed &current = installed();
    QMutexLocker locker(&current.mutex);
    current.opener = opener;
}
