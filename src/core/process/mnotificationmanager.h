#ifndef MNOTIFICATIONMANAGER_H
#define MNOTIFICATIONMANAGER_H

#include <QObject>
#include <QString>

#include "mnotification.h"
#include "tolvo.h"

// The one way messages for the user leave the core. Any thread may post; the manager
// lives on the main thread and emits notificationReady there, in the order of posting.
class MNotificationManager : public QObject
{
    Q_OBJECT
public:
    // Created on first use and moved to the application's thread; destroyed with the
    // application object. Null before a QCoreApplication exists and after its destruction.
    static MNotificationManager *instance();

    ~MNotificationManager() override;

    bool event(QEvent *event) override;

    // The error notification of an action; the transfer engine adds its transfer to it.
    static MNotification actionErrorNotification(Tolvo::Error code, Tolvo::ObjectAction action,
                                                 const QString &message);
    static QString ioErrorMessage(const QString &filePath);
    static QString spaceQuotaExceededMessage();

signals:
    void notificationReady(const MNotification &notification);

public slots:
    // Returns at once; the notification is delivered from the manager's event loop.
    void post(const MNotification &notification);
    void postUnauthenticatedClientErrorNotification();
    void postIOErrorNotification(Tolvo::ObjectAction action, const QString &filePath);
    void postSpaceQuotaExceededError(Tolvo::ObjectAction action);

private:
    explicit MNotificationManager(QObject *parent = nullptr);
};

#endif // MNOTIFICATIONMANAGER_H
