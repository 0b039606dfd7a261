#ifndef MCPASSWORDRECOVERYCONTROLLER_H
#define MCPASSWORDRECOVERYCONTROLLER_H

#include <QDialog>
#include <QUrl>

class QLabel;
class QLineEdit;
class QPushButton;
class QStackedWidget;

// The password window: a forgotten-password form (an e-mail address) or a change-password form
// (the old and the new password), checked as the user types; a button is enabled only for
// valid input. The service takes neither request from the program, so no button sends
// anything: Submit opens the web site's password-reset page, and Change says where to go.
class MCPasswordRecoveryController : public QDialog
{
    Q_OBJECT
public:
    // bundleName: the application's name for the title; site: the service's web site.
    MCPasswordRecoveryController(const QString &bundleName, const QUrl &site,
                                 QWidget *parent = nullptr);

    // Shows the forgotten-password form (true) or the change-password form, emptied.
    void setPasswordForgot(bool forgot);
    bool isPasswordForgot() const { return m_forgot; }

    QLineEdit *emailTextfield() const { return m_email; }
    QLineEdit *oldPasswordTextfield() const { return m_oldPassword; }
    QLineEdit *passwordTextfield() const { return m_password; }
    QPushButton *submitButton() const { return m_submit; }
    QPushButton *changePasswordButton() const { return m_change; }
    QLabel *forgotMessageTextfield() const { return m_forgotMessage; }
    QLabel *changeMessageTextfield() const { return m_changeMessage; }

    // The web page Submit opens.
    QUrl resetPage() const;

private:
    // tag: 3 the e-mail field, 1 the old password, 2 the new one.
    void controlTextDidChange(int tag);
    void confirmOperation();
    void abortOperation();
    void fitMessages();

    QUrl m_site;
    QString m_bundleName;
    bool m_forgot = true;
    QStackedWidget *m_box;
    QLineEdit *m_email;
    QLabel *m_forgotMessage;
    QPushButton *m_submit;
    QLineEdit *m_oldPassword;
    QLineEdit *m_password;
    QLabel *m_changeMessage;
    QPushButton *m_change;
};

#endif // MCPASSWORDRECOVERYCONTROLLER_H
