#ifndef MCCONTACTSVIEWCONTROLLER_H
#define MCCONTACTSVIEWCONTROLLER_H

#include <QWidget>

class MCAllContactsViewController;
class MCAllGroupsViewController;
class MCPeople;
class MCSocialEntity;
class QAbstractButton;
class QButtonGroup;
class QPushButton;
class QStackedWidget;

// The "contacts://" page: all contacts or, on the switch's second segment, all groups, with a
// button for the add-contact page (contacts shown) or the group-creation window (groups
// shown). The groups list is made on the first switch to it. A double-click on a row asks
// for that partner's conversation.
class MCContactsViewController : public QWidget
{
    Q_OBJECT
public:
    explicit MCContactsViewController(MCPeople *people, QWidget *parent = nullptr);

    QString title() const { return QStringLiteral("contacts://"); }
    QPushButton *buttonAddContact() const { return m_buttonAddContact; }
    QPushButton *buttonCreateGroup() const { return m_buttonCreateGroup; }
    // The switch's segments: 0 contacts, 1 groups.
    QAbstractButton *segment(int index) const;
    QStackedWidget *mainView() const { return m_mainView; }
    MCAllContactsViewController *allContactsController() const { return m_allContacts; }
    // Null until the groups were shown once.
    MCAllGroupsViewController *allGroupsController() const { return m_allGroups; }

    // Segment 0 shows the contacts, any other the groups.
    void actionSwitchView(int segment);

signals:
    // The add-contact page was asked for ("addcontact://").
    void addContactRequested();
    // The group-creation window was asked for.
    void createGroupRequested();
    // A partner's conversation was asked for.
    void conversationRequested(MCSocialEntity *entity);

private:
    MCPeople *m_people;
    QButtonGroup *m_segments;
    QPushButton *m_buttonAddContact;
    QPushButton *m_buttonCreateGroup;
    QStackedWidget *m_mainView;
    MCAllContactsViewController *m_allContacts;
    MCAllGroupsViewController *m_allGroups = nullptr;
};

#endif // MCCONTACTSVIEWCONTROLLER_H
