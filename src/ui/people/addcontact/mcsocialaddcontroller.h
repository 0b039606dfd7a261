#ifndef MCSOCIALADDCONTROLLER_H
#define MCSOCIALADDCONTROLLER_H

#include "moavatarmanagerdelegate.h"
#include "mocontactsmanagerdelegate.h"

#include <QWidget>

class MCManager;
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
// first search. Only the answer to the latest search is shown; a search the service does not
// answer within searchTimeout() stops the spinner and says so.
class MCSocialAddController
    : public QWidget
    , public MOContactsManagerDelegate
    , public MOAvatarManagerDelegate
{
    Q_OBJECT
public:
    // hub: the user's contacts; auth: the signed-in user name. Neither is owned.
    MCSocialAddController(MCManager *hub, MOUserAuthenticationManager *auth,
                          QWidget *parent = nullptr);
    ~MCSocialAddController() override;

    QLineEdit *searchField() const { return m_searchField; }
    QPushButton *buttonFind() const { return m_buttonFind; }
    QTableView *tableView() const { return m_tableView; }
    YRKSpinningProgressIndicator *progressIndicator() const { return m_progressIndicator; }
    MCSocialAddModel *contacts() const { return m_contacts; }
    int searchTimeout() const;
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
    void collaborationManagerHasNewConnection(MOContactsManager *manager,
                                              const MOUserAccount &account) override;

    // MOAvatarManagerDelegate
    void avatarManagerDidFetchAvatarAtPath(MOAvatarManager *manager, const MOUserAccount &account,
                                           const QString &path) override;

private:
    void controlTextDidChange();
    void searchTimedOut();
    void requestAvatar(const MOUserAccount &account);
    void reloadTable();
    void fillRow(int row);

    MCManager *m_hub;
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
