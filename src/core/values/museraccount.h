#ifndef MUSERACCOUNT_H
#define MUSERACCOUNT_H

#include <QList>
#include <QMetaType>
#include <QSharedDataPointer>
#include <QString>
#include <QStringList>
#include <QUrl>
#include <QVariantMap>

#include "mconversation.h"

class MUserAccountPrivate;

// One user of the service: the signed-in user, a contact, or the other side of an
// invitation, a conversation or a message.
class MUserAccount
{
public:
    MUserAccount();
    explicit MUserAccount(const QVariantMap &json);
    MUserAccount(const MUserAccount &other);
    MUserAccount &operator=(const MUserAccount &other);
    ~MUserAccount();

    void swap(MUserAccount &other) noexcept { d.swap(other.d); }

    QString email() const;
    QString firstName() const;
    QString lastName() const;
    qint64 usedSize() const;
    qint64 totalSize() const;
    // -1 when the service gave no id.
    qint64 id() const;
    QUrl avatarUrl() const;

    MConversation mainConversation() const;
    void setMainConversation(const MConversation &conversation);

    int onlineStatus() const;
    void setOnlineStatus(int status);

    QStringList linkedProviders() const;

    // Compares ids when both are known, e-mails otherwise. Not transitive, so it is no key
    // for sorting or deduplication.
    bool operator==(const MUserAccount &other) const;

private:
    QSharedDataPointer<MUserAccountPrivate> d;
};

Q_DECLARE_SHARED(MUserAccount)
Q_DECLARE_METATYPE(MUserAccount)

#endif // MUSERACCOUNT_H
