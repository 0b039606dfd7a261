#include "socialseed.h"

#include "accountstore.h"
#include "contactbook.h"
#include "conversationstore.h"
#include "jsonbody.h"
#include "jsonreply.h"
#include "requestvalues.h"
#include "router.h"

#include <QJsonArray>

#include <map>

namespace {

// Far more than a test or a benchmark needs; a typo does not fill the disk.
const qint64 MaximumCount = 5000;
const QString SeedPassword = QStringLiteral("seed-password");

struct Person
{
    QString email;
    QString firstName;
    QString lastName;
};

// The people a body names: its "contacts" list, then "contact_count" generated ones.
std::optional<std::vector<Person>> peopleFrom(const QJsonObject &json, QString *error)
{
    std::vector<Person> people;
    for (const QJsonValue &value : json.value(QLatin1String("contacts")).toArray()) {
        const QJsonObject person = value.toObject();
        const QString email = person.value(QLatin1String("email")).toString();
        if (email.isEmpty()) {
            *error = QStringLiteral("each of \"contacts\" needs an \"email\"");
            return std::nullopt;
        }
        people.push_back({email, person.value(QLatin1String("first_name")).toString(),
                          person.value(QLatin1String("last_name")).toString()});
    }
    const std::optional<qint64> count =
        json.contains(QLatin1String("contact_count"))
            ? RequestValues::count(json.value(QLatin1String("contact_count")))
            : std::optional<qint64>(0);
    if (!count || *count > MaximumCount) {
        *error =
            QStringLiteral("\"contact_count\" must be an integer from 0 to %1").arg(MaximumCount);
        return std::nullopt;
    }
    for (qint64 i = 1; i <= *count; ++i)
        people.push_back({QStringLiteral("seed-%1@contacts.kerlo.local").arg(i),
                          QStringLiteral("Seed"),
                          QStringLiteral("Contact %1").arg(i, 4, 10, QChar('0'))});
    return people;
}

} // namespace

SocialSeed::SocialSeed(AccountStore &accounts, ContactBook &contacts,
                       ConversationStore &conversations)
    : accounts(accounts)
    , contacts(contacts)
    , conversations(conversations)
{}

void SocialSeed::addRoutes(Router &router, const std::string &prefix)
{
    // {"email", "contacts": [{"email", "first_name", "last_name"}], "contact_count",
    //  "groups": [{"name", "members": [e-mail]}], "group_count"}: generated groups take the
    // user and two of the user's new contacts. Answers the contacts' ids and the groups'.
    router.add(
        "POST", prefix + "/social-seed",
        [this](const httplib::Request &request, httplib::Response &response,
               const RouteCaptures &) {
            const std::optional<QJsonObject> json = JsonBody::object(request, response);
            if (!json)
                return;
            const std::optional<UserAccount> owner =
                accounts.user(json->value(QLatin1String("email")).toString());
            if (!owner) {
                JsonReply::sendErrors(response, 404,
                                      {QStringLiteral("no user has that \"email\"")});
                return;
            }
            QString error;
            const std::optional<std::vector<Person>> people = peopleFrom(*json, &error);
            const std::optional<qint64> groupCount =
                json->contains(QLatin1String("group_count"))
                    ? RequestValues::count(json->value(QLatin1String("group_count")))
                    : std::optional<qint64>(0);
            if (!people || !groupCount || *groupCount > MaximumCount) {
                JsonReply::sendErrors(response, 400,
                                      {error.isEmpty() ? QStringLiteral("\"group_count\" must be "
                                                                        "an integer from 0 to %1")
                                                             .arg(MaximumCount)
                                                       : error});
                return;
            }
            std::vector<qint64> contactIds;
            std::map<QString, qint64> idByEmail{{owner->email.toLower(), owner->id}};
            for (const Person &person : *people) {
                std::optional<UserAccount> user = accounts.user(person.email);
                if (!user) {
                    UserAccount made;
                    made.email = person.email;
                    made.firstName = person.firstName;
                    made.lastName = person.lastName;
                    user = accounts.createUser(made, SeedPassword);
                }
                if (!user || user->id == owner->id)
                    continue;
                contactIds.push_back(user->id);
                idByEmail[user->email.toLower()] = user->id;
            }
            contacts.connect(owner->id, contactIds);
            conversations.mainConversations(owner->id, contactIds);

            std::vector<std::pair<QString, std::vector<qint64>>> groups;
            for (const QJsonValue &value : json->value(QLatin1String("groups")).toArray()) {
                const QJsonObject group = value.toObject();
                std::vector<qint64> members{owner->id};
                for (const QJsonValue &member : group.value(QLatin1String("members")).toArray()) {
                    const auto known = idByEmail.find(member.toString().toLower());
                    if (known != idByEmail.end())
                        members.push_back(known->second);
                    else if (const std::optional<UserAccount> user =
                                 accounts.user(member.toString()))
                        members.push_back(user->id);
                }
                groups.push_back({group.value(QLatin1String("name")).toString(), members});
            }
            for (qint64 i = 0; i < *groupCount; ++i) {
                std::vector<qint64> members{owner->id};
                for (size_t k = 0; k < 2 && k < contactIds.size(); ++k)
                    members.push_back(contactIds[(size_t(i) + k) % contactIds.size()]);
                groups.push_back(
                    {QStringLiteral("Seed Group %1").arg(i + 1, 4, 10, QChar('0')), members});
            }
            QJsonArray groupIds;
            for (const Conversation &made : conversations.startGroups(groups))
                groupIds.append(made.id);
            QJsonArray madeContacts;
            for (const qint64 id : contactIds)
                madeContacts.append(id);
            JsonReply::send(
                response, 200,
                {{QStringLiteral("contacts"), madeContacts}, {QStringLiteral("groups"), groupIds}});
        });
}
