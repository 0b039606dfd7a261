#ifndef MCJOININVITATIONVIEW_H
#define MCJOININVITATIONVIEW_H

#include <QPointer>
#include <QWidget>

class KBButton;
class MCJoinInvitation;
class QLabel;

// The lower pane of the notifications page for one contact invitation: the sender's picture,
// the request with the sender's name and address, where the answer stands, and Accept and
// Decline, which are enabled only while the invitation waits for an answer. A name or address
// wider than the pane is cut, and the whole of both is the body's tooltip.
class MCJoinInvitationView : public QWidget
{
    Q_OBJECT
public:
    explicit MCJoinInvitationView(QWidget *parent = nullptr);

    MCJoinInvitation *invitation() const { return m_invitation; }
    void setInvitation(MCJoinInvitation *invitation);

    KBButton *buttonAccept() const { return m_buttonAccept; }
    KBButton *buttonDecline() const { return m_buttonDecline; }
    QLabel *bodyField() const { return m_body; }
    QLabel *additionalField() const { return m_additional; }

signals:
    void acceptClicked(MCJoinInvitation *invitation);
    void declineClicked(MCJoinInvitation *invitation);

protected:
    bool eventFilter(QObject *watched, QEvent *event) override;

private:
    void refresh();
    // The request with the sender's name and address, each cut to the body's width.
    void showBody();

    QPointer<MCJoinInvitation> m_invitation;
    QLabel *m_avatar;
    QLabel *m_body;
    QLabel *m_additional;
    KBButton *m_buttonAccept;
    KBButton *m_buttonDecline;
};

#endif // MCJOININVITATIONVIEW_H
