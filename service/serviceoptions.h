#ifndef SERVICEOPTIONS_H
#define SERVICEOPTIONS_H

#include <QString>
#include <QStringList>

#include <optional>

// The command line of kerlo-local.
struct ServiceOptions
{
    int port = 0; // 0: ephemeral
    QString dataPath;
    QString certificatePath; // both set: serve HTTPS
    QString keyPath;
    bool controlApi = false;
    bool exitWithParent = false; // stop when the process that started us ends
    // --seed EMAIL:FOLDER:COUNT [--seed-files]: empty folders or files made at the start.
    struct Seed
    {
        QString email;
        QString folder;
        int count = 0;
        bool files = false;
    };
    std::optional<Seed> seed;
    // --demo-tree EMAIL: the demo tree for that user, when the user's root is empty.
    QString demoTreeEmail;

    bool usesTls() const { return !certificatePath.isEmpty(); }

    // arguments include the program name, as QCoreApplication::arguments() does.
    static std::optional<ServiceOptions> fromArguments(const QStringList &arguments,
                                                       QString *error);
    static QString usage();
};

#endif // SERVICEOPTIONS_H
