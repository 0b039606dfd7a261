#ifndef TESTDATA_H
#define TESTDATA_H

#include <QByteArray>
#include <QString>

// Values every suite shares, so that a change to kerlo-local's seed data is made once.
namespace TestData {

// The account kerlo-local makes when it starts on an empty data folder.
extern const QString demoEmail;
extern const QString demoPassword;
// A client id and secret of the length the service checks (it accepts any such pair).
extern const QString clientCredential;

// The MD5 digest of bytes: raw, as the cache index stores it, and as lower-case hex, as the
// service and the transfer records give it.
QByteArray md5(const QByteArray &bytes);
QString md5Hex(const QByteArray &bytes);

} // namespace TestData

#endif // TESTDATA_H
