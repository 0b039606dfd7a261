#include "mcchatviewcontroller.h"

#include "indsequentialtextselectionmanager.h"
#include "mcaddpeoplecontroller.h"
#include "mcaddpeoplepopover.h"
#include "mcbuttonchatplus.h"
#include "mcchatenvironment.h"
#include "mcchatfilerowview.h"
#include "mcchatlabel.h"
#include "mcchatmessagefield.h"
#include "mcchatrowsmodel.h"
#include "mcchatsupport.h"
#include "mcchattablecellview.h"
#include "mcchattableview.h"
#include "mcchattextview.h"
#include "mcelidedlabel.h"
#include "mcemoji.h"
#include "mcemoticonchooser.h"
#include "mcgroup.h"
#include "mcpasteboard.h"
#include "mcstring.h"
#include "mctablecellgroupsend.h"

#include <QDragEnterEvent>
#include <QHBoxLayout>
#include <QLabel>
#include <QLineEdit>
#include <QMimeData>
#include <QPushButton>
#include <QSplitter>
#include <QTextCursor>
#include <QToolButton>
#include <QVBoxLayout>

MCChatViewController::MCChatViewController(MCSocialEntity *entity, MCChatEnvironment *environment,
                                           QWidget *parent)
    : QWidget(parent)
    , m_entity(entity)
    , m_environment(environment)
    , m_imageViewStatus(new QLabel(this))
    , m_roomName(MCChatLabel::elidedLabel(this, 15, true))
    , m_description(MCChatLabel::elidedLabel(this, 11))
    , m_createdAt(MCChatLabel::plainLabel(this, 11))
    , m_splitView(new QSplitter(Qt::Horizontal, this))
    , m_rightSplitView(new QWidget(m_splitView))
    , m_table(new MCChatTableView(entity->rowsModel(), environment->sharedEmoji()))
    , m_textView(new MCChatMessageField)
    , m_buttonEmoticon(new QToolButton)
    , m_buttonPlus(new MCButtonChatPlus)
    , m_selectionManager(new INDSequentialTextSelectionManager(this))
{
    setObjectName(QStringLiteral("MCChatViewController"));
    setWindowTitle(entity->title());
    setAcceptDrops(true);
    m_roomName->setObjectName(QStringLiteral("textFieldRoomName"));
    m_description->setObjectName(QStringLiteral("textFieldDescription"));
    m_createdAt->setObjectName(QStringLiteral("textFieldCreatedAt"));
    m_imageViewStatus->setObjectName(QStringLiteral("imageViewStatus"));
    m_imageViewStatus->setFixedSize(10, 10);

    auto *header = new QHBoxLayout;
    header->setContentsMargins(12, 8, 12, 6);
    auto *names = new QVBoxLayout;
    auto *nameRow = new QHBoxLayout;
    nameRow->addWidget(m_imageViewStatus);
    nameRow->addWidget(m_roomName, 1);
    names->addLayout(nameRow);
    names->addWidget(m_description);
    names->addWidget(m_createdAt);
    header->addLayout(names, 1);
    m_buttonPlus->setObjectName(QStringLiteral("buttonPlus"));
    m_buttonPlus->setAutoRaise(true);
    m_buttonPlus->setToolTip(tr("Add People"));
    header->addWidget(m_buttonPlus, 0, Qt::AlignVCenter);

    auto *chat = new QWidget(m_splitView);
    auto *chatLayout = new QVBoxLayout(chat);
    chatLayout->setContentsMargins(0, 0, 0, 0);
    chatLayout->setSpacing(0);
    chatLayout->addWidget(m_table, 1);
    auto *field = new QHBoxLayout;
    field->setContentsMargins(8, 6, 8, 8);
    m_buttonEmoticon->setObjectName(QStringLiteral("buttonEmoticon"));
    m_buttonEmoticon->setCheckable(true);
    m_buttonEmoticon->setAutoRaise(true);
    m_buttonEmoticon->setText(environment->sharedEmoji().emojiForCode(QStringLiteral(":smile:")));
    m_buttonEmoticon->setFont(MCEmoji::emojiFormat(QString()).font());
    m_buttonEmoticon->setToolTip(tr("Choose an emoticon"));
    m_textView->setFixedHeight(48);
    field->addWidget(m_buttonEmoticon, 0, Qt::AlignTop);
    field->addWidget(m_textView, 1);
    chatLayout->addLayout(field);

    m_rightSplitView->setObjectName(QStringLiteral("rightSplitView"));
    m_rightSplitView->setMinimumWidth(200);
    m_splitView->addWidget(chat);
    m_splitView->addWidget(m_rightSplitView);
    m_splitView->setCollapsible(0, false);
    m_splitView->setCollapsible(1, true);
    m_splitView->setStretchFactor(0, 1);
    m_splitView->setSizes({600, 200});
    chat->setMinimumWidth(200);

    auto *layout = new QVBoxLayout(this);
    layout->setContentsMargins(0, 0, 0, 0);
    layout->setSpacing(0);
    layout->addLayout(header);
    layout->addWidget(m_splitView, 1);

    m_table->setRowFactory([this](const MCChatEntryPtr &entry, bool newEntry, QWidget *parent) {
        return makeRow(entry, newEntry, parent);
    });
    connect(m_table, &MCChatTableView::rowViewAdded, this, &MCChatViewController::rowViewAdded);
    connect(m_table, &MCChatTableView::rowViewRemoved, this, &MCChatViewController::rowViewRemoved);
    // Message views join the selection under their row, not their place: a page of older
    // messages moves every place, and views come and go as rows scroll by.
    connect(m_table, &MCChatTableView::rowViewAdded, this, [this](MCChatRowView *view, int) {
        if (auto *cell = qobject_cast<MCChatTableCellView *>(view))
            m_selectionManager->registerTextView(
                cell->textView(),
                QStringLiteral("row-%1").arg(quintptr(cell->entry().data()), 0, 16));
    });
    connect(m_table, &MCChatTableView::rowViewRemoved, this, [this](MCChatRowView *view) {
        if (auto *cell = qobject_cast<MCChatTableCellView *>(view))
            m_selectionManager->unregisterTextView(cell->textView());
    });
    connect(m_table, &MCChatTableView::scrolled, this, [this] {
        if (m_entity)
            m_entity->resetChatNotifications();
    });
    connect(m_table, &MCChatTableView::scrolledToTop, this, [this] {
        if (m_entity)
            m_entity->loadOlderMessages();
    });
    connect(m_table, &MCChatTableView::clicked, this, &MCChatViewController::setFirstResponder);
    connect(m_textView, &MCChatMessageField::returnPressed, this,
            &MCChatViewController::sendMessage);
    connect(m_textView, &QTextEdit::textChanged, this, [this] {
        // Emoji insertion and pasting leave the field's own font behind.
        if (m_textView->currentCharFormat().font() != MCEmoji::textFormat().font() &&
            m_textView->document()->isEmpty())
            m_textView->setCurrentCharFormat(MCEmoji::textFormat());
    });
    connect(m_buttonEmoticon, &QToolButton::toggled, this, [this](bool on) {
        if (on)
            emoticonPopOver()->popup(m_buttonEmoticon);
        else if (m_chooser)
            m_chooser->hide();
    });
    connect(m_buttonPlus, &QToolButton::clicked, this, &MCChatViewController::actionAddPeople);
    connect(entity, &MCSocialEntity::scrollToBottomRequested, this,
            &MCChatViewController::scrollToBottom);
    connect(entity, &MCSocialEntity::chatRoomChanged, this, &MCChatViewController::updateHeader);
    if (auto *contact = qobject_cast<MCContact *>(entity))
        connect(contact, &MCContact::userAccountChanged, this, &MCChatViewController::updateHeader);
    updateHeader();
}

