#include "liveobjects.h"

#include <QMutex>
#include <QObject>
#include <QSet>

// Qt's hook table (qhooks_p.h): its slots 3 and 4 are called as each QObject is made and ended.
extern quintptr Q_CORE_EXPORT qtHookData[];

namespace ShellTest {
namespace LiveObjects {

namespace {

constexpr int AddQObjectHook = 3;
constexpr int RemoveQObjectHook = 4;

QMutex s_lock;
QSet<QObject *> *s_objects = nullptr; // never freed: objects end after main() returns

void added(QObject *object)
{
    QMutexLocker locker(&s_lock);
    s_objects->insert(object);
}

void removed(QObject *object)
{
    QMutexLocker locker(&s_lock);
    s_objects->remove(object);
}

} // namespace

void follow()
{
    QMutexLocker locker(&s_lock);
    if (s_objects)
        return;
    s_objects = new QSet<QObject *>;
    qtHookData[AddQObjectHook] = reinterpret_cast<quintptr>(&added);
    qtHookData[RemoveQObjectHook] = reinterpret_cast<quintptr>(&removed);
}

QHash<QByteArray, int> byClass()
{
    QMutexLocker locker(&s_lock);
    QHash<QByteArray, int> counts;
    if (!s_objects)
        return counts;
    for (QObject *object : qAsConst(*s_objects))
        ++counts[QByteArray(object->metaObject()->className())];
    return counts;
}

int count(const char *className)
{
    return byClass().value(QByteArray(className));
}

} // namespace LiveObjects
} // namespace ShellTest
