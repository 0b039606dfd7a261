#ifndef SOCIALSESSION_H
#define SOCIALSESSION_H

#include "kerlolocal.h"
#include "testdata.h"

#include <QString>
#include <QStringList>

class MConversation;

// The model layer started against kerlo-local and signed in as the demo user, for the suites
// of the social facades. Once per process, from initTestCase.
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

// The one-to-one conversation of the signed-in user with email, made if need be; its
// identifier is 0 on failure.
MConversation conversationWith(const QString &email);

} // namespace SocialSession

#endif // SOCIALSESSION_H