MCChatViewController::~MCChatViewController()
{
    delete m_chooser;
    delete m_popoverAddPeople;
}

void MCChatViewController::updateHeader()
{
    if (!m_entity)
        return;
    m_roomName->setFullText(MCString::stringForName(m_entity->roomName()));
    m_description->setFullText(MCString::stringForName(m_entity->description()));
    if (auto *group = qobject_cast<MCGroup *>(m_entity.data())) {
        m_imageViewStatus->hide();
        m_createdAt->setText(tr("%1 %2").arg(tr("created at"), group->createdAtText()));
        m_createdAt->show();
    } else if (auto *contact = qobject_cast<MCContact *>(m_entity.data())) {
        m_createdAt->hide();
        m_imageViewStatus->show();
        QPixmap dot(10, 10);
        dot.fill(contact->onlineStatus() != 0 ? QColor(76, 187, 23) : QColor(190, 190, 190));
        m_imageViewStatus->setPixmap(dot);
        m_imageViewStatus->setToolTip(contact->onlineStatus() != 0 ? tr("Online") : tr("Offline"));
    }
    // A contact without a conversation has nowhere to send to.
    m_textView->setEnabled(m_entity->identifier() > 0);
}

QString MCChatViewController::senderNameOf(const MCChatEntry *entry) const
{
    const MCChatSupport &support = m_environment->chatSupport();
    if (const auto *message = qobject_cast<const MCChatMessageEntry *>(entry))
        return message->senderName(support, m_environment->signedInAccount());
    if (const auto *file = qobject_cast<const MCChatCollaborationEntry *>(entry)) {
        if (file->itsMe()) {
            const MOUserAccount me = m_environment->signedInAccount();
            return QStringLiteral("%1 %2").arg(me.firstName(), me.lastName()).trimmed();
        }
        const MCContact *contact = support.contactByEmail(file->collaboration().sender().email());
        return contact ? contact->fullName() : file->collaboration().sender().email();
    }
    return QString();
}

