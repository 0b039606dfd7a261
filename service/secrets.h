#ifndef SECRETS_H
#define SECRETS_H

#include <QString>

// Random keys and tokens, and the one-way form in which passwords are kept.
namespace Secrets {

// Lower-case hex of byteCount bytes from the system's CSPRNG: safe in URLs and headers.
QString randomHex(int byteCount);
// Lower-case hex SHA-256 of salt followed by the UTF-8 password.
QString passwordHash(const QString &salt, const QString &password);

} // namespace Secrets

#endif // SECRETS_H
