#ifndef MCGROUP_H
#define MCGROUP_H

#include "mcsocialentity.h"

// A group conversation.
class MCGroup : public MCSocialEntity
{
    Q_OBJECT
public:
    explicit MCGroup(const MOConversation &room, QObject *parent = nullptr);

    MOConversation chatRoom() const override { return m_chatRoom; }
    void setChatRoom(const MOConversation &room) override;
    // "name://identifier", with the service's name as it is: the key of the group's page.
    QString title() const override;
    // The service's name, or "NO NAME" as for people without one.
    QString roomName() const override;
    // "<n> people", "1 person".
    QString description() const override;
    QList<MOUserAccount> rcptAccounts() const override { return m_chatRoom.participants(); }
    QDateTime createdAt() const { return m_chatRoom.createdAt(); }
    // "Created at <date>".
    QString createdAtAsString() const;
    // The creation's medium date and short time, "Today" or "Yesterday" for those days.
    QString createdAtText() const;
    // The names of the other members known as people, separated by ", " or by line breaks.
    QString usersNamesOneLine() const { return usersNames(QStringLiteral(", ")); }
    QString usersNamesMultiLine() const { return usersNames(QStringLiteral("\n")); }

private:
    QString usersNames(const QString &separator) const;

    MOConversation m_chatRoom;
};

#endif // MCGROUP_H
