#ifndef MOAPIAVAILABILITYMANAGER_H
#define MOAPIAVAILABILITYMANAGER_H

#include <QObject>
#include <QScopedPointer>

class MONotificationCenter;
class MOAPIAvailabilityManagerPrivate;

// Whether the service can be reached. Each time the core sets its connectivity status
// (repeats included) the manager posts MOAPIAvailabilityChangedNotification on its own
// centre, on the main thread, with itself as object and the new status under
// MOAvailabilityStatusFlagsKey (an unsigned number).
class MOAPIAvailabilityManager : public QObject
{
    Q_OBJECT
public:
    // The core's statuses.
    enum Status : uint {
        Offline = 0,            // the machine is offline
        HostUnreachable = 1,    // the service's host refused or did not take a connection
        ServiceUnavailable = 2, // the host connects, but the service did not answer 200
        Online = 3,
        UntrustedCertificate = 4 // the host answers with a certificate the system does not trust
    };
    Q_ENUM(Status)

    ~MOAPIAvailabilityManager() override;

    static MOAPIAvailabilityManager *sharedInstance();

    // The core's current status (0 to 4).
    uint connectivityStatus() const;

    MONotificationCenter *notificationCenter() const;

private:
    MOAPIAvailabilityManager();
    template<class T> friend class MOSingleton;

    Q_DECLARE_PRIVATE(MOAPIAvailabilityManager)
    QScopedPointer<MOAPIAvailabilityManagerPrivate> d_ptr;
};

#endif // MOAPIAVAILABILITYMANAGER_H
