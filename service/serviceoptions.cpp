#include "serviceoptions.h"

#include "objectpath.h"

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

const QCommandLineOption seedOption(
    QStringLiteral("seed"),
    QStringLiteral("Put COUNT empty folders into FOLDER of the user EMAIL at the start, in one "
                   "transaction."),
    QStringLiteral("EMAIL:FOLDER:COUNT"));
const QCommandLineOption seedFilesOption(QStringLiteral("seed-files"),
                                         QStringLiteral("Seed empty files instead of folders."));

const QCommandLineOption demoTreeOption(
    QStringLiteral("demo-tree"),
    QStringLiteral("Put the demo tree (folders, pictures, documents) into the store of the user "
                   "EMAIL at the start, unless it holds something already."),
    QStringLiteral("EMAIL"));

void addOptions(QCommandLineParser &parser)
{
    parser.addOptions({portOption, dataOption, certOption, keyOption, controlOption,
                       exitWithParentOption, seedOption, seedFilesOption, demoTreeOption});
}

// EMAIL:FOLDER:COUNT; the folder may hold colons itself.
std::optional<ServiceOptions::Seed> parseSeed(const QString &text)
{
    const int first = text.indexOf(QLatin1Char(':'));
    const int last = text.lastIndexOf(QLatin1Char(':'));
    if (first <= 0 || last <= first)
        return std::nullopt;
    ServiceOptions::Seed seed;
    seed.email = text.left(first);
    const std::optional<QString> folder =
        ObjectPath::normalized(text.mid(first + 1, last - first - 1));
    bool ok = false;
    seed.count = text.mid(last + 1).toInt(&ok);
    if (!folder || !ok || seed.count < 0)
        return std::nullopt;
    seed.folder = *folder;
    return seed;
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
    if (parser.isSet(seedOption)) {
        options.seed = parseSeed(parser.value(seedOption));
        if (!options.seed) {
            *error = QStringLiteral("--seed needs EMAIL:FOLDER:COUNT, FOLDER an absolute path");
            return std::nullopt;
        }
        options.seed->files = parser.isSet(seedFilesOption);
    }
    options.demoTreeEmail = parser.value(demoTreeOption);
    if (parser.isSet(demoTreeOption) && options.demoTreeEmail.isEmpty()) {
        *error = QStringLiteral("--demo-tree needs an e-mail address");
        return std::nullopt;
    }
    return options;
}

QString ServiceOptions::usage()
{
    return QStringLiteral(
        "usage: kerlo-local [--port N] [--data DIR] [--cert FILE --key FILE] [--control]\n"
        "                   [--exit-with-parent] [--seed EMAIL:FOLDER:COUNT [--seed-files]]\n"
        "                   [--demo-tree EMAIL]");
}
