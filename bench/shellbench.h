#ifndef SHELLBENCH_H
#define SHELLBENCH_H

#include "displaysettings.h"
#include "heapsettings.h"
#include "kerlolocal.h"
#include "mcappdelegate.h"
#include "mcmainwindow.h"
#include "shelltestfixture.h"

#include <QApplication>
#include <QJsonObject>

#include <cstdio>

// What the shell's and the browser's benchmarks start from, in this order: the program's
// folders kept apart from the user's, the application, and kerlo-local (started by start()).
// The program runs offscreen, signed in as the demo user.
struct ShellBench
{
    ShellBench(int &argc, char **argv)
        : root(isolateAsMainDoes())
        , app(argc, argv)
    {
        // The allocator as the program's main() sets it.
        HeapSettings::apply();
    }

    // The program's folders kept apart, and the display set up as main() sets it, before the
    // application object is made.
    static QString isolateAsMainDoes()
    {
        DisplaySettings::apply();
        return ShellTest::isolateEnvironment();
    }

    static QString demoEmail() { return QString::fromLatin1(ShellTest::DemoEmail); }
    static QString demoPassword() { return QString::fromLatin1(ShellTest::DemoPassword); }

    // False, said on stderr, when kerlo-local does not start.
    bool start()
    {
        if (server.start())
            return true;
        std::fprintf(stderr, "kerlo-local did not start\n");
        return false;
    }

    // Plants objects for the demo user through the control API (POST /objects/seed or
    // /objects); false, with the service's reply on stderr, when it fails.
    bool seed(const QString &path, QJsonObject body)
    {
        body.insert(QStringLiteral("email"), demoEmail());
        QByteArray reply;
        if (server.control("POST", path, body, &reply) == 200)
            return true;
        std::fprintf(stderr, "seeding failed: %s\n", reply.constData());
        return false;
    }

    // Launches the program, signs in through its window and shows the main window at
    // 1000 x 700; nullptr, said on stderr, when the sign-in fails.
    MCMainWindow *signInAndShow(ShellTest::Shell &shell)
    {
        shell.launch(server.baseUrl().toString());
        if (!shell.signInThroughWindow(demoEmail(), demoPassword()) || !shell.waitForSession()) {
            std::fprintf(stderr, "sign-in failed\n");
            return nullptr;
        }
        MCMainWindow *window = shell.delegate()->mainWindow();
        window->resize(1000, 700);
        window->show();
        return window;
    }

    const QString root; // the folder isolateEnvironment() chose
    QApplication app;
    KerloLocal server;
};

#endif // SHELLBENCH_H
