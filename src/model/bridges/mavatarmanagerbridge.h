#ifndef MAVATARMANAGERBRIDGE_H
#define MAVATARMANAGERBRIDGE_H

#include "museraccount.h"

#include <QObject>
#include <QString>

class MAvatarManager;
class MOAvatarManager;

// Turns one core avatar manager's signals into its facade's delegate calls.
class MAvatarManagerBridge : public QObject
{
    Q_OBJECT
public:
    explicit MAvatarManagerBridge(MOAvatarManager *manager);

    // Connects every signal of the core manager this bridge reports, in this order.
    void connectToCore(MAvatarManager *core);

public slots:
    void handleAvatarReady(const MUserAccount &account, const QString &path);
    void handleAvatarUpdated(const MUserAccount &account, const QString &path);
    void handleAvatarUpdateFailed(int status);

private:
    MOAvatarManager *m_manager;
};

#endif // MAVATARMANAGERBRIDGE_H
