#include "conversationstore.h"

#include <map>

#include "secrets.h"
#include "storeddocument.h"

#include <QDateTime>
#include <QDir>
#include <QJsonArray>

#include <algorithm>

namespace {

constexpr int tokenBytes = 8;

} // namespace

ConversationStore::ConversationStore(ServiceDatabase &database)
    : database(database)
{}

bool ConversationStore::load(QString *error)
{
    std::lock_guard<std::mutex> lock(mutex);
    QJsonObject json;
    if (!StoredDocument::read(database, QStringLiteral("conversations"), &json, error))
        return false;
    for (const QJsonValue &item : json.value(QLatin1String("conversations")).toArray()) {
        const std::optional<Conversation> conversation =
            Conversation::fromStoredJson(item.toObject());
        if (!conversation) {
            *error = QStringLiteral("%1: a conversation is incomplete")
                         .arg(QStringLiteral("stored conversations"));
            return false;
        }
        conversations.push_back(*conversation);
        nextConversationId = std::max(nextConversationId, conversation->id + 1);
    }
    for (const QJsonValue &item : json.value(QLatin1String("messages")).toArray()) {
        const std::optional<ChatMessage> message = ChatMessage::fromStoredJson(item.toObject());
        if (!message) {
            *error = QStringLiteral("%1: a message is incomplete")
                         .arg(QStringLiteral("stored conversations"));
            return false;
        }
        chat.push_back(*message);
        nextMessageId = std::max(nextMessageId, message->id + 1);
    }
    return true;
}

bool ConversationStore::save() const
{
    QJsonArray storedConversations;
    for (const Conversation &conversation : conversations)
        storedConversations.append(conversation.toStoredJson());
    QJsonArray storedMessages;
    for (const ChatMessage &message : chat)
        storedMessages.append(message.toStoredJson());
    return StoredDocument::write(database, QStringLiteral("conversations"),
                                 {{QStringLiteral("conversations"), storedConversations},
                                  {QStringLiteral("messages"), storedMessages}});
}

Conversation &ConversationStore::add(std::vector<qint64> userIds, const QString &name, bool main)
{
    std::sort(userIds.begin(), userIds.end());
    userIds.erase(std::unique(userIds.begin(), userIds.end()), userIds.end());
    Conversation conversation;
    conversation.id = nextConversationId++;
    conversation.createdAt = QDateTime::currentSecsSinceEpoch();
    conversation.updatedAt = conversation.createdAt;
    conversation.token = Secrets::randomHex(tokenBytes);
    conversation.name = name;
    conversation.userIds = userIds;
    conversation.main = main;
    conversations.push_back(conversation);
    return conversations.back();
}

Conversation ConversationStore::mainConversation(qint64 a, qint64 b)
{
    if (const std::optional<Conversation> existing = existingMain(a, b))
        return *existing;
    std::lock_guard<std::mutex> lock(mutex);
    // Another thread may have made it in between.
    for (const Conversation &conversation : conversations) {
        if (conversation.main && conversation.hasMember(a) && conversation.hasMember(b))
            return conversation;
    }
    const Conversation made = add({a, b}, QString(), true);
    save();
    return made;
}

std::vector<Conversation> ConversationStore::mainConversations(qint64 a,
                                                               const std::vector<qint64> &others)
{
    std::lock_guard<std::mutex> lock(mutex);
    // One pass over what exists, so that hundreds of pairs cost one scan and one write.
    std::map<qint64, Conversation> existing;
    for (const Conversation &conversation : conversations) {
        if (conversation.main && conversation.hasMember(a)) {
            for (const qint64 member : conversation.userIds) {
                if (member != a)
                    existing.emplace(member, conversation);
            }
        }
    }
    std::vector<Conversation> mains;
    for (const qint64 other : others) {
        const auto found = existing.find(other);
        if (found != existing.end()) {
            mains.push_back(found->second);
            continue;
        }
        mains.push_back(add({a, other}, QString(), true));
        existing.emplace(other, mains.back());
    }
    save();
    return mains;
}

std::optional<Conversation> ConversationStore::existingMain(qint64 a, qint64 b) const
{
    std::lock_guard<std::mutex> lock(mutex);
    for (const Conversation &conversation : conversations) {
        if (conversation.main && conversation.hasMember(a) && conversation.hasMember(b))
            return conversation;
    }
    return std::nullopt;
}

