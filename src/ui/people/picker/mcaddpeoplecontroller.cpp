#include "mcaddpeoplecontroller.h"

#include "mcaddpeoplefilter.h"
#include "mcaddpeoplemodel.h"
#include "mccheckboxcelldelegate.h"
#include "mccontact.h"
#include "mcpeople.h"
#include "mcpopupplacement.h"
#include "mcstring.h"
#include "moconversationsmanager.h"
#include "mouserauthenticationmanager.h"

#include <QDialog>
#include <QHBoxLayout>
#include <QHeaderView>
#include <QLabel>
#include <QLineEdit>
#include <QPushButton>
#include <QTableView>
#include <QVBoxLayout>

MCAddPeopleController::MCAddPeopleController(MCPeople *people, MOUserAuthenticationManager *auth,
                                             QWidget *parent)
    : QWidget(parent)
    , m_people(people)
    , m_auth(auth)
    , m_model(new MCAddPeopleModel(people, this))
    , m_filter(new MCAddPeopleFilter(this))
    , m_tableView(new QTableView(this))
    , m_emptyText(new QLabel(this))
{
    m_emptyText->setObjectName(QStringLiteral("textEmpty"));
    m_emptyText->setTextFormat(Qt::PlainText);
    m_emptyText->setWordWrap(true);
    m_emptyText->setAlignment(Qt::AlignCenter);
    m_emptyText->hide();
    m_filter->setSourceModel(m_model);
    m_tableView->setObjectName(QStringLiteral("tableView"));
    m_tableView->setModel(m_filter);
    m_tableView->setSelectionMode(QAbstractItemView::NoSelection);
    m_tableView->setEditTriggers(QAbstractItemView::NoEditTriggers);
    m_tableView->setShowGrid(false);
    m_tableView->verticalHeader()->hide();
    m_tableView->horizontalHeader()->hide();
    m_tableView->horizontalHeader()->setSectionResizeMode(MCAddPeopleModel::Check,
                                                          QHeaderView::ResizeToContents);
    m_tableView->horizontalHeader()->setSectionResizeMode(MCAddPeopleModel::Status,
                                                          QHeaderView::ResizeToContents);
    m_tableView->horizontalHeader()->setStretchLastSection(true);
    m_tableView->verticalHeader()->setDefaultSectionSize(30);
    m_tableView->setItemDelegateForColumn(MCAddPeopleModel::Check,
                                          new MCCheckboxCellDelegate(m_tableView));
    connect(m_tableView, &QTableView::clicked, this, &MCAddPeopleController::tableClick);
    connect(m_model, &MCAddPeopleModel::selectedContactsChanged, this,
            &MCAddPeopleController::selectedContactsChanged);
    auto *layout = new QVBoxLayout(this);
    layout->setContentsMargins(0, 0, 0, 0);
    layout->addWidget(m_tableView);
    layout->addWidget(m_emptyText, 1);
    connect(m_filter, &QAbstractItemModel::modelReset, this,
            &MCAddPeopleController::updateEmptyText);
    connect(m_filter, &QAbstractItemModel::layoutChanged, this,
            &MCAddPeopleController::updateEmptyText);
    connect(m_filter, &QAbstractItemModel::rowsInserted, this,
            &MCAddPeopleController::updateEmptyText);
    connect(m_filter, &QAbstractItemModel::rowsRemoved, this,
            &MCAddPeopleController::updateEmptyText);
    updateEmptyText();
    buildPanel();
    // The panel's page has gone by the time the service answers: a refusal is said in the panel.
    connect(people, &MCPeople::groupCreationFailed, this,
            &MCAddPeopleController::groupCreationFailed);
    connect(people, &MCPeople::groupsChanged, this, [this] { m_panelAsked = false; });
}

void MCAddPeopleController::updateEmptyText()
{
    const bool empty = m_filter->rowCount() == 0;
    if (!empty)
        m_emptyText->clear();
    else if (m_model->rowCount() == 0)
        m_emptyText->setText(tr("You have no contacts yet to add."));
    else if (!m_filter->searchText().isEmpty())
        m_emptyText->setText(tr("No contact matches the search."));
    else
        m_emptyText->setText(tr("All your contacts are already in this conversation."));
    m_emptyText->setVisible(empty);
    m_tableView->setVisible(!empty);
}

