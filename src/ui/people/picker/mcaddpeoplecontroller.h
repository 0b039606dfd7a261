#ifndef MCADDPEOPLECONTROLLER_H
#define MCADDPEOPLECONTROLLER_H

#include "mouseraccount.h"

#include <QList>
#include <QWidget>

class MCAddPeopleFilter;
class MCAddPeopleModel;
class MCContact;
class MCPeople;
class MOUserAuthenticationManager;
class QDialog;
class QLabel;
class QLineEdit;
class QModelIndex;
class QPushButton;
class QTableView;

// The people picker: the user's contacts, each with a check box, to make a group of. A click
// on a row ticks or unticks its contact. Excluded accounts (a conversation's members) are hidden
// and always join a group made here. The group is asked of the hub's conversations facade; its
// answer reaches the hub, which lists the new group.
class MCAddPeopleController : public QWidget
{
    Q_OBJECT
public:
    MCAddPeopleController(MCPeople *people, MOUserAuthenticationManager *auth,
                          QWidget *parent = nullptr);

    QTableView *tableView() const { return m_tableView; }
    // Says why nobody is offered (no contacts, all already in, none matches the search), in
    // the table's place; hidden while someone is.
    QLabel *emptyText() const { return m_emptyText; }
    MCAddPeopleModel *model() const { return m_model; }
    // The ticked contacts in the order ticked.
    QList<MCContact *> selectedContacts() const;
    void clearSelection();
    QList<MOUserAccount> excludedAccounts() const { return m_excludedAccounts; }

    // A click on a row of the arranged (sorted, filtered) list.
    void tableClick(const QModelIndex &index);
    // Hides accounts (never the signed-in user's own) and empties the selection and the search.
    void excludeAccounts(const QList<MOUserAccount> &accounts);
    // The search text; a null or empty text removes it. Exclusions stay in force.
    void setFilterText(const QString &text);

    // The floating panel that asks for the group's name.
    QDialog *panelWindow() const { return m_panelWindow; }
    QLineEdit *panelTextField() const { return m_panelTextField; }
    QPushButton *panelButtonCreate() const { return m_panelButtonCreate; }
    // Says why the group asked for from the panel was not made; hidden until then.
    QLabel *panelTextError() const { return m_panelTextError; }
    // Opens the panel centred over the window of over (its own window without one).
    void showPanel(QWidget *over = nullptr);
    // A group was asked for from the panel and the service has not answered yet.
    bool isCreating() const { return m_panelAsked; }
    void panelActionCreate();
    void panelActionCancel();

    // Asks the service for a group of the ticked contacts, then the excluded accounts, named
    // name. The selection stays as it is.
    void createGroupWithTitle(const QString &name);

signals:
    void selectedContactsChanged();

private:
    void buildPanel();
    void updateEmptyText();
    void groupCreationFailed(const QString &reason);

    MCPeople *m_people;
    MOUserAuthenticationManager *m_auth;
    MCAddPeopleModel *m_model;
    MCAddPeopleFilter *m_filter;
    QTableView *m_tableView;
    QLabel *m_emptyText;
    QList<MOUserAccount> m_excludedAccounts;
    QDialog *m_panelWindow = nullptr;
    QLineEdit *m_panelTextField = nullptr;
    QPushButton *m_panelButtonCreate = nullptr;
    QLabel *m_panelTextError = nullptr;
    // A group was asked for from the panel and the service has not answered it yet.
    bool m_panelAsked = false;
};

#endif // MCADDPEOPLECONTROLLER_H
