#include "localserver.h"
#include "serviceoptions.h"

#include <QStringList>

#include <cstdio>

#include <csignal>
#include <malloc.h>
#include <sys/prctl.h>
#include <unistd.h>

namespace {

// Request bodies are read whole, in blocks of up to 8 MiB for a 5 MiB chunk. glibc raises its
// mmap threshold to the largest mapped block freed, after which such blocks come from the
// arena of the worker that read them and stay there once freed: with a worker per connection,
// one arena after another fills up. A fixed threshold (which also fixes the trim threshold)
// keeps large blocks mapped, so that freeing returns them.
constexpr int mmapThresholdBytes = 256 * 1024;
// Each arena also keeps some free memory of its own; glibc allows eight per core, and the
// workers, hundreds of them, come to use every one.
constexpr int arenas = 4;

} // namespace

int main(int argc, char *argv[])
{
    mallopt(M_MMAP_THRESHOLD, mmapThresholdBytes);
    mallopt(M_ARENA_MAX, arenas);
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
