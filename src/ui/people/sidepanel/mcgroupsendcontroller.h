#ifndef MCGROUPSENDCONTROLLER_H
#define MCGROUPSENDCONTROLLER_H

#include <QWidget>

class MCChatCollaborationEntry;
class MCChatEnvironment;
class MCGroup;
class MCGroupSendModel;

class QTableView;

// The per-member status table of a file the user sent to a group, shown inside the file's chat
// row: who has not answered yet, who accepted or rejected it and when, and whether the file
// is gone. It follows the entry's answers for as long as it exists.
class MCGroupSendController : public QWidget
{
    Q_OBJECT
public:
    explicit MCGroupSendController(MCChatEnvironment *environment, QWidget *parent = nullptr);

    // The group's members, the signed-in user left out.
    void setGroup(MCGroup *group);
    // The sent file whose answers are shown.
    void setEntry(MCChatCollaborationEntry *entry);

    MCGroupSendModel *elements() const { return m_elements; }
    QTableView *tableView() const { return m_tableView; }

private:
    MCGroupSendModel *m_elements;
    QTableView *m_tableView;
};

#endif // MCGROUPSENDCONTROLLER_H
