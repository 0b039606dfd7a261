#include "localserver.h"
#include "serviceoptions.h"

#include <QStringList>

#include <cstdio>

#include <csignal>
#include <sys/prctl.h>
#include <unistd.h>

int main(int argc, char *argv[])
{
    QStringList arguments;
    for (int i = 0; i < argc; ++i)
        arguments.append(QString::fromLocal8Bit(argv[i]));

    QString error;
    const std::optional<ServiceOptions> options = ServiceOptions::fromArguments(arguments, &error);
    if (!options) {
        std::fprintf(stderr, "kerlo-local: %s\n%s\n", qPrintable(error),
                     qPrintable(ServiceOptions::usage()));
        return 2;
    }
    if (options->exitWithParent) {
        const pid_t parent = getppid();
        prctl(PR_SET_PDEATHSIG, SIGTERM);
        // The parent may have gone before the request took effect.
        if (getppid() != parent)
            return 0;
    }
    LocalServer server(*options);
    return server.run();
}
