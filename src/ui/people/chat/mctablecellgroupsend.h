#ifndef MCTABLECELLGROUPSEND_H
#define MCTABLECELLGROUPSEND_H

#include "mcchatfilerowview.h"

class MCChatEnvironment;
class MCGroup;
class MCGroupSendController;

// The user's own file row in a group chat ("sendFileRequestGroup"): the file row with, on its
// right, each member's answer. The answers are shown once the file has been sent; before that
// there is nobody to answer.
class MCTableCellGroupSend : public MCChatFileRowView
{
    Q_OBJECT
public:
    MCTableCellGroupSend(const MCChatEntryPtr &entry, const QString &senderName, MCGroup *group,
                         MCChatEnvironment *environment, QWidget *parent);

    MCGroupSendController *sendController() const { return m_sendController; }
    QWidget *sendView() const { return m_sendView; }

protected:
    void layoutContents() override;
    int reservedWidth() const override;

private:
    void updateSendView();

    QWidget *m_sendView;
    MCGroupSendController *m_sendController;
};

#endif // MCTABLECELLGROUPSEND_H
