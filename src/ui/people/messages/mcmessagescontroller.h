#ifndef MCMESSAGESCONTROLLER_H
#define MCMESSAGESCONTROLLER_H

#include <QWidget>

class MCJoinInvitationView;
class MCInbox;
class MCNotificationsModel;
class QLabel;
class QSortFilterProxyModel;
class QStackedWidget;
class QTableView;

// The notifications page, titled "messages://": the hub's notices newest first above, and
// below either the selected contact invitation with Accept and Decline, or a caption with the
// number of unread notices. The rows and the unread count are the hub's; answering goes
// through the hub, which lowers the count once per unread row.
class MCMessagesController : public QWidget
{
    Q_OBJECT
    Q_PROPERTY(QString textForNoSelection READ textForNoSelection NOTIFY textForNoSelectionChanged)
public:
    explicit MCMessagesController(MCInbox *inbox, QWidget *parent = nullptr);

    QString textForNoSelection() const { return m_textForNoSelection; }

    QTableView *tableView() const { return m_tableView; }
    MCNotificationsModel *notifications() const { return m_notifications; }
    // The rows as shown: by sentAt, newest first.
    QSortFilterProxyModel *arrangedNotifications() const { return m_arranged; }
    QStackedWidget *splitBottomView() const { return m_splitBottomView; }
    QWidget *viewNoSelection() const { return m_viewNoSelection; }
    MCJoinInvitationView *viewJoinInvitation() const { return m_viewJoinInvitation; }

signals:
    void textForNoSelectionChanged();

private:
    void unreadNotificationsChanged();
    void selectionDidChange();

    MCInbox *m_inbox;
    MCNotificationsModel *m_notifications;
    QSortFilterProxyModel *m_arranged;
    QTableView *m_tableView;
    QStackedWidget *m_splitBottomView;
    QWidget *m_viewNoSelection;
    QLabel *m_noSelectionLabel;
    MCJoinInvitationView *m_viewJoinInvitation;
    QWidget *m_viewEmpty;
    QString m_textForNoSelection;
};

#endif // MCMESSAGESCONTROLLER_H
