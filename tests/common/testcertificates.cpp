#include "testcertificates.h"

#include <QDir>
#include <QFile>
#include <QProcess>
#include <QUuid>

namespace {

bool runOpenssl(const QString &folder, const QStringList &arguments)
{
    QProcess openssl;
    openssl.setWorkingDirectory(folder);
    openssl.setProcessChannelMode(QProcess::MergedChannels);
    openssl.start(QStringLiteral("openssl"), arguments);
    if (!openssl.waitForFinished(60000) || openssl.exitStatus() != QProcess::NormalExit ||
        openssl.exitCode() != 0) {
        qWarning("openssl %s failed: %s%s", qPrintable(arguments.join(QLatin1Char(' '))),
                 qPrintable(openssl.errorString()), openssl.readAll().constData());
        return false;
    }
    return true;
}

QString randomSerial()
{
    return QStringLiteral("0x") + QUuid::createUuid().toString(QUuid::Id128).left(30);
}

} // namespace

TestCertificates TestCertificates::generate(const QString &folder, const QString &commonName,
                                            const QStringList &subjectAltNames)
{
    const QDir dir(folder);
    if (!dir.mkpath(QStringLiteral(".")))
        return {};

    TestCertificates files;
    files.caCertificatePath = dir.filePath(QStringLiteral("ca.pem"));
    files.caKeyPath = dir.filePath(QStringLiteral("ca.key"));
    const QString certificatePath = dir.filePath(QStringLiteral("server.pem"));
    files.keyPath = dir.filePath(QStringLiteral("server.key"));
    const QString requestPath = dir.filePath(QStringLiteral("server.csr"));
    const QString extensionsPath = dir.filePath(QStringLiteral("server.ext"));

    const QStringList ecKey{
        QStringLiteral("-newkey"), QStringLiteral("ec"), QStringLiteral("-pkeyopt"),
        QStringLiteral("ec_paramgen_curve:prime256v1"), QStringLiteral("-nodes")};
    // A distinct name per CA, so that two of them are never mistaken for one another.
    const QString caName = QStringLiteral("/CN=Lumarin Test CA %1")
                               .arg(QUuid::createUuid().toString(QUuid::WithoutBraces));
    if (!runOpenssl(folder, QStringList{QStringLiteral("req"), QStringLiteral("-x509")}
                                << ecKey
                                << QStringList{QStringLiteral("-keyout"), files.caKeyPath,
                                               QStringLiteral("-out"), files.caCertificatePath,
                                               QStringLiteral("-days"), QStringLiteral("3650"),
                                               QStringLiteral("-subj"), caName,
                                               QStringLiteral("-set_serial"), randomSerial()}))
        return {};

    if (!runOpenssl(folder,
                    QStringList{QStringLiteral("req"), QStringLiteral("-new")}
                        << ecKey
                        << QStringList{QStringLiteral("-keyout"), files.keyPath,
                                       QStringLiteral("-out"), requestPath, QStringLiteral("-subj"),
                                       QStringLiteral("/CN=") + commonName}))
        return {};

    QFile extensions(extensionsPath);
    if (!extensions.open(QIODevice::WriteOnly | QIODevice::Truncate))
        return {};
    QByteArray text = "basicConstraints=critical,CA:FALSE\n"
                      "keyUsage=critical,digitalSignature,keyEncipherment\n"
                      "extendedKeyUsage=serverAuth\n";
    if (!subjectAltNames.isEmpty())
        text += "subjectAltName=" + subjectAltNames.join(QLatin1Char(',')).toUtf8() + '\n';
    extensions.write(text);
    extensions.close();

    if (!runOpenssl(folder, {QStringLiteral("x509"), QStringLiteral("-req"), QStringLiteral("-in"),
                             requestPath, QStringLiteral("-CA"), files.caCertificatePath,
                             QStringLiteral("-CAkey"), files.caKeyPath, QStringLiteral("-out"),
                             certificatePath, QStringLiteral("-days"), QStringLiteral("365"),
                             QStringLiteral("-set_serial"), randomSerial(),
                             QStringLiteral("-extfile"), extensionsPath}))
        return {};

    files.certificatePath = certificatePath;
    return files;
}
