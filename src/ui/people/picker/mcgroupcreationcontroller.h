#ifndef MCGROUPCREATIONCONTROLLER_H
#define MCGROUPCREATIONCONTROLLER_H

#include <QWidget>

class MCAddPeopleController;
class MCHub;
class MOUserAuthenticationManager;
class QLabel;
class QLineEdit;
class QPushButton;

// The group-creation window: a search field, the people picker, the selection caption, the
// group's name and the create button, enabled with a name and at least two people ticked.
// The window stays open after a group is asked for; the new group shows up in the sidebar, and
// a group the service refused is said so in the window.
class MCGroupCreationController : public QWidget
{
    Q_OBJECT
public:
    MCGroupCreationController(MCHub *hub, MOUserAuthenticationManager *auth,
                              QWidget *parent = nullptr);

    QWidget *mainView() const { return m_mainView; }
    QPushButton *buttonCreateGroup() const { return m_buttonCreateGroup; }
    QLineEdit *searchField() const { return m_searchField; }
    QLineEdit *textGroupName() const { return m_textGroupName; }
    QLabel *textAddPeople() const { return m_textAddPeople; }
    // Says why the last group asked for was not made; hidden until then.
    QLabel *textError() const { return m_textError; }
    MCAddPeopleController *peopleController() const { return m_peopleController; }

    void actionCreateGroup();
    // Unticks everyone and empties the name; the window is brought forward with it.
    void resetSelection();

private:
    void selectedContactsChanged();
    void canCreateGroup();
    void groupCreationFailed(const QString &reason);

    QWidget *m_mainView;
    QPushButton *m_buttonCreateGroup;
    QLineEdit *m_searchField;
    QLineEdit *m_textGroupName;
    QLabel *m_textAddPeople;
    QLabel *m_textError;
    MCAddPeopleController *m_peopleController;
};

#endif // MCGROUPCREATIONCONTROLLER_H