Conversation ConversationStore::startGroup(std::vector<qint64> userIds, const QString &name)
{
    std::lock_guard<std::mutex> lock(mutex);
    const Conversation made = add(std::move(userIds), name, false);
    save();
    return made;
}

std::vector<Conversation>
ConversationStore::startGroups(const std::vector<std::pair<QString, std::vector<qint64>>> &groups)
{
    std::lock_guard<std::mutex> lock(mutex);
    std::vector<Conversation> made;
    for (const auto &group : groups)
        made.push_back(add(group.second, group.first, false));
    save();
    return made;
}

std::optional<Conversation> ConversationStore::conversation(qint64 id) const
{
    std::lock_guard<std::mutex> lock(mutex);
    for (const Conversation &conversation : conversations) {
        if (conversation.id == id)
            return conversation;
    }
    return std::nullopt;
}

std::vector<Conversation> ConversationStore::conversationsOf(qint64 userId) const
{
    std::lock_guard<std::mutex> lock(mutex);
    std::vector<Conversation> found;
    std::copy_if(conversations.begin(), conversations.end(), std::back_inserter(found),
                 [userId](const Conversation &c) { return c.hasMember(userId); });
    return found;
}

bool ConversationStore::removeMember(qint64 conversationId, qint64 userId)
{
    std::lock_guard<std::mutex> lock(mutex);
    for (Conversation &conversation : conversations) {
        if (conversation.id != conversationId || conversation.main ||
            !conversation.hasMember(userId))
            continue;
        conversation.userIds.erase(
            std::find(conversation.userIds.begin(), conversation.userIds.end(), userId));
        conversation.formerUserIds.insert(std::upper_bound(conversation.formerUserIds.begin(),
                                                           conversation.formerUserIds.end(),
                                                           userId),
                                          userId);
        conversation.updatedAt = QDateTime::currentSecsSinceEpoch();
        save();
        return true;
    }
    return false;
}

ChatMessage ConversationStore::post(qint64 conversationId, qint64 senderId, const QString &body,
                                    const QString &sentAt)
{
    return post(conversationId, senderId, QStringList{body}, sentAt).front();
}

std::vector<ChatMessage> ConversationStore::post(qint64 conversationId, qint64 senderId,
                                                 const QStringList &bodies, const QString &sentAt)
{
    std::lock_guard<std::mutex> lock(mutex);
    const qint64 now = QDateTime::currentSecsSinceEpoch();
    std::vector<ChatMessage> made;
    for (const QString &body : bodies) {
        ChatMessage message;
        message.id = nextMessageId++;
        message.conversationId = conversationId;
        message.senderId = senderId;
        message.body = body;
        message.createdAt = now;
        message.sentAt = sentAt;
        chat.push_back(message);
        made.push_back(message);
    }
    for (Conversation &conversation : conversations) {
        if (conversation.id == conversationId)
            conversation.updatedAt = now;
    }
    save();
    return made;
}

std::vector<ChatMessage> ConversationStore::messages(qint64 conversationId, qint64 before,
                                                     qint64 limit, qint64 beforeId) const
{
    std::lock_guard<std::mutex> lock(mutex);
    std::vector<ChatMessage> page;
    // Ids follow the order of storing; seconds do not tell apart the messages of a burst.
    const auto older = [before, beforeId](const ChatMessage &message) {
        if (beforeId > 0)
            return message.id < beforeId;
        return before == 0 || message.createdAt < before;
    };
    for (auto it = chat.rbegin(); it != chat.rend() && qint64(page.size()) < limit; ++it) {
        if (it->conversationId == conversationId && older(*it))
            page.push_back(*it);
    }
    return page;
}

std::vector<ChatMessage> ConversationStore::messagesSince(qint64 conversationId, qint64 since,
                                                          qint64 afterId) const
{
    std::lock_guard<std::mutex> lock(mutex);
    std::vector<ChatMessage> news;
    for (auto it = chat.rbegin(); it != chat.rend() && it->id > afterId; ++it) {
        if (it->conversationId == conversationId && it->createdAt >= since)
            news.push_back(*it);
    }
    return news;
}
