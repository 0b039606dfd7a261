#ifndef MCCHATFILEROWVIEW_H
#define MCCHATFILEROWVIEW_H

#include "mcchatcollaborationentry.h"
#include "mcchatrowview.h"

class MCElidedLabel;
class QPushButton;

// A file offered in the chat (100 points): its icon, name and size, the state line and the
// buttons the state calls for: Send and Cancel for a file about to be sent ("sendFileRequest",
// "sendFileRequestGroup"), Accept and Decline for a file received ("receiveFileRequest"), Show
// for a received file once accepted. An icon before the state line follows the answer.
class MCChatFileRowView : public MCChatRowView
{
    Q_OBJECT
public:
    MCChatFileRowView(const MCChatEntryPtr &entry, const QString &senderName, const QPixmap &avatar,
                      QWidget *parent);

    MCChatCollaborationEntryPtr fileEntry() const
    {
        return m_entry.staticCast<MCChatCollaborationEntry>();
    }
    QString sendingText() const;
    QLabel *stateLabel() const { return m_state; }
    // The icon of the answer so far (waiting, accepted, rejected, revoked) before the state
    // line; hidden while the file is only offered.
    QLabel *statusImageView() const { return m_status; }
    QString accessoryText() const;
    QPushButton *sendButton() const { return m_send; }
    QPushButton *cancelButton() const { return m_cancel; }
    QPushButton *acceptButton() const { return m_accept; }
    QPushButton *declineButton() const { return m_decline; }
    QPushButton *showButton() const { return m_show; }
    void setImageColumnShown(bool shown) override;

signals:
    void sendRequested(const MCChatCollaborationEntryPtr &entry);
    void cancelRequested(const MCChatCollaborationEntryPtr &entry);
    void acceptRequested(const MCChatCollaborationEntryPtr &entry);
    void declineRequested(const MCChatCollaborationEntryPtr &entry);
    void showRequested(const MCChatCollaborationEntryPtr &entry);

protected:
    void resizeEvent(QResizeEvent *event) override;
    virtual void layoutContents();
    // Room kept free at the right of the file's texts, below the row's first line.
    virtual int reservedWidth() const { return 0; }

private:
    void refresh();
    QPushButton *button(const QString &title);

    QLabel *m_picture = nullptr;
    QLabel *m_icon;
    MCElidedLabel *m_name;
    MCElidedLabel *m_label;
    QLabel *m_size;
    QLabel *m_status;
    QLabel *m_state;
    QLabel *m_accessory;
    QPushButton *m_send;
    QPushButton *m_cancel;
    QPushButton *m_accept;
    QPushButton *m_decline;
    QPushButton *m_show;
};

#endif // MCCHATFILEROWVIEW_H
