#include "serviceoptions.h"

#include <QCommandLineParser>
#include <QDir>

namespace {

const QCommandLineOption portOption(QStringLiteral("port"),
                                    QStringLiteral("Port on 127.0.0.1; 0 picks a free one."),
                                    QStringLiteral("N"), QStringLiteral("0"));
const QCommandLineOption dataOption(QStringLiteral("data"), QStringLiteral("Data folder."),
                                    QStringLiteral("DIR"));
const QCommandLineOption certOption(QStringLiteral("cert"),
                                    QStringLiteral("PEM certificate; serves HTTPS with --key."),
                                    QStringLiteral("FILE"));
const QCommandLineOption keyOption(QStringLiteral("key"), QStringLiteral("PEM private key."),
                                   QStringLiteral("FILE"));
const QCommandLineOption controlOption(QStringLiteral("control"),
                                       QStringLiteral("Enable the test control API."));
const QCommandLineOption exitWithParentOption(
    QStringLiteral("exit-with-parent"),
    QStringLiteral("Stop when the parent process ends (for test runs that may crash)."));

void addOptions(QCommandLineParser &parser)
{
    parser.addOptions(
        {portOption, dataOption, certOption, keyOption, controlOption, exitWithParentOption});
}

} // namespace

std::optional<ServiceOptions> ServiceOptions::fromArguments(const QStringList &arguments,
                                                            QString *error)
{
    QCommandLineParser parser;
    addOptions(parser);
    if (!parser.parse(arguments)) {
        *error = parser.errorText();
        return std::nullopt;
    }
    if (!parser.positionalArguments().isEmpty()) {
        *error =
            QStringLiteral("unexpected argument: %1").arg(parser.positionalArguments().first());
        return std::nullopt;
    }

    ServiceOptions options;
    bool ok = false;
    options.port = parser.value(portOption).toInt(&ok);
    if (!ok || options.port < 0 || options.port > 65535) {
        *error = QStringLiteral("--port needs a number from 0 to 65535");
        return std::nullopt;
    }
    options.dataPath = parser.isSet(dataOption)
                           ? parser.value(dataOption)
                           : QDir::current().filePath(QStringLiteral("kerlo-local-data"));
    if (options.dataPath.isEmpty()) {
        *error = QStringLiteral("--data needs a folder");
        return std::nullopt;
    }
    options.certificatePath = parser.value(certOption);
    options.keyPath = parser.value(keyOption);
    if (options.certificatePath.isEmpty() != options.keyPath.isEmpty()) {
        *error = QStringLiteral("--cert and --key go together");
        return std::nullopt;
    }
    options.controlApi = parser.isSet(controlOption);
    options.exitWithParent = parser.isSet(exitWithParentOption);
    return options;
}

QString ServiceOptions::usage()
{
    return QStringLiteral(
        "usage: kerlo-local [--port N] [--data DIR] [--cert FILE --key FILE] [--control]\n"
        "                   [--exit-with-parent]");
}
