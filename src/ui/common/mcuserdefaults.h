#ifndef MCUSERDEFAULTS_H
#define MCUSERDEFAULTS_H

#include <QDateTime>
#include <QObject>

#include <functional>

class MCOptions;
class QSettings;

// Keeps the interface's options (MCOptions) in the settings file between runs: one dictionary
// per window or view class under its name ("MCAppDelegate", "MCIconController",
// "MCListController", "MCColumnController", "MyContacts").
//
// loadUserDefaults() runs once, when the core first becomes ready: it copies the stored
// dictionaries into the options and fills the application-wide options a first launch lacks,
// adding the program to the desktop's autostart when "WillStartAtLogin" is first filled.
// saveUserDefaults() writes the options back, but only while the core is initialised and a user
// is signed in. resetUserDefaults() empties the settings at sign-out and removes the autostart
// entry. Main thread only.
class MCUserDefaults : public QObject
{
    Q_OBJECT
public:
    using Check = std::function<bool()>;

    // settings must outlive this object. coreInitialized and authenticated say whether a save
    // may write (the application facade's and the authentication facade's answers).
    MCUserDefaults(MCOptions *options, QSettings *settings, Check coreInitialized,
                   Check authenticated, QObject *parent = nullptr);
    ~MCUserDefaults() override;

    // Where the default new-file template is copied ("templates" in the support folder).
    // Without one, loading leaves "NewFileSettings" unfilled.
    void setTemplatesPath(const QString &path);
    // The desktop's autostart entry: whether it is there, and adding or removing it.
    void setStartAtLogin(Check isEnabled, std::function<void(bool)> setEnabled);
    // The clock of the at-most-once-per-300-seconds rule; the system clock by default.
    void setClock(std::function<QDateTime()> now);

    void loadUserDefaults();
    // true when it wrote the settings.
    bool saveUserDefaults();
    void resetUserDefaults();

    // The application lost the focus: saves at most once every 300 seconds, never while
    // shutting down, and, once set up, not while the sign-in window shows. true when it saved.
    bool applicationDidResignActive(bool shuttingDown, bool didFinishSetup,
                                    bool signInWindowVisible);

    // How the loaded options want the bars: the path bar is shown unless "PathBarIsVisible" was
    // stored as false; the status bar is hidden only when "StatusBarIsInvisible" was stored true.
    bool pathBarShownAtLoad() const;
    bool statusBarHiddenAtLoad() const;

private:
    MCOptions *m_options;
    QSettings *m_settings;
    Check m_coreInitialized;
    Check m_authenticated;
    Check m_isStartAtLogin;
    std::function<void(bool)> m_setStartAtLogin;
    std::function<QDateTime()> m_now;
    QString m_templatesPath;
    QDateTime m_lastResignSave;
};

#endif // MCUSERDEFAULTS_H
