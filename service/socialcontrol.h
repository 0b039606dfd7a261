#ifndef SOCIALCONTROL_H
#define SOCIALCONTROL_H

#include <string>

class AccountStore;
class CollaborationsApi;
class ContactsApi;
class ConversationsApi;
class Router;
class SocialReplies;

// The control calls that act as another user: post a message, send a collaboration or a
// contact invitation, answer one, list a user's contact invitations, and set someone's
// presence.
class SocialControl
{
public:
    SocialControl(AccountStore &accounts, ContactsApi &contacts, CollaborationsApi &collaborations,
                  ConversationsApi &conversations, const SocialReplies &replies);

    void addRoutes(Router &router, const std::string &prefix);

private:
    AccountStore &accounts;
    ContactsApi &contacts;
    CollaborationsApi &collaborations;
    ConversationsApi &conversations;
    const SocialReplies &replies;
};

#endif // SOCIALCONTROL_H
