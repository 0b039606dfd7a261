#include "mctablecellgroupsend.h"

#include "mcgroup.h"
#include "mcgroupsendcontroller.h"

#include <QVBoxLayout>

MCTableCellGroupSend::MCTableCellGroupSend(const MCChatEntryPtr &entry, const QString &senderName,
                                           MCGroup *group, MCChatEnvironment *environment,
                                           QWidget *parent)
    : MCChatFileRowView(entry, senderName, QPixmap(), parent)
    , m_sendView(new QWidget(this))
    , m_sendController(new MCGroupSendController(environment, m_sendView))
{
    m_sendView->setObjectName(QStringLiteral("sendView"));
    auto *layout = new QVBoxLayout(m_sendView);
    layout->setContentsMargins(0, 0, 0, 0);
    layout->addWidget(m_sendController);
    m_sendController->setGroup(group);
    m_sendController->setEntry(fileEntry().data());
    connect(fileEntry().data(), &MCChatCollaborationEntry::stateChanged, this,
            &MCTableCellGroupSend::updateSendView);
    updateSendView();
}

void MCTableCellGroupSend::updateSendView()
{
    m_sendView->setVisible(fileEntry()->responseStatus() != MCChatCollaborationEntry::Prepared);
    layoutContents();
}

int MCTableCellGroupSend::reservedWidth() const
{
    return m_sendView->isHidden() ? 0 : width() / 2;
}

void MCTableCellGroupSend::layoutContents()
{
    MCChatFileRowView::layoutContents();
    // Below the row's first line, on the right half.
    const int w = reservedWidth();
    if (w > 0)
        m_sendView->setGeometry(width() - w, 22, w - 8, height() - 26);
}
