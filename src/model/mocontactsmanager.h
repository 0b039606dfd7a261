#ifndef MOCONTACTSMANAGER_H
#define MOCONTACTSMANAGER_H

#include <QObject>
#include <QScopedPointer>
#include <QString>

class MOContactsManagerDelegate;
class MOContactsManagerPrivate;

// The signed-in user's contacts, for one controller: each facade has its own connection to
// the service and answers only its own requests, through its delegate, on the main thread.
// Nothing reaches the delegate once the facade is destroyed.
class MOContactsManager : public QObject
{
    Q_OBJECT
public:
    explicit MOContactsManager(QObject *parent = nullptr);
    ~MOContactsManager() override;

    void listContacts();
    void search(const QString &query);
    // Invites someone by e-mail address to be a contact.
    void invite(const QString &email);

    // Not owned; never called once destroyed.
    MOContactsManagerDelegate *delegate() const;
    void setDelegate(MOContactsManagerDelegate *delegate);

private:
    Q_DECLARE_PRIVATE(MOContactsManager)
    QScopedPointer<MOContactsManagerPrivate> d_ptr;
};

#endif // MOCONTACTSMANAGER_H