QPixmap MCChatViewController::avatarOf(const MCChatEntry *entry) const
{
    if (entry->itsMe())
        return QPixmap();
    QString email;
    if (const auto *message = qobject_cast<const MCChatMessageEntry *>(entry))
        email = message->message().sender().email();
    else if (const auto *file = qobject_cast<const MCChatCollaborationEntry *>(entry))
        email = file->collaboration().sender().email();
    const MCContact *contact = m_environment->chatSupport().contactByEmail(email);
    return contact ? contact->avatar() : QPixmap();
}

MCChatRowView *MCChatViewController::makeRow(const MCChatEntryPtr &entry, bool newEntry,
                                             QWidget *parent)
{
    switch (entry->kind()) {
    case MCChatEntry::DateRow:
        return new MCChatDateRowView(entry, parent);
    case MCChatEntry::EmptyRow:
        return new MCChatRowView(entry, QStringLiteral("emptyRow"), parent);
    case MCChatEntry::MessageRow: {
        auto *row =
            new MCChatTableCellView(entry, newEntry, senderNameOf(entry.data()),
                                    avatarOf(entry.data()), m_environment->sharedEmoji(), parent);
        connect(row, &MCChatTableCellView::sendAgainRequested, this,
                [this](const MCChatEntryPtr &entry) {
                    if (m_entity)
                        m_entity->sendMessageAgain(entry);
                });
        connect(row, &MCChatTableCellView::removeRequested, this,
                [this](const MCChatEntryPtr &entry) {
                    if (m_entity)
                        m_entity->removeUnsentMessage(entry);
                });
        return row;
    }
    case MCChatEntry::CollaborationRow: {
        const auto *file = static_cast<const MCChatCollaborationEntry *>(entry.data());
        auto *group = qobject_cast<MCGroup *>(m_entity.data());
        MCChatFileRowView *row =
            file->itsMe() && file->isGroupChat() && group
                ? new MCTableCellGroupSend(entry, senderNameOf(file), group, m_environment, parent)
                : new MCChatFileRowView(entry, senderNameOf(file), avatarOf(file), parent);
        connect(row, &MCChatFileRowView::sendRequested, this,
                &MCChatViewController::sendCollaboration);
        connect(row, &MCChatFileRowView::cancelRequested, this,
                &MCChatViewController::cancelSendCollaboration);
        connect(row, &MCChatFileRowView::acceptRequested, this,
                &MCChatViewController::acceptCollaboration);
        connect(row, &MCChatFileRowView::declineRequested, this,
                &MCChatViewController::declineCollaboration);
        connect(row, &MCChatFileRowView::showRequested, this,
                &MCChatViewController::goToReceivedFile);
        return row;
    }
    }
    return nullptr;
}

