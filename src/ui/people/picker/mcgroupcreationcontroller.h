#ifndef MCGROUPCREATIONCONTROLLER_H
#define MCGROUPCREATIONCONTROLLER_H

#include <QSet>
#include <QWidget>

class MCAddPeopleController;
class MCPeople;
class MOUserAuthenticationManager;
class QKeyEvent;
class QLabel;
class QLineEdit;
class QPushButton;

// The group-creation window: a search field, the people picker, the selection caption, the
// group's name and the create button, enabled with a name and at least two people ticked.
// While a group is being made the button is off, so one click makes one group; the window
// closes once the new group is listed (it shows up in the sidebar), and a group the service
// refused is said so in the window. Escape closes it.
class MCGroupCreationController : public QWidget
{
    Q_OBJECT
public:
    MCGroupCreationController(MCPeople *people, MOUserAuthenticationManager *auth,
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
    // A group was asked for and the service has not answered yet.
    bool isCreating() const { return m_creating; }

protected:
    void keyPressEvent(QKeyEvent *event) override;

private:
    void selectedContactsChanged();
    void canCreateGroup();
    void groupCreationFailed(const QString &reason);
    void groupsChanged();
    QSet<qint64> groupIdentifiers() const;

    QWidget *m_mainView;
    QPushButton *m_buttonCreateGroup;
    QLineEdit *m_searchField;
    QLineEdit *m_textGroupName;
    QLabel *m_textAddPeople;
    QLabel *m_textError;
    MCAddPeopleController *m_peopleController;
    MCPeople *m_people;
    bool m_creating = false;
    // The groups listed when the one under way was asked for.
    QSet<qint64> m_groupsBefore;
};

#endif // MCGROUPCREATIONCONTROLLER_H
