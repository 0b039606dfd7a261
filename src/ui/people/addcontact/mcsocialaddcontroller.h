#ifndef MCSOCIALADDCONTROLLER_H
#define MCSOCIALADDCONTROLLER_H

#include "moavatarmanagerdelegate.h"
#include "mocontactsmanagerdelegate.h"

#include <QWidget>

class MCInbox;
class MCJoinInvitation;
class MCPeople;
class MCSocialAddModel;
class MOAvatarManager;
class MOContactsManager;
class MOUserAuthenticationManager;
class QLineEdit;
class QPushButton;
class QTableView;
class QTimer;
class YRKSpinningProgressIndicator;

// The add-contact page, titled "addcontact://": finds users of the service by e-mail address
// and invites them to be contacts. Its contacts and avatar facades are its own, made on the
// first search. Only the answer to the latest search is shown, and nothing while it is under
// way; a search that fails, or that the service does not answer within searchTimeout(), stops
// the spinner and says so. An invitation reads as sent once the service took it; one that
// did not go through says why and can be sent again. Someone whose invitation to the user
// waits for an answer is offered acceptance, not another invitation.
class MCSocialAddController
    : public QWidget
    , public MOContactsManagerDelegate
    , public MOAvatarManagerDelegate
{
    Q_OBJECT
public:
    // people: the user's contacts; auth: the signed-in user name. Neither is owned.
    MCSocialAddController(MCPeople *people, MOUserAuthenticationManager *auth,
                          QWidget *parent = nullptr);
    ~MCSocialAddController() override;

    // The invitations the user received; not owned. None: every row invites.
    void setInbox(MCInbox *inbox);

    QLineEdit *searchField() const { return m_searchField; }
    QPushButton *buttonFind() const { return m_buttonFind; }
    QTableView *tableView() const { return m_tableView; }
    YRKSpinningProgressIndicator *progressIndicator() const { return m_progressIndicator; }
    MCSocialAddModel *contacts() const { return m_contacts; }
    void setSearchTimeout(int milliseconds);

    void findContact();
    void addContact(int row);

    // MOContactsManagerDelegate
    void collaborationManagerDidReceiveContacts(MOContactsManager *,
                                                const QList<MOUserAccount> &) override
    {}
    void collaborationManagerDidFindContactsForQuery(MOContactsManager *manager,
                                                     const QList<MOUserAccount> &users,
                                                     const QString &query) override;
    void collaborationManagerDidFailFindingContactsForQuery(MOContactsManager *manager,
                                                            const QString &query,
                                                            const MOError &error) override;
    void collaborationManagerDidSendInviteTo(MOContactsManager *manager,
                                             const QString &email) override;
    void collaborationManagerDidFailSendingInviteTo(MOContactsManager *manager,
                                                    const QString &email,
                                                    const MOError &error) override;
    void collaborationManagerHasNewConnection(MOContactsManager *manager,
                                              const MOUserAccount &account) override;

    // MOAvatarManagerDelegate
    void avatarManagerDidFetchAvatarAtPath(MOAvatarManager *manager, const MOUserAccount &account,
                                           const QString &path) override;

private:
    void controlTextDidChange();
    void searchTimedOut();
    void stopSearching();
    void requestAvatar(const MOUserAccount &account);
    void reloadTable();
    void fillRow(int row);

    // The invitation from email that waits for the user's answer (or is being answered).
    MCJoinInvitation *waitingInvitationFrom(const QString &email) const;

    MCPeople *m_people;
    MCInbox *m_inbox = nullptr;
    MOUserAuthenticationManager *m_auth;
    QLineEdit *m_searchField;
    QPushButton *m_buttonFind;
    YRKSpinningProgressIndicator *m_progressIndicator;
    QTableView *m_tableView;
    MCSocialAddModel *m_contacts;
    QTimer *m_searchTimer;
    MOContactsManager *m_contactsManager = nullptr;
    MOAvatarManager *m_avatarManager = nullptr;
    QString m_lastQuery;
};

#endif // MCSOCIALADDCONTROLLER_H
