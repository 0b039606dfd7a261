#ifndef MOAVATARMANAGER_H
#define MOAVATARMANAGER_H

#include <QObject>
#include <QScopedPointer>
#include <QString>

class MOAvatarManagerDelegate;
class MOAvatarManagerPrivate;
class MOUserAccount;

// Account pictures, for one controller: a file cache filled from the accounts' avatar URLs,
// and the upload of the signed-in user's own picture. Answers reach the delegate on the main
// thread; nothing does once the facade is destroyed.
class MOAvatarManager : public QObject
{
    Q_OBJECT
public:
    explicit MOAvatarManager(QObject *parent = nullptr);
    ~MOAvatarManager() override;

    // The cached picture of the account; null when it has not been fetched.
    QString avatarPath(const MOUserAccount &account) const;
    // A cached picture is answered at once, before this returns, so a caller that iterates
    // what the delegate changes must iterate a copy. Others are answered once downloaded.
    void fetchAvatar(const MOUserAccount &account);
    // Uploads the image file at path as the signed-in user's picture.
    void updateAvatar(const QString &path);

    // Not owned; never called once destroyed.
    MOAvatarManagerDelegate *delegate() const;
    void setDelegate(MOAvatarManagerDelegate *delegate);

private:
    Q_DECLARE_PRIVATE(MOAvatarManager)
    QScopedPointer<MOAvatarManagerPrivate> d_ptr;
};

#endif // MOAVATARMANAGER_H
