#ifndef LOGCAPTURE_H
#define LOGCAPTURE_H

#include <QJsonObject>
#include <QStringList>

// Keeps a copy of every message the process logs, debug output included, and passes each
// on to the handler that was installed before.
namespace LogCapture {

void install();
QStringList messages();

// The secrets that appear in the captured log: the given ones (passwords, tokens), as they
// are or form-encoded, and every API key and token of a KerloLocal::tokens() map.
QStringList leakedSecrets(const QJsonObject &issuedTokens, const QStringList &secrets);

} // namespace LogCapture

#endif // LOGCAPTURE_H
