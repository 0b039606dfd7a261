#ifndef MAVATARMANAGER_H
#define MAVATARMANAGER_H

#include "museraccount.h"

#include <QObject>
#include <QScopedPointer>
#include <QString>

class MAvatarManagerPrivate;

// Account pictures: a file cache under the core's avatars folder, filled from the accounts'
// avatar URLs, and the upload of the signed-in user's own picture. Only http and https avatar
// URLs whose path ends in a file name are fetched; anything else is never answered. Pictures
// come from other users: a download past MaximumBytes is aborted and kept nowhere.
class MAvatarManager : public QObject
{
    Q_OBJECT
public:
    static constexpr qint64 MaximumBytes = 4 * 1024 * 1024;

    explicit MAvatarManager(QObject *parent = nullptr);
    ~MAvatarManager() override;

    // The cached picture of the account; null when there is none.
    QString avatarPath(const MUserAccount &account) const;
    // A cached picture is answered at once, inside the call, and nothing is sent.
    void fetchAvatar(const MUserAccount &account);
    // Fails (avatarUpdateFailed, later) while nobody is signed in or when no file is at
    // filePath.
    void updateAvatar(const QString &filePath);

signals:
    void avatarReady(const MUserAccount &account, const QString &path);
    // path is the cache file that now holds the uploaded picture.
    void avatarUpdated(const MUserAccount &account, const QString &path);
    // An upload that did not end in avatarUpdated(); status is the service's, 0 when none came.
    void avatarUpdateFailed(int status);

private:
    Q_DECLARE_PRIVATE(MAvatarManager)
    QScopedPointer<MAvatarManagerPrivate> d_ptr;
};

#endif // MAVATARMANAGER_H
