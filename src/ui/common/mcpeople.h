#ifndef MCPEOPLE_H
#define MCPEOPLE_H

#include <QList>
#include <QObject>
#include <QString>

class MCChatSupport;
class MCContact;
class MCGroup;
class MOConversationsManager;

// The people the user chats with: the contacts and groups, one per conversation, and the chat
// state they share. Entities live as long as the hub.
class MCPeople : public QObject
{
    Q_OBJECT
public:
    virtual QList<MCContact *> contacts() const = 0;
    virtual QList<MCGroup *> groups() const = 0;
    virtual MCChatSupport &chatSupport() = 0;
    // Takes the new ones (the known ones are dropped).
    virtual void addContacts(const QList<MCContact *> &contacts) = 0;
    // Null before the session's services started.
    virtual MOConversationsManager *conversationsManager() const = 0;

signals:
    // Once per batch of new contacts or groups, however many it held.
    void contactsChanged();
    void groupsChanged();
    // A group asked for was not made; reason: why, one sentence for the user (the service's
    // own, or what its failure means).
    void groupCreationFailed(const QString &reason);

protected:
    using QObject::QObject;
};

#endif // MCPEOPLE_H
