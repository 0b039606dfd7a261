#ifndef MCWINDOWLOGINCONTROLLER_H
#define MCWINDOWLOGINCONTROLLER_H

#include <QPointer>
#include <QUrl>
#include <QWidget>

class KBButton;
class MCLoginTextField;
class MOUserAuthenticationManager;
class QFrame;
class QLabel;
class QLineEdit;
class QPushButton;
class YRKSpinningProgressIndicator;
class QAbstractAnimation;
class QTimer;

// The window in which the user types an e-mail address and a password. It checks both,
// starts the sign-in and shows how it went; the application delegate shows, resets and
// closes it. Closing it asks the application to quit.
class MCWindowLoginController : public QWidget
{
    Q_OBJECT
public:
    // site: the service's web site, in front of the "/forgot" and "/users/sign_up" links.
    MCWindowLoginController(MOUserAuthenticationManager *authManager, const QUrl &site,
                            QWidget *parent = nullptr);
    ~MCWindowLoginController() override;

    // Tests turn the opening animation off for the whole process (so does the environment
    // variable LUMARIN_INSTANT_ANIMATIONS=1): the window is usable as soon as it is shown.
    static void setAnimationsEnabled(bool enabled);
    static bool animationsEnabled();
    // How long a sign-in may stay unanswered before the window gives up on it (30 s).
    static void setConnectingTimeout(int milliseconds);

    bool fieldsAreValid();
    void resetLoginWindow();
    // statusCode: the service's answer to the sign-in; 401 is a refused password, 0 no
    // answer at all, any other a service that failed.
    void didFailAuthenticatingUser(int statusCode);
    void didFailAuthorizingClientWithUsername(const QString &username);
    // The service could not be reached while a sign-in was under way.
    void didFailConnecting();
    // True between signInAction() and the answer.
    bool isConnecting() const;
    // True once the opening animation has ended and the fields can be used.
    bool isReady() const { return m_ready; }

    QString statusText() const;
    QLineEdit *usernameTextField() const { return m_username; }
    QLineEdit *passwordTextField() const { return m_password; }
    QPushButton *buttonSignIn() const;

public slots:
    void signInAction();

signals:
    // The window's close button: the application should quit.
    void exitRequested();
    void opened();

protected:
    void showEvent(QShowEvent *event) override;
    void closeEvent(QCloseEvent *event) override;

private:
    void startOpeningAnimation();
    void addButtonsView();
    void buttonsShown();
    void setControlsEnabled(bool enabled);
    void stopSpinner();
    void showStatus(const QString &text, bool asError);

    QPointer<MOUserAuthenticationManager> m_authManager;
    QLabel *m_logo;
    QWidget *m_logoSpacer;
    QWidget *m_buttonsView;
    QLineEdit *m_username;
    QLineEdit *m_password;
    KBButton *m_signIn;
    MCLoginTextField *m_signUpLink;
    MCLoginTextField *m_forgotLink;
    QFrame *m_boxError;
    QLabel *m_imageError;
    QLabel *m_errorText;
    YRKSpinningProgressIndicator *m_progress;
    QTimer *m_connectingTimer;
    QPointer<QAbstractAnimation> m_animation;
    bool m_animationStarted = false;
    bool m_ready = false;
    bool m_connecting = false;
    bool m_closingForQuit = false;
};

#endif // MCWINDOWLOGINCONTROLLER_H