void MCAddPeopleController::buildPanel()
{
    m_panelWindow = new QDialog(this, Qt::Tool | Qt::WindowStaysOnTopHint);
    m_panelWindow->setObjectName(QStringLiteral("panelWindow"));
    m_panelWindow->setWindowTitle(tr("Create Group"));
    m_panelTextField = new QLineEdit(m_panelWindow);
    m_panelTextField->setObjectName(QStringLiteral("panelTextField"));
    // Room for a name, and for the window's title beside the frame's buttons.
    m_panelTextField->setMinimumWidth(m_panelTextField->fontMetrics().averageCharWidth() * 32);
    m_panelButtonCreate = new QPushButton(tr("Create"), m_panelWindow);
    m_panelButtonCreate->setObjectName(QStringLiteral("panelButtonCreate"));
    m_panelButtonCreate->setDefault(true);
    m_panelButtonCreate->setEnabled(false);
    auto *cancel = new QPushButton(tr("Cancel"), m_panelWindow);
    cancel->setObjectName(QStringLiteral("panelButtonCancel"));
    auto *buttons = new QHBoxLayout;
    buttons->addStretch();
    buttons->addWidget(cancel);
    buttons->addWidget(m_panelButtonCreate);
    m_panelTextError = new QLabel(m_panelWindow);
    m_panelTextError->setObjectName(QStringLiteral("panelTextError"));
    m_panelTextError->setTextFormat(Qt::PlainText);
    m_panelTextError->setWordWrap(true);
    m_panelTextError->hide();
    QPalette alert = m_panelTextError->palette();
    alert.setColor(QPalette::WindowText, Qt::darkRed);
    m_panelTextError->setPalette(alert);
    auto *layout = new QVBoxLayout(m_panelWindow);
    layout->addWidget(m_panelTextField);
    layout->addWidget(m_panelTextError);
    layout->addLayout(buttons);
    // The panel is as large as what it holds: a window manager gives a resizable window a
    // resize handle, which stands as a stray line under the buttons.
    layout->setSizeConstraint(QLayout::SetFixedSize);
    connect(m_panelTextField, &QLineEdit::textChanged, this,
            [this](const QString &text) { m_panelButtonCreate->setEnabled(!text.isEmpty()); });
    connect(m_panelButtonCreate, &QPushButton::clicked, this,
            &MCAddPeopleController::panelActionCreate);
    connect(cancel, &QPushButton::clicked, this, &MCAddPeopleController::panelActionCancel);
}

QList<MCContact *> MCAddPeopleController::selectedContacts() const
{
    return m_model->selectedContacts();
}

void MCAddPeopleController::clearSelection()
{
    m_model->clearSelection();
}

void MCAddPeopleController::tableClick(const QModelIndex &index)
{
    if (!index.isValid())
        return;
    m_model->toggle(m_filter->mapToSource(index).row());
}

void MCAddPeopleController::excludeAccounts(const QList<MOUserAccount> &accounts)
{
    m_model->clearSelection();
    m_filter->setSearchText(QString());
    const QString own = m_auth ? m_auth->account().email() : QString();
    m_excludedAccounts.clear();
    QStringList emails;
    for (const MOUserAccount &account : accounts) {
        if (account.email().compare(own, Qt::CaseInsensitive) == 0)
            continue;
        m_excludedAccounts.append(account);
        emails.append(account.email());
    }
    m_filter->setExcludedEmails(emails);
}

void MCAddPeopleController::setFilterText(const QString &text)
{
    m_filter->setSearchText(text);
}

void MCAddPeopleController::showPanel(QWidget *over)
{
    m_panelTextField->clear();
    m_panelTextError->hide();
    m_panelTextField->setPlaceholderText(tr("Group name..."));
    m_panelButtonCreate->setEnabled(false);
    m_panelWindow->adjustSize();
    QWidget *host = over ? over : window();
    MCPopupPlacement::placeCentredOver(m_panelWindow, host);
    m_panelWindow->show();
    MCPopupPlacement::placeCentredOver(m_panelWindow, host);
    m_panelWindow->raise();
    m_panelWindow->activateWindow();
    m_panelTextField->setFocus();
}

void MCAddPeopleController::panelActionCreate()
{
    // One group per ask: the service's answer ends the creation under way.
    if (m_panelTextField->text().isEmpty() || m_panelAsked)
        return;
    m_panelAsked = true;
    createGroupWithTitle(m_panelTextField->text());
    m_panelWindow->close();
}

void MCAddPeopleController::groupCreationFailed(const QString &reason)
{
    if (!m_panelAsked)
        return;
    m_panelAsked = false;
    // The name typed stays, to ask again.
    m_panelTextError->setText(
        tr("The group could not be created: %1").arg(MCString::stringForName(reason)));
    m_panelTextError->show();
    m_panelButtonCreate->setEnabled(!m_panelTextField->text().isEmpty());
    m_panelWindow->show();
    m_panelWindow->raise();
}

void MCAddPeopleController::panelActionCancel()
{
    m_panelWindow->close();
}

void MCAddPeopleController::createGroupWithTitle(const QString &name)
{
    MOConversationsManager *conversations = m_people->conversationsManager();
    if (!conversations)
        return;
    QList<MOUserAccount> users;
    for (const MCContact *contact : selectedContacts())
        users.append(contact->userAccount());
    users += m_excludedAccounts;
    conversations->startConversationWithUsers(users, name);
}
