#ifndef MAVATARMANAGERBRIDGE_H
#define MAVATARMANAGERBRIDGE_H

#include "museraccount.h"

#include <QObject>
#include <QString>

class MOAvatarManager;

// Turns one core avatar manager's signals into its facade's delegate calls.
class MAvatarManagerBridge : public QObject
{
    Q_OBJECT
public:
    explicit MAvatarManagerBridge(MOAvatarManager *manager);

public slots:
    void handleAvatarReady(const MUserAccount &account, const QString &path);
    void handleAvatarUpdated(const MUserAccount &account, const QString &path);

private:
    MOAvatarManager *m_manager;
};

#endif // MAVATARMANAGERBRIDGE_H
