#ifndef MONETWORKREQUESTMANAGERBRIDGE_H
#define MONETWORKREQUESTMANAGERBRIDGE_H

#include "mreconnectable.h"
#include "tolvoapp.h"

#include <QObject>

class MOAPIAvailabilityManager;

// Turns the core's connectivity changes into the availability facade's notification.
class MONetworkRequestManagerBridge
    : public QObject
    , public MReconnectable
{
    Q_OBJECT
public:
    explicit MONetworkRequestManagerBridge(MOAPIAvailabilityManager *manager);

public slots:
    void ensureRepetitiveServices(TolvoApp::ConnectivityStatus previous,
                                  TolvoApp::ConnectivityStatus current) override;

private:
    MOAPIAvailabilityManager *m_manager;
};

#endif // MONETWORKREQUESTMANAGERBRIDGE_H