void MCChatViewController::drawAllRows()
{
    m_table->drawAllRows();
}

void MCChatViewController::scrollToBottom()
{
    m_table->scrollToBottom();
}

bool MCChatViewController::isLastRowVisible() const
{
    return isVisible() && m_table->isLastRowVisible();
}

QDateTime MCChatViewController::lastItemSentAtDate() const
{
    return m_table->lastItemSentAtDate();
}

void MCChatViewController::setFirstResponder()
{
    m_textView->setFocus(Qt::OtherFocusReason);
}

void MCChatViewController::sendMessage()
{
    const QString text = m_textView->toPlainText();
    if (text.isEmpty() || !m_entity || m_entity->identifier() <= 0)
        return;
    MOMessage message;
    message.setBody(m_environment->sharedEmoji().unemojify(text));
    // The service keeps whole seconds; the echo must match the pending row.
    message.setSentAt(QDateTime::fromSecsSinceEpoch(QDateTime::currentSecsSinceEpoch()));
    message.setSender(m_environment->signedInAccount());
    m_entity->addPendingMessage(message);
    scrollToBottom();
    m_environment->sendMessage(message, m_entity);
    m_textView->clear();
    m_textView->setCurrentCharFormat(MCEmoji::textFormat());
}

MCEmoticonChooser *MCChatViewController::emoticonPopOver()
{
    if (!m_chooser) {
        m_chooser = new MCEmoticonChooser(m_environment->sharedEmoji(), this);
        connect(m_chooser, &MCEmoticonChooser::emoticonChosen, this,
                &MCChatViewController::emoticonClicked);
        connect(m_chooser, &MCEmoticonChooser::closed, this,
                [this] { m_buttonEmoticon->setChecked(false); });
    }
    return m_chooser;
}

void MCChatViewController::emoticonClicked(const QString &shortcode)
{
    if (m_chooser)
        m_chooser->hide();
    QTextCursor cursor = m_textView->textCursor();
    m_environment->sharedEmoji().emojify(shortcode).insertInto(cursor);
    m_textView->setCurrentCharFormat(MCEmoji::textFormat());
    m_environment->sharedEmoji().addRecentUsed(shortcode);
    setFirstResponder();
}

MCAddPeoplePopover *MCChatViewController::popoverAddPeople()
{
    if (!m_popoverAddPeople) {
        m_popoverAddPeople = new MCAddPeoplePopover(this);
        connect(m_popoverAddPeople->buttonCreateGroup(), &QPushButton::clicked, this,
                &MCChatViewController::actionCreateGroup);
        connect(m_popoverAddPeople->buttonCancel(), &QPushButton::clicked, this,
                &MCChatViewController::actionDoNotCreateGroup);
        connect(m_popoverAddPeople->searchFieldAddPeople(), &QLineEdit::textChanged, this,
                [this](const QString &text) {
                    if (m_addPeopleController)
                        m_addPeopleController->setFilterText(text);
                });
        connect(m_popoverAddPeople, &MCAddPeoplePopover::closed, this,
                &MCChatViewController::popoverAddPeopleDidClose);
    }
    return m_popoverAddPeople;
}

void MCChatViewController::actionAddPeople()
{
    if (!m_entity)
        return;
    MCAddPeoplePopover *popover = popoverAddPeople();
    if (popover->isVisible())
        return;
    if (!m_addPeopleController)
        m_addPeopleController = m_environment->newAddPeopleController(this);
    if (!m_addPeopleController)
        return;
    popover->buttonCreateGroup()->setEnabled(false);
    popover->textFieldAddPeople()->setText(tr("Add People"));
    QWidget *host = popover->tableView();
    m_addPeopleController->setParent(host);
    m_addPeopleController->setGeometry(host->rect());
    m_addPeopleController->show();
    // The chat's people are not offered: they join the group anyway.
    m_addPeopleController->excludeAccounts(m_entity->rcptAccounts());
    popover->searchFieldAddPeople()->clear();
    connect(m_addPeopleController, &MCAddPeopleController::selectedContactsChanged, this,
            &MCChatViewController::selectedContactsChanged, Qt::UniqueConnection);
    popover->popup(m_buttonPlus);
}

