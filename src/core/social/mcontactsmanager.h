#ifndef MCONTACTSMANAGER_H
#define MCONTACTSMANAGER_H

#include "museraccount.h"

#include <QList>
#include <QObject>
#include <QScopedPointer>
#include <QString>

class MContactsManagerPrivate;

// The signed-in user's contacts: lists them, searches the service's users and invites people
// by e-mail address. Keeps no list itself; every answer comes as a signal. A call made while
// nobody is signed in sends nothing and is never answered. A long contacts listing is read off
// the main thread; listings are announced in the order they came.
class MContactsManager : public QObject
{
    Q_OBJECT
public:
    explicit MContactsManager(QObject *parent = nullptr);
    ~MContactsManager() override;

    void listContacts();
    // A search that finds nobody is answered with an empty list; any other failure with
    // searchFailed().
    void search(const QString &query);
    // Answered with inviteSent(), or with inviteFailed() whatever went wrong.
    void invite(const QString &email);

signals:
    void contactsReady(const QList<MUserAccount> &contacts);
    void contactsResult(const QList<MUserAccount> &users, const QString &query);
    void inviteSent(const QString &email);
    // status: the service's answer, 0 when none came (dropped, or no byte for too long);
    // reason: the service's first error message, or empty.
    void inviteFailed(const QString &email, int status, const QString &reason);
    void searchFailed(const QString &query, int status, const QString &reason);
    void newConnection(const MUserAccount &account);

private:
    Q_DECLARE_PRIVATE(MContactsManager)
    QScopedPointer<MContactsManagerPrivate> d_ptr;
};

#endif // MCONTACTSMANAGER_H
