#pragma once

#include "kerlolocal.h"
#include "mcchattableview.h"
#include "servicereader.h"

#include <QDateTime>
#include <QScrollBar>
#include <QString>

class MCChatRowsModel;
class MCChatViewController;
class MCContact;

namespace ShellTest {

class Shell;

// Bea Lee, a second user of kerlo-local, who talks with the demo user in a one-to-one
// conversation: her own HTTP session, her messages through the control API, her contact and
// chat page in the shell the suite signed in.
class ChatPartner
{
public:
    static constexpr auto Email = "bea@kerlo.local";
    static constexpr auto Password = "bea-password";

    // server and shell must outlive the partner.
    ChatPartner(KerloLocal &server, Shell &shell);

    // Makes Bea's account and signs her in.
    bool createAccount();
    // Bea starts her conversation with the demo user (making her account first when
    // createAccount() was not called).
    bool startConversation();
    qint64 conversation() const { return m_conversation; }
    const ServiceReader &session() const { return m_session; }
    // A message of Bea's in the conversation; sent at sentAt when it is valid.
    bool post(const QString &content, const QDateTime &sentAt = QDateTime()) const;
    // Bea asks the demo user to become her contact.
    bool inviteDemoUser() const;
    // The signed-in demo user accepts her invitation, the only message waiting; true once the
    // service took the answer and her contact holds the conversation.
    bool acceptInvitation(int timeout = 20000) const;

    // In the shell's hub; null until it knows her.
    MCContact *contact() const;
    MCChatViewController *chat() const;
    MCChatTableView *table() const;
    const MCChatRowsModel *rows() const;
    // Clicks her row in the sidebar; true once her chat page is the one shown.
    bool showChat() const;
    // Clicks the sidebar's row of place once the sidebar lists it; false when it does not.
    bool clickPlace(const QString &place) const;
    // Scrolls row to the top of the chat table and answers its view.
    template<class View> View *viewOf(int row) const;

private:
    KerloLocal &m_server;
    Shell &m_shell;
    ServiceReader m_session;
    qint64 m_conversation = 0;
    bool m_created = false;
};

// The last row of model whose text is text; -1 when none is.
int rowWithText(const MCChatRowsModel *model, const QString &text);

template<class View> View *ChatPartner::viewOf(int row) const
{
    MCChatTableView *chatTable = table();
    chatTable->verticalScrollBar()->setValue(chatTable->rowTop(row));
    return qobject_cast<View *>(chatTable->rowView(row));
}

} // namespace ShellTest
