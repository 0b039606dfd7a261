#ifndef MOSTRONGNSOBJECTCONTAINER_H
#define MOSTRONGNSOBJECTCONTAINER_H

#include <QMetaType>
#include <QSharedDataPointer>
#include <QVariant>

class MOStrongNSObjectContainerPrivate;

// Carries a caller's user data through the core and back, unchanged, inside a QVariant. The
// container is immutable and implicitly shared; its copies may live and die on any thread.
//
// What it holds:
// - values (maps, strings, numbers, shared pointers, ...) are kept as they are;
// - a pointer to a QObject (an interface object such as a browser node) is held weakly: it
//   reads as an invalid QVariant once the object is gone, and it is never deleted from here;
// - a QSharedPointer to a QObject is strong, but when the last container copy goes on another
//   thread, that last reference is released on the main thread, so the object is never
//   deleted on a transfer or worker thread.
class MOStrongNSObjectContainer
{
public:
    MOStrongNSObjectContainer();
    explicit MOStrongNSObjectContainer(const QVariant &object);
    MOStrongNSObjectContainer(const MOStrongNSObjectContainer &other);
    MOStrongNSObjectContainer &operator=(const MOStrongNSObjectContainer &other);
    ~MOStrongNSObjectContainer();

    // The carried data; invalid for none, and for a QObject that has been destroyed. A QObject
    // pointer comes back under the type it went in with (qvariant_cast<MyNode *> works).
    QVariant object() const;

    // Same payload: the same QObject, or equal values.
    bool operator==(const MOStrongNSObjectContainer &other) const;
    bool operator!=(const MOStrongNSObjectContainer &other) const { return !(*this == other); }

    // User data on its way down into the core: always a valid QVariant holding a container,
    // an invalid userData included.
    static QVariant wrap(const QVariant &userData);
    // User data coming back from the core: the payload of a container, otherwise (an invalid
    // or foreign QVariant) an invalid QVariant.
    static QVariant unwrap(const QVariant &variant);

private:
    QSharedDataPointer<MOStrongNSObjectContainerPrivate> d;
};

Q_DECLARE_METATYPE(MOStrongNSObjectContainer)

#endif // MOSTRONGNSOBJECTCONTAINER_H
