#ifndef SOCIALSESSION_H
#define SOCIALSESSION_H

#include "kerlolocal.h"
#include "moconversation.h"
#include "mouseraccount.h"
#include "testdata.h"

#include <QString>
#include <QStringList>

// The model layer started against kerlo-local and signed in as the demo user, for the suites
// of the social facades. Once per process, from initTestCase. Everything here goes through
// the facades' public calls; what another user does goes through kerlo-local's control API.
namespace SocialSession {

using TestData::demoEmail;
using TestData::demoPassword;
// The password of every user made by start().
extern const QString otherPassword;

// Starts server, makes the users others, starts the model layer and signs in as the demo
// user. Returns what went wrong; empty on success.
QString start(KerloLocal *server, const QStringList &others);

// Signs out whoever is signed in, then in as email. Returns what went wrong; empty on success.
QString signIn(const QString &email, const QString &password);

// The account with exactly that e-mail address, as the contacts search finds it; an account
// without data (id -1) when nobody has it.
MOUserAccount account(const QString &email);

// The one-to-one conversation of the signed-in user with email, made if need be; its
// identifier is 0 on failure.
MOConversation conversationWith(const QString &email);

// Accepts the pending contact invitation with that identifier as the signed-in user. False
// when it is not pending or the service refused.
bool acceptContactInvitation(qint64 invitationId);

} // namespace SocialSession

#endif // SOCIALSESSION_H
