#ifndef MODELEGATEPOINTER_H
#define MODELEGATEPOINTER_H

#include <QObject>
#include <QPointer>

// How a facade holds its delegate: not owned, and never called once destroyed. A delegate
// that is a QObject (the usual case: a controller implementing the delegate class) is
// tracked and reads as null after its destruction; one that is not must be cleared by its
// owner before it goes.
template<class Delegate> class MODelegatePointer
{
public:
    MODelegatePointer() = default;

    void set(Delegate *delegate)
    {
        m_delegate = delegate;
        m_guard = dynamic_cast<QObject *>(delegate);
        m_tracked = !m_guard.isNull();
    }

    // The delegate, or null when none is set or it has been destroyed.
    Delegate *get() const
    {
        if (m_tracked && m_guard.isNull())
            return nullptr;
        return m_delegate;
    }

    Delegate *operator->() const { return get(); }
    explicit operator bool() const { return get() != nullptr; }

private:
    Delegate *m_delegate = nullptr;
    QPointer<QObject> m_guard;
    bool m_tracked = false;
};

#endif // MODELEGATEPOINTER_H
