#ifndef TESTCERTIFICATES_H
#define TESTCERTIFICATES_H

#include <QString>
#include <QStringList>

// A throw-away certificate authority and a server certificate it signed, as PEM files.
struct TestCertificates
{
    QString caCertificatePath;
    QString caKeyPath;
    QString certificatePath; // the server's
    QString keyPath;

    bool isValid() const { return !certificatePath.isEmpty(); }

    // Writes a new CA and a server certificate for commonName and subjectAltNames (for
    // example "DNS:localhost", "IP:127.0.0.1") into folder, with the openssl command line.
    // Every call makes a new, unrelated CA. Returns an invalid value on failure.
    static TestCertificates
    generate(const QString &folder, const QString &commonName = QStringLiteral("localhost"),
             const QStringList &subjectAltNames = {QStringLiteral("DNS:localhost"),
                                                   QStringLiteral("IP:127.0.0.1")});
};

#endif // TESTCERTIFICATES_H
