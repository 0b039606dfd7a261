#ifndef MCCHATVIEWCONTROLLER_H
#define MCCHATVIEWCONTROLLER_H

#include "mcchatcollaborationentry.h"
#include "mcchatpage.h"
#include "mcelidedlabel.h"

#include <QPointer>
#include <QWidget>

class MCAddPeopleController;
class MCAddPeoplePopover;
class MCButtonChatPlus;
class MCChatEnvironment;
class MCChatMessageField;
class MCChatRowView;
class MCChatTableView;
class MCEmoticonChooser;
class MCSocialEntity;
class INDSequentialTextSelectionManager;
class QLabel;
class QSplitter;
class QToolButton;

// The chat page of one person or group: a header with the partner's name and state, the rows
// of the conversation sorted by time, a message field where Return sends, the emoticon
// chooser, the add-people popover that makes a group of the chat's people and more, and on
// the right a pane for the side panel. Files dropped on the page are offered
// to the partner. Made by the entity on first use; main thread only.
class MCChatViewController
    : public QWidget
    , public MCChatPage
{
    Q_OBJECT
public:
    MCChatViewController(MCSocialEntity *entity, MCChatEnvironment *environment,
                         QWidget *parent = nullptr);
    ~MCChatViewController() override;

    MCSocialEntity *entity() const { return m_entity; }
    MCChatTableView *chatTableView() const { return m_table; }
    MCChatMessageField *textView() const { return m_textView; }
    QToolButton *buttonEmoticon() const { return m_buttonEmoticon; }
    MCEmoticonChooser *emoticonPopOver();
    MCButtonChatPlus *buttonPlus() const { return m_buttonPlus; }
    MCAddPeoplePopover *popoverAddPeople();
    // Made when the popover first opens.
    MCAddPeopleController *addPeopleController() const { return m_addPeopleController; }
    MCElidedLabel *textFieldRoomName() const { return m_roomName; }
    MCElidedLabel *textFieldDescription() const { return m_description; }
    QLabel *textFieldCreatedAt() const { return m_createdAt; }
    QSplitter *splitView() const { return m_splitView; }
    // The right pane, where the side panel goes.
    QWidget *rightSplitView() const { return m_rightSplitView; }
    // The text selection across the message views.
    INDSequentialTextSelectionManager *selectionManager() const { return m_selectionManager; }

    // MCChatPage
    QWidget *pageWidget() override { return this; }
    MCChatViewController *pageController() override { return this; }
    void drawAllRows() override;
    bool isLastRowVisible() const override;
    QDateTime lastItemSentAtDate() const override;

    void scrollToBottom();
    // The message field takes the keyboard focus.
    void setFirstResponder();
    // Sends the message field's text (nothing when it is empty).
    void sendMessage();
    void emoticonClicked(const QString &shortcode);

    // Add people: the popover offers the contacts who are not in the chat; a group of the
    // chat's people and those ticked is made under the name the picker's panel asks for.
    void actionAddPeople();
    void actionCreateGroup();
    void actionDoNotCreateGroup();

    // File rows' buttons.
    void sendCollaboration(const MCChatCollaborationEntryPtr &entry);
    void cancelSendCollaboration(const MCChatCollaborationEntryPtr &entry);
    void acceptCollaboration(const MCChatCollaborationEntryPtr &entry);
    void declineCollaboration(const MCChatCollaborationEntryPtr &entry);
    void goToReceivedFile(const MCChatCollaborationEntryPtr &entry);

signals:
    // A row view appeared or is about to go (for the selection across messages).
    void rowViewAdded(MCChatRowView *view, int row);
    void rowViewRemoved(MCChatRowView *view);

protected:
    void dragEnterEvent(QDragEnterEvent *event) override;
    void dragMoveEvent(QDragMoveEvent *event) override;
    void dropEvent(QDropEvent *event) override;

private:
    void updateHeader();
    MCChatRowView *makeRow(const MCChatEntryPtr &entry, bool newEntry, QWidget *parent);
    QString senderNameOf(const MCChatEntry *entry) const;
    QPixmap avatarOf(const MCChatEntry *entry) const;
    void selectedContactsChanged();
    void popoverAddPeopleDidClose();

    QPointer<MCSocialEntity> m_entity;
    MCChatEnvironment *m_environment;
    QLabel *m_imageViewStatus;
    MCElidedLabel *m_roomName;
    MCElidedLabel *m_description;
    QLabel *m_createdAt;
    QSplitter *m_splitView;
    QWidget *m_rightSplitView;
    MCChatTableView *m_table;
    MCChatMessageField *m_textView;
    QToolButton *m_buttonEmoticon;
    MCEmoticonChooser *m_chooser = nullptr;
    MCButtonChatPlus *m_buttonPlus;
    MCAddPeoplePopover *m_popoverAddPeople = nullptr;
    MCAddPeopleController *m_addPeopleController = nullptr;
    INDSequentialTextSelectionManager *m_selectionManager;
};

#endif // MCCHATVIEWCONTROLLER_H
