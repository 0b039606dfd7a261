#ifndef TEMPGUARD_H
#define TEMPGUARD_H

#include <cerrno>
#include <csignal>
#include <cstdio>
#include <cstdlib>
#include <ftw.h>
#include <string>
#include <sys/prctl.h>
#include <sys/wait.h>
#include <unistd.h>

// A benchmark that writes gigabytes into temporary folders must not leave them behind when it
// crashes or is stopped. protect() makes a folder of its own the TMPDIR of everything the
// process and its children make, then forks: the child returns and runs the benchmark; the
// parent waits for it, removes the folder whatever became of the child, and exits as the child
// did (128 + the signal that ended it), once the child's own children have ended too. A SIGINT or
// SIGTERM sent to the parent goes on to the child. Call it first in main(), before any thread or
// QApplication exists. Profile the child: valgrind needs --trace-children=yes.
namespace TempGuard {

inline pid_t &child()
{
    static pid_t pid = 0;
    return pid;
}

inline void forward(int signal)
{
    if (child() > 0)
        kill(child(), signal);
}

inline int removeEntry(const char *path, const struct stat *, int, struct FTW *)
{
    return ::remove(path);
}

inline void protect(const char *name)
{
    std::string folder = (std::getenv("TMPDIR") && *std::getenv("TMPDIR")) ? std::getenv("TMPDIR")
                                                                           : std::string("/tmp");
    folder += std::string("/") + name + "-XXXXXX";
    if (!mkdtemp(folder.data())) {
        std::perror("mkdtemp");
        std::exit(1);
    }
    setenv("TMPDIR", folder.c_str(), 1);
    // The benchmark's own children (the service) come back to this process when it ends: the
    // folder goes once they have gone too, or they would write into it again.
    prctl(PR_SET_CHILD_SUBREAPER, 1);
    std::fflush(nullptr);
    child() = fork();
    if (child() < 0) {
        std::perror("fork");
        std::exit(1);
    }
    if (child() == 0)
        return;
    std::signal(SIGINT, forward);
    std::signal(SIGTERM, forward);
    int status = 0;
    while (waitpid(child(), &status, 0) < 0) {
        if (errno != EINTR) {
            status = 1 << 8;
            break;
        }
    }
    while (waitpid(-1, nullptr, 0) > 0 || errno == EINTR) {
    }
    nftw(folder.c_str(), removeEntry, 16, FTW_DEPTH | FTW_PHYS);
    if (WIFSIGNALED(status)) {
        std::fprintf(stderr, "the benchmark ended by signal %d\n", WTERMSIG(status));
        std::_Exit(128 + WTERMSIG(status));
    }
    std::_Exit(WIFEXITED(status) ? WEXITSTATUS(status) : 1);
}

// Ends the benchmark at once, its output flushed, without tearing the program down: the guard
// removes the folders, and the service ends with its parent. Thousands of downloads still
// queued would otherwise each be failed against the service that has gone, which measures
// nothing.
[[noreturn]] inline void finish(int code)
{
    std::fflush(nullptr);
    std::_Exit(code);
}

} // namespace TempGuard

#endif // TEMPGUARD_H
