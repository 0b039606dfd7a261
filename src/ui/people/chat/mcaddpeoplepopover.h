#ifndef MCADDPEOPLEPOPOVER_H
#define MCADDPEOPLEPOPOVER_H

#include <QFrame>

class QLabel;
class QLineEdit;
class QPushButton;

// The add-people popover of a chat page, opened above its "+" button: a title with the count
// of people ticked, a search field, the place the people picker is put in (the child named
// "tableView") and the buttons that make a group or close the popover.
class MCAddPeoplePopover : public QFrame
{
    Q_OBJECT
public:
    explicit MCAddPeoplePopover(QWidget *parent = nullptr);

    QLabel *textFieldAddPeople() const { return m_title; }
    QLineEdit *searchFieldAddPeople() const { return m_search; }
    QPushButton *buttonCreateGroup() const { return m_create; }
    QPushButton *buttonCancel() const { return m_cancel; }
    // Holds the picker while the popover is open.
    QWidget *tableView() const { return m_tableView; }
    // Opens with its bottom edge on anchor's top edge (below it when there is no room), whole
    // on anchor's screen.
    void popup(QWidget *anchor);

signals:
    void closed();

protected:
    void hideEvent(QHideEvent *event) override;

private:
    QLabel *m_title;
    QLineEdit *m_search;
    QWidget *m_tableView;
    QPushButton *m_create;
    QPushButton *m_cancel;
};

#endif // MCADDPEOPLEPOPOVER_H
