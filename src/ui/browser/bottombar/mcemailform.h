#ifndef MCEMAILFORM_H
#define MCEMAILFORM_H

#include "mocontactsmanagerdelegate.h"
#include "mopostednotification.h"

#include <QUrl>
#include <QWidget>

class KBButton;
class MCEmailTokenField;
class MCImageView;
class MCTextViewPlaceholder;
class MOContactsManager;
class MONotificationCenter;
class MOObjectsManager;
class QLabel;
class QToolButton;
class YRKSpinningProgressIndicator;

// The share-link popover's second page: the e-mail form. A blue band names the shared file;
// the recipients field completes from the user's contacts; Send validates every address,
// sends once through the objects facade and shows the progress, then what the service
// answered (the addresses it could not reach included) or the failure. Too many recipients
// or an address too long are refused before anything is sent; what was typed stays until a
// new link is shown.
class MCEmailForm
    : public QWidget
    , public MOContactsManagerDelegate
{
    Q_OBJECT
public:
    // coreMessages: the centre of the core's "MONotification" messages, where a failed send
    // is reported (optional).
    MCEmailForm(MOObjectsManager *objects, MONotificationCenter *coreMessages,
                QWidget *parent = nullptr);
    ~MCEmailForm() override;

    // The link and the remote path of the shared object the form sends.
    void setShare(const QUrl &link, const QString &filePath);
    QUrl currentSharedURL() const { return m_link; }
    QString currentSharedFilename() const { return m_filePath; }
    // Empties the recipients and the message.
    void clearEntries();
    // Forgets the last send's status.
    void resetStatus();

    MCImageView *imageLink2() const { return m_imageLink2; }
    QLabel *textHeader() const { return m_textHeader; }
    MCEmailTokenField *tokenField() const { return m_tokenField; }
    MCTextViewPlaceholder *messageTextView() const { return m_messageTextView; }
    KBButton *buttonEmail() const { return m_buttonEmail; }
    QToolButton *buttonBackPreviousView() const { return m_buttonBack; }
    QLabel *imageSendingEmail() const { return m_imageSendingEmail; }
    YRKSpinningProgressIndicator *progressSendingEmail() const { return m_progress; }
    QLabel *textSendingEmail() const { return m_textSendingEmail; }
    bool isSending() const { return m_sending; }

    // Send: nothing while a send is under way or without recipients.
    void actionSendEmail();

    // MOContactsManagerDelegate
    void collaborationManagerDidReceiveContacts(MOContactsManager *manager,
                                                const QList<MOUserAccount> &contacts) override;

signals:
    void backRequested();
    // The send failed; the form says why and still holds what was typed.
    void sendFailed();

protected:
    void showEvent(QShowEvent *event) override;

private:
    void emailsSentNotification(const MOPostedNotification &notification);
    void coreMessage(const MOPostedNotification &notification);
    void finishSending(const QString &status, bool success);
    void refuse(const QString &reason);

    MOObjectsManager *m_objects;
    MOContactsManager *m_contactsManager;
    QUrl m_link;
    QString m_filePath;
    QLabel *m_textHeader;
    MCImageView *m_imageLink2;
    MCEmailTokenField *m_tokenField;
    MCTextViewPlaceholder *m_messageTextView;
    KBButton *m_buttonEmail;
    QToolButton *m_buttonBack;
    QLabel *m_imageSendingEmail;
    YRKSpinningProgressIndicator *m_progress;
    QLabel *m_textSendingEmail;
    bool m_sending = false;
};

#endif // MCEMAILFORM_H
