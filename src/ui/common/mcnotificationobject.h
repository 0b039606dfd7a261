#ifndef MCNOTIFICATIONOBJECT_H
#define MCNOTIFICATIONOBJECT_H

#include <QDateTime>
#include <QObject>
#include <QPixmap>
#include <QString>

// A notice for the user that is not a chat message: a row of the notifications page, sorted
// by sentAt. Sender and subject are plain text from the service.
class MCNotificationObject : public QObject
{
    Q_OBJECT
    Q_PROPERTY(QDateTime sentAt READ sentAt CONSTANT)
    Q_PROPERTY(QString messageSender READ messageSender CONSTANT)
    Q_PROPERTY(QString messageSubject READ messageSubject CONSTANT)
    Q_PROPERTY(QPixmap avatar READ avatar WRITE setAvatar NOTIFY avatarChanged)
    Q_PROPERTY(bool messageRead READ messageRead WRITE setMessageRead NOTIFY messageReadChanged)
public:
    explicit MCNotificationObject(QObject *parent = nullptr);

    virtual QDateTime sentAt() const { return m_sentAt; }
    void setSentAt(const QDateTime &sentAt) { m_sentAt = sentAt; }
    virtual QString messageSender() const { return m_messageSender; }
    void setMessageSender(const QString &sender) { m_messageSender = sender; }
    virtual QString messageSubject() const { return m_messageSubject; }
    void setMessageSubject(const QString &subject) { m_messageSubject = subject; }
    QPixmap avatar() const { return m_avatar; }
    void setAvatar(const QPixmap &avatar);
    virtual bool messageRead() const { return m_messageRead; }
    void setMessageRead(bool read);

signals:
    void avatarChanged();
    void messageReadChanged();

private:
    QDateTime m_sentAt;
    QString m_messageSender;
    QString m_messageSubject;
    QPixmap m_avatar;
    bool m_messageRead = false;
};

#endif // MCNOTIFICATIONOBJECT_H