void MCChatViewController::selectedContactsChanged()
{
    if (!m_popoverAddPeople || !m_addPeopleController)
        return;
    const int count = m_addPeopleController->selectedContacts().size();
    m_popoverAddPeople->textFieldAddPeople()->setText(
        count < 1 ? tr("Add People") : tr("%1 (%2 selected)").arg(tr("Add People")).arg(count));
    m_popoverAddPeople->buttonCreateGroup()->setEnabled(count >= 1);
}

void MCChatViewController::actionCreateGroup()
{
    if (!m_addPeopleController || m_addPeopleController->selectedContacts().isEmpty() ||
        m_addPeopleController->isCreating())
        return;
    m_addPeopleController->showPanel(this);
    if (m_popoverAddPeople)
        m_popoverAddPeople->hide();
}

void MCChatViewController::actionDoNotCreateGroup()
{
    if (m_popoverAddPeople)
        m_popoverAddPeople->hide();
}

void MCChatViewController::popoverAddPeopleDidClose()
{
    if (!m_addPeopleController)
        return;
    disconnect(m_addPeopleController, &MCAddPeopleController::selectedContactsChanged, this,
               &MCChatViewController::selectedContactsChanged);
    m_addPeopleController->hide();
    m_addPeopleController->setParent(this);
}

void MCChatViewController::sendCollaboration(const MCChatCollaborationEntryPtr &entry)
{
    if (m_entity)
        m_entity->sendCollaboration(entry);
}

void MCChatViewController::cancelSendCollaboration(const MCChatCollaborationEntryPtr &entry)
{
    if (m_entity)
        m_entity->cancelSendCollaborationEntry(entry);
}

void MCChatViewController::acceptCollaboration(const MCChatCollaborationEntryPtr &entry)
{
    if (m_entity)
        m_entity->acceptCollaboration(entry);
}

void MCChatViewController::declineCollaboration(const MCChatCollaborationEntryPtr &entry)
{
    if (m_entity)
        m_entity->declineCollaboration(entry);
}

void MCChatViewController::goToReceivedFile(const MCChatCollaborationEntryPtr &entry)
{
    // Once accepted, the invitation names the copy in the user's store.
    const MOStorageObject copy = entry->storageObject();
    if (copy.type() != MOStorageObject::Invalid) {
        m_environment->goToReceivedFile(copy.basePath(), copy.label());
        return;
    }
    const QString destination = entry->collaboration().resource().toString();
    const int slash = destination.lastIndexOf(QLatin1Char('/'));
    if (slash < 0)
        return;
    m_environment->goToReceivedFile(slash > 0 ? destination.left(slash) : QStringLiteral("/"),
                                    destination.mid(slash + 1));
}

void MCChatViewController::dragEnterEvent(QDragEnterEvent *event)
{
    const QMimeData *data = event->mimeData();
    if (!MCPasteboard::remotePaths(data).isEmpty() || !MCPasteboard::localFilePaths(data).isEmpty())
        event->acceptProposedAction();
}

void MCChatViewController::dragMoveEvent(QDragMoveEvent *event)
{
    event->acceptProposedAction();
}

void MCChatViewController::dropEvent(QDropEvent *event)
{
    const QMimeData *data = event->mimeData();
    const QStringList remote = MCPasteboard::remotePaths(data);
    const QStringList local = remote.isEmpty() ? MCPasteboard::localFilePaths(data) : QStringList();
    if (!m_entity || (remote.isEmpty() && local.isEmpty()))
        return;
    event->setDropAction(Qt::CopyAction);
    event->accept();
    QMap<QString, QStringList> external;
    if (!local.isEmpty())
        external.insert(MCSocialEntity::LocalFiles, local);
    m_entity->sendFilesFromCloud(remote, external, window());
}
