#ifndef MCUSERDEFAULTS_H
#define MCUSERDEFAULTS_H

#include <QDateTime>
#include <QHash>
#include <QObject>
#include <QVariantMap>

#include <functional>

class Autostart;
class Clock;
class QSettings;

// Keeps the interface's options between runs: the state hub's option dictionaries, one per
// window or view class, each stored in the settings under its name ("MCAppDelegate",
// "MCIconController", "MCListController", "MCColumnController", "MyContacts").
//
// loadUserDefaults() runs once, when the core first becomes ready: it copies the stored
// dictionaries into the options and fills the application-wide options a first launch lacks,
// adding the program to the desktop's autostart when "WillStartAtLogin" is first filled.
// saveUserDefaults() writes the options back, but only while the core is initialised and a user
// is signed in; other keys of the settings (the shared "Colors") stay as they are.
// resetUserDefaults() empties the settings at sign-out and removes the autostart entry.
// Main thread only.
class MCUserDefaults : public QObject
{
    Q_OBJECT
public:
    using Options = QHash<QString, QVariantMap>;
    using Check = std::function<bool()>;

    // The dictionaries, and the application-wide options of "MCAppDelegate".
    static inline const QString AppDelegate = QStringLiteral("MCAppDelegate");
    static inline const QString IconController = QStringLiteral("MCIconController");
    static inline const QString ListController = QStringLiteral("MCListController");
    static inline const QString ColumnController = QStringLiteral("MCColumnController");
    static inline const QString MyContacts = QStringLiteral("MyContacts");
    static inline const QString FinderMoveDefaultAction = QStringLiteral("FinderMoveDefaultAction");
    static inline const QString OpenArchiveDefaultAction =
        QStringLiteral("OpenArchiveDefaultAction");
    static inline const QString DeleteAskConfermation = QStringLiteral("DeleteAskConfermation");
    static inline const QString SoundsEnabled = QStringLiteral("SoundsEnabled");
    static inline const QString NewFileSettings = QStringLiteral("NewFileSettings");
    static inline const QString WillStartAtLogin = QStringLiteral("WillStartAtLogin");
    static inline const QString PathBarIsVisible = QStringLiteral("PathBarIsVisible");
    static inline const QString StatusBarIsInvisible = QStringLiteral("StatusBarIsInvisible");
    static inline const QString ShowWelcomeTour = QStringLiteral("ShowWelcomeTour");

    // options, settings, autostart and clock must outlive this object; autostart may be null
    // (no entry is touched) and so may clock (the system clock is used). coreInitialized and
    // authenticated say whether a save may write (the application facade's and the
    // authentication facade's answers).
    MCUserDefaults(Options &options, QSettings *settings, Check coreInitialized,
                   Check authenticated, Autostart *autostart, Clock *clock,
                   QObject *parent = nullptr);
    ~MCUserDefaults() override;

    // Where the default new-file template is copied (the hub's templates folder). Without
    // one, loading leaves "NewFileSettings" unfilled.
    void setTemplatesPath(const QString &path);

    void loadUserDefaults();
    // true when it wrote the settings.
    bool saveUserDefaults();
    void resetUserDefaults();

    // The application lost the focus: saves at most once every 300 seconds, never while
    // shutting down, and, once set up, not while the sign-in window shows or nobody is signed
    // in. true when it saved.
    bool applicationDidResignActive(bool shuttingDown, bool didFinishSetup,
                                    bool signInWindowVisible);

    // How the loaded options want the bars: the path bar is shown unless "PathBarIsVisible" was
    // stored as false; the status bar is hidden only when "StatusBarIsInvisible" was stored
    // true.
    bool pathBarShownAtLoad() const;
    bool statusBarHiddenAtLoad() const;

private:
    QDateTime now() const;

    Options &m_options;
    QSettings *m_settings;
    Check m_coreInitialized;
    Check m_authenticated;
    Autostart *m_autostart;
    Clock *m_clock;
    QString m_templatesPath;
    QDateTime m_lastResignSave;
};

#endif // MCUSERDEFAULTS_H
