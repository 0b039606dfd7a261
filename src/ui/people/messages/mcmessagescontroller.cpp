#include "mcmessagescontroller.h"

#include "mcinbox.h"
#include "mcjoininvitation.h"
#include "mcjoininvitationview.h"
#include "mcnotificationsmodel.h"
#include "mcpeoplenotifylog.h"

#include <QHeaderView>
#include <QItemSelectionModel>
#include <QLabel>
#include <QLocale>

#include <QSortFilterProxyModel>
#include <QSplitter>
#include <QStackedWidget>
#include <QTableView>
#include <QVBoxLayout>
#include <climits>

MCMessagesController::MCMessagesController(MCInbox *inbox, QWidget *parent)
    : QWidget(parent)
    , m_inbox(inbox)
    , m_notifications(new MCNotificationsModel(inbox, this))
    , m_arranged(new QSortFilterProxyModel(this))
    , m_tableView(new QTableView)
    , m_splitBottomView(new QStackedWidget)
    , m_viewNoSelection(new QWidget)
    , m_noSelectionLabel(new QLabel(m_viewNoSelection))
    , m_viewJoinInvitation(new MCJoinInvitationView)
    , m_viewEmpty(new QWidget)
{
    setWindowTitle(QStringLiteral("messages://"));
    setObjectName(QStringLiteral("messagesPage"));

    m_arranged->setSourceModel(m_notifications);
    m_arranged->setSortRole(MCNotificationsModel::SortRole);
    m_arranged->setDynamicSortFilter(true);
    m_arranged->sort(0, Qt::DescendingOrder);

    m_tableView->setObjectName(QStringLiteral("notificationsTable"));
    m_tableView->setModel(m_arranged);
    m_tableView->setSelectionBehavior(QAbstractItemView::SelectRows);
    m_tableView->setSelectionMode(QAbstractItemView::ExtendedSelection);
    m_tableView->setEditTriggers(QAbstractItemView::NoEditTriggers);
    m_tableView->setShowGrid(false);
    m_tableView->setAlternatingRowColors(true);
    m_tableView->setWordWrap(false);
    m_tableView->setTextElideMode(Qt::ElideRight);
    m_tableView->verticalHeader()->hide();
    m_tableView->verticalHeader()->setDefaultSectionSize(30);
    m_tableView->horizontalHeader()->setSectionResizeMode(MCNotificationsModel::SubjectColumn,
                                                          QHeaderView::Stretch);
    m_tableView->horizontalHeader()->resizeSection(MCNotificationsModel::SenderColumn, 220);
    m_tableView->horizontalHeader()->resizeSection(MCNotificationsModel::DateColumn, 170);
    m_tableView->setIconSize(QSize(24, 24));

    m_noSelectionLabel->setObjectName(QStringLiteral("textForNoSelection"));
    m_noSelectionLabel->setTextFormat(Qt::PlainText);
    m_noSelectionLabel->setAlignment(Qt::AlignCenter);
    QFont caption = m_noSelectionLabel->font();
    caption.setPixelSize(16);
    m_noSelectionLabel->setFont(caption);
    QPalette grey = m_noSelectionLabel->palette();
    grey.setColor(QPalette::WindowText, grey.color(QPalette::Disabled, QPalette::WindowText));
    m_noSelectionLabel->setPalette(grey);
    auto *noSelectionLayout = new QVBoxLayout(m_viewNoSelection);
    noSelectionLayout->addWidget(m_noSelectionLabel);

    m_splitBottomView->setObjectName(QStringLiteral("splitBottomView"));
    m_splitBottomView->addWidget(m_viewNoSelection);
    m_splitBottomView->addWidget(m_viewJoinInvitation);
    m_splitBottomView->addWidget(m_viewEmpty);

    auto *split = new QSplitter(Qt::Vertical, this);
    split->addWidget(m_tableView);
    split->addWidget(m_splitBottomView);
    split->setStretchFactor(0, 3);
    split->setStretchFactor(1, 2);
    split->setChildrenCollapsible(false);
    auto *layout = new QVBoxLayout(this);
    layout->setContentsMargins(0, 0, 0, 0);
    layout->addWidget(split);

    connect(m_viewJoinInvitation, &MCJoinInvitationView::acceptClicked, inbox,
            &MCInbox::acceptJoinInvitation);
    connect(m_viewJoinInvitation, &MCJoinInvitationView::declineClicked, inbox,
            &MCInbox::declineJoinInvitation);
    connect(inbox, &MCInbox::unreadNotificationsChanged, this,
            &MCMessagesController::unreadNotificationsChanged);
    connect(m_tableView->selectionModel(), &QItemSelectionModel::selectionChanged, this,
            &MCMessagesController::selectionDidChange);
    // A row that goes away (answered and let go) may have been the selected one.
    connect(m_arranged, &QAbstractItemModel::rowsRemoved, this,
            &MCMessagesController::selectionDidChange);

    unreadNotificationsChanged();
    selectionDidChange();
    // The hub hears of each pending invitation one by one, and counts it.
    if (!inbox->listJoinInvitations())
        qCDebug(lcPeopleNotify) << "No conversations yet: the news poll brings the invitations";
}

void MCMessagesController::unreadNotificationsChanged()
{
    const qint64 unread = m_inbox->unreadNotifications();
    // The count as the user's locale writes numbers ("1,000"), in its plural form.
    const QString text = unread != 0
                             ? tr("%Ln new message(s)", nullptr, int(qMin<qint64>(unread, INT_MAX)))
                             : tr("No new messages");
    m_noSelectionLabel->setText(text);
    if (text == m_textForNoSelection)
        return;
    m_textForNoSelection = text;
    emit textForNoSelectionChanged();
}

void MCMessagesController::selectionDidChange()
{
    const QModelIndexList rows = m_tableView->selectionModel()->selectedRows();
    if (rows.size() != 1) {
        m_viewJoinInvitation->setInvitation(nullptr);
        m_splitBottomView->setCurrentWidget(m_viewNoSelection);
        return;
    }
    MCNotificationObject *row =
        m_notifications->notification(m_arranged->mapToSource(rows.first()).row());
    if (auto *invitation = qobject_cast<MCJoinInvitation *>(row)) {
        m_viewJoinInvitation->setInvitation(invitation);
        m_splitBottomView->setCurrentWidget(m_viewJoinInvitation);
        return;
    }
    m_viewJoinInvitation->setInvitation(nullptr);
    if (row)
        row->setMessageRead(true);
    m_splitBottomView->setCurrentWidget(m_viewEmpty);
}
