#include "mostrongnsobjectcontainer.h"

#include <QCoreApplication>
#include <QPointer>
#include <QThread>

namespace {

bool isQObjectPointer(int type)
{
    return QMetaType::typeFlags(type) & QMetaType::PointerToQObject;
}

bool isSharedQObject(int type)
{
    return QMetaType::typeFlags(type) & QMetaType::SharedPointerToQObject;
}

} // namespace

class MOStrongNSObjectContainerPrivate : public QSharedData
{
public:
    explicit MOStrongNSObjectContainerPrivate(const QVariant &object)
    {
        if (object.isValid() && isQObjectPointer(object.userType())) {
            pointerType = object.userType();
            weakObject = *static_cast<QObject *const *>(object.constData());
        } else {
            value = object;
        }
    }

    ~MOStrongNSObjectContainerPrivate()
    {
        QCoreApplication *app = QCoreApplication::instance();
        if (!app || QThread::currentThread() == app->thread() || !isSharedQObject(value.userType()))
            return;
        // The functor, and with it possibly the last reference, is destroyed once it has run
        // on the main thread.
        QMetaObject::invokeMethod(
            app, [held = std::move(value)] { Q_UNUSED(held) }, Qt::QueuedConnection);
    }

    QVariant object() const
    {
        if (pointerType == 0)
            return value;
        QObject *pointer = weakObject.data();
        if (!pointer)
            return QVariant();
        return QVariant(pointerType, &pointer);
    }

    QVariant value;
    QPointer<QObject> weakObject;
    int pointerType = 0; // the metatype of a QObject pointer payload; 0 for a value
};

MOStrongNSObjectContainer::MOStrongNSObjectContainer()
    : d(new MOStrongNSObjectContainerPrivate(QVariant()))
{}

MOStrongNSObjectContainer::MOStrongNSObjectContainer(const QVariant &object)
    : d(new MOStrongNSObjectContainerPrivate(object))
{}

MOStrongNSObjectContainer::MOStrongNSObjectContainer(const MOStrongNSObjectContainer &other) =
    default;
MOStrongNSObjectContainer &
MOStrongNSObjectContainer::operator=(const MOStrongNSObjectContainer &other) = default;
MOStrongNSObjectContainer::~MOStrongNSObjectContainer() = default;

QVariant MOStrongNSObjectContainer::object() const
{
    return d->object();
}

bool MOStrongNSObjectContainer::operator==(const MOStrongNSObjectContainer &other) const
{
    if (d == other.d)
        return true;
    if (d->pointerType != 0 || other.d->pointerType != 0)
        return d->pointerType != 0 && other.d->pointerType != 0 && d->weakObject &&
               d->weakObject == other.d->weakObject;
    return d->value == other.d->value;
}

QVariant MOStrongNSObjectContainer::wrap(const QVariant &userData)
{
    return QVariant::fromValue(MOStrongNSObjectContainer(userData));
}

QVariant MOStrongNSObjectContainer::unwrap(const QVariant &variant)
{
    if (variant.userType() != qMetaTypeId<MOStrongNSObjectContainer>())
        return QVariant();
    return variant.value<MOStrongNSObjectContainer>().object();
}
