#ifndef MOCONTACTSMANAGERBRIDGE_H
#define MOCONTACTSMANAGERBRIDGE_H

#include "museraccount.h"

#include <QList>
#include <QObject>
#include <QString>

class MContactsManager;
class MOContactsManager;

// Turns one core contacts manager's signals into its facade's delegate calls.
class MOContactsManagerBridge : public QObject
{
    Q_OBJECT
public:
    explicit MOContactsManagerBridge(MOContactsManager *manager);

    // Connects every signal of the core manager this bridge reports, in this order.
    void connectToCore(MContactsManager *core);

public slots:
    void handleContactsReady(const QList<MUserAccount> &contacts);
    void handleContactsResult(const QList<MUserAccount> &users, const QString &query);
    void handleInviteSent(const QString &email);
    void handleNewConnection(const MUserAccount &account);
    void handleInviteFailed(const QString &email, int status, const QString &reason);
    void handleSearchFailed(const QString &query, int status, const QString &reason);

private:
    MOContactsManager *m_manager;
};

#endif // MOCONTACTSMANAGERBRIDGE_H
