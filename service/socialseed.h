#ifndef SOCIALSEED_H
#define SOCIALSEED_H

#include <string>

class AccountStore;
class ContactBook;
class ConversationStore;
class Router;

// The control call that gives a user many contacts and groups at once, for tests and
// benchmarks: the people are made when they do not exist, each pair gets its main
// conversation, and the stores are written once per call rather than once per person.
class SocialSeed
{
public:
    SocialSeed(AccountStore &accounts, ContactBook &contacts, ConversationStore &conversations);

    void addRoutes(Router &router, const std::string &prefix);

private:
    AccountStore &accounts;
    ContactBook &contacts;
    ConversationStore &conversations;
};

#endif // SOCIALSEED_H
