#ifndef MODELTESTAPPLICATION_H
#define MODELTESTAPPLICATION_H

#include "kerlolocal.h"
#include "moapplication.h"
#include "moapplicationdelegate.h"

#include <QObject>
#include <QTemporaryDir>
#include <QThread>

// Setting up the model layer in a test process, as the shell's main() does, against
// kerlo-local. MOApplication and the core are once per process: a suite sets up once (in
// initTestCase) and runs other set-ups in subprocesses (TestCore::runSubprocess).
namespace ModelTest {

// A data location (XDG_DATA_HOME) of this process's own, below a folder that does not exist
// yet; the support folder goes in it. Call before setup(). Returns the location.
QString useTemporaryDataLocation();

// The main identifier configureApplication() sets: one of this process's own.
QString mainIdentifier();

// Sets the application name and every configuration value of MOApplication for server:
// identifier, application string, base API URL, authorization URL, client id and secret.
void configureApplication(const KerloLocal &server);

// configureApplication(), then setup() (which stores credentials in the session's keyring,
// through the Secret Service) and setupNetwork(); waits until the delegate has been told the core
// is ready. False on timeout.
bool startApplication(const KerloLocal &server, MOApplicationDelegate *delegate,
                      int timeout = 20000);

// Signs in through the authentication facade, signing out first when someone is signed in,
// and waits for the outcome. Empty on success, else what failed.
QString signIn(const QString &email, const QString &password, int timeout = 20000);

// The facade's reload(): true once the stored credentials have authorised the client again.
bool reload(int timeout = 20000);

} // namespace ModelTest

// A delegate that counts its calls and remembers the threads they came on.
class RecordingApplicationDelegate
    : public QObject
    , public MOApplicationDelegate
{
    Q_OBJECT
public:
    void applicationDidFinishSetup(MOApplication *application) override;
    void applicationDidFinishShutdown(MOApplication *application) override;

    int setupCount = 0;
    int shutdownCount = 0;
    bool offMainThread = false;
    MOApplication *lastApplication = nullptr;
};

#endif // MODELTESTAPPLICATION_H
