#ifndef CONVERSATIONSTORE_H
#define CONVERSATIONSTORE_H

#include "chatmessage.h"
#include "conversation.h"

#include <QStringList>

#include <mutex>
#include <optional>
#include <vector>

class ServiceDatabase;

// Conversations and their messages, kept in the database. Shared
// by all worker threads.
class ConversationStore
{
public:
    explicit ConversationStore(ServiceDatabase &database);

    bool load(QString *error);

    // The main conversation of two users, made when they have none.
    Conversation mainConversation(qint64 a, qint64 b);
    std::optional<Conversation> existingMain(qint64 a, qint64 b) const;
    // The main conversations of a with each of others, made where missing, written once.
    std::vector<Conversation> mainConversations(qint64 a, const std::vector<qint64> &others);
    // userIds need not be sorted or distinct.
    Conversation startGroup(std::vector<qint64> userIds, const QString &name);
    // Many groups, by name and members, written once.
    std::vector<Conversation>
    startGroups(const std::vector<std::pair<QString, std::vector<qint64>>> &groups);
    std::optional<Conversation> conversation(qint64 id) const;
    // Takes a member out of a group; false when it is no group or the user no member of it.
    bool removeMember(qint64 conversationId, qint64 userId);
    std::vector<Conversation> conversationsOf(qint64 userId) const;
    // The sender must be a member; the conversation counts as updated.
    ChatMessage post(qint64 conversationId, qint64 senderId, const QString &body,
                     const QString &sentAt);
    // Several messages in that order, all created in the same second, written once.
    std::vector<ChatMessage> post(qint64 conversationId, qint64 senderId, const QStringList &bodies,
                                  const QString &sentAt);
    // Newest first: at most limit created before before (0: any time), or, when beforeId is
    // given, stored before that message whatever their times.
    std::vector<ChatMessage> messages(qint64 conversationId, qint64 before, qint64 limit,
                                      qint64 beforeId = 0) const;
    // Newest first: those created at since or later with an id above afterId.
    std::vector<ChatMessage> messagesSince(qint64 conversationId, qint64 since,
                                           qint64 afterId) const;

private:
    bool save() const;
    // Appends a conversation; the caller saves.
    Conversation &add(std::vector<qint64> userIds, const QString &name, bool main);

    ServiceDatabase &database;
    mutable std::mutex mutex;
    std::vector<Conversation> conversations;
    std::vector<ChatMessage> chat; // oldest first
    qint64 nextConversationId = 1;
    qint64 nextMessageId = 1;
};

#endif // CONVERSATIONSTORE_H
