#ifndef TOLVOAPPBRIDGE_H
#define TOLVOAPPBRIDGE_H

#include <QObject>

class MOApplication;

// Carries the core application's ready() and readyToQuit() to the application facade's
// delegate, on the main thread.
class TolvoAppBridge : public QObject
{
    Q_OBJECT
public:
    explicit TolvoAppBridge(MOApplication *application);

public slots:
    void notifyReadyToQuit();
    void notifyReadyToStart();

private:
    MOApplication *m_application;
};

#endif // TOLVOAPPBRIDGE_H
