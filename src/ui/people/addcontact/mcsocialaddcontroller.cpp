#include "mcsocialaddcontroller.h"

#include "mcavatarimage.h"
#include "mccontact.h"
#include "mcfunctions.h"
#include "mcinbox.h"
#include "mcjoininvitation.h"
#include "mcpeople.h"
#include "mcpeoplenotifylog.h"
#include "mcsocialaddcellview.h"
#include "mcsocialaddmodel.h"
#include "mcsocialfailure.h"
#include "moavatarmanager.h"
#include "mocontactsmanager.h"
#include "mouserauthenticationmanager.h"
#include "yrkspinningprogressindicator.h"

#include <QHBoxLayout>
#include <QHeaderView>
#include <QLabel>
#include <QLineEdit>
#include <QPushButton>
#include <QTableView>
#include <QTimer>
#include <QToolButton>
#include <QVBoxLayout>

namespace {

const int RowHeight = 50;
const int PhotoSide = 40;
// The service answers a search in far less; past this the user is told it did not.
const int DefaultSearchTimeout = 30000;
// No e-mail address is longer (RFC 5321).
const int MaximumEmailLength = 254;

} // namespace

MCSocialAddController::MCSocialAddController(MCPeople *people, MOUserAuthenticationManager *auth,
                                             QWidget *parent)
    : QWidget(parent)
    , m_people(people)
    , m_auth(auth)
    , m_searchField(new QLineEdit)
    , m_buttonFind(new QPushButton(tr("Find")))
    , m_progressIndicator(new YRKSpinningProgressIndicator)
    , m_tableView(new QTableView)
    , m_contacts(new MCSocialAddModel(this))
    , m_searchTimer(new QTimer(this))
{
    setWindowTitle(QStringLiteral("addcontact://"));
    setObjectName(QStringLiteral("addContactPage"));
    m_contacts->setContactTest([people](const MOUserAccount &account) {
        const QList<MCContact *> contacts = people->contacts();
        return std::any_of(contacts.begin(), contacts.end(), [&account](MCContact *contact) {
            return contact->userAccount() == account;
        });
    });
    m_contacts->setOwnEmail([auth] { return auth ? auth->username() : QString(); });

    m_searchField->setObjectName(QStringLiteral("searchField"));
    m_searchField->setPlaceholderText(tr("E-mail address"));
    m_searchField->setClearButtonEnabled(true);
    m_searchField->setMaxLength(MaximumEmailLength);
    // Shown, the page is ready for an address.
    setFocusProxy(m_searchField);
    m_buttonFind->setObjectName(QStringLiteral("buttonFind"));
    m_buttonFind->setEnabled(false);
    m_buttonFind->setDefault(true);
    m_progressIndicator->setObjectName(QStringLiteral("progressIndicator"));
    m_progressIndicator->setFixedSize(18, 18);
    m_progressIndicator->hide();

    m_tableView->setObjectName(QStringLiteral("tableView"));
    m_tableView->setModel(m_contacts);
    m_tableView->setSelectionMode(QAbstractItemView::NoSelection);
    m_tableView->setEditTriggers(QAbstractItemView::NoEditTriggers);
    m_tableView->setShowGrid(false);
    m_tableView->setFocusPolicy(Qt::NoFocus);
    m_tableView->horizontalHeader()->hide();
    m_tableView->verticalHeader()->hide();
    m_tableView->verticalHeader()->setDefaultSectionSize(RowHeight);
    m_tableView->horizontalHeader()->resizeSection(MCSocialAddModel::PhotoColumn, RowHeight + 6);
    m_tableView->horizontalHeader()->resizeSection(MCSocialAddModel::InfoColumn, 300);
    // The last column fills the table.
    m_tableView->horizontalHeader()->setStretchLastSection(true);

    auto *title = new QLabel(tr("Find people by their e-mail address and invite them to be "
                                "your contacts."));
    title->setWordWrap(true);
    auto *bar = new QHBoxLayout;
    bar->addWidget(m_searchField, 1);
    bar->addWidget(m_progressIndicator);
    bar->addWidget(m_buttonFind);
    auto *layout = new QVBoxLayout(this);
    layout->setContentsMargins(16, 12, 16, 12);
    layout->addWidget(title);
    layout->addLayout(bar);
    layout->addWidget(m_tableView, 1);

    m_searchTimer->setSingleShot(true);
    m_searchTimer->setInterval(DefaultSearchTimeout);
    connect(m_searchTimer, &QTimer::timeout, this, &MCSocialAddController::searchTimedOut);
    connect(m_searchField, &QLineEdit::textChanged, this,
            &MCSocialAddController::controlTextDidChange);
    connect(m_searchField, &QLineEdit::returnPressed, this, [this] {
        if (m_buttonFind->isEnabled())
            findContact();
    });
    connect(m_buttonFind, &QPushButton::clicked, this, &MCSocialAddController::findContact);
    connect(m_contacts, &QAbstractItemModel::modelReset, this, &MCSocialAddController::reloadTable);
    connect(m_contacts, &QAbstractItemModel::dataChanged, this,
            [this](const QModelIndex &from, const QModelIndex &to) {
                for (int row = from.row(); row <= to.row(); ++row)
                    fillRow(row);
            });
    // Someone found may become a contact while the results are shown.
    connect(people, &MCPeople::contactsChanged, m_contacts, &MCSocialAddModel::refreshButtons);
}

MCSocialAddController::~MCSocialAddController()
{
    // The facades call back into this page: they go first.
    delete m_contactsManager;
    delete m_avatarManager;
}

void MCSocialAddController::setInbox(MCInbox *inbox)
{
    m_inbox = inbox;
    m_contacts->setInvitationTest([this](const QString &email) {
        const MCJoinInvitation *invitation = waitingInvitationFrom(email);
        if (!invitation)
            return MCSocialAddModel::NoInvitation;
        return invitation->pendingRequest() ? MCSocialAddModel::InvitationBeingAccepted
                                            : MCSocialAddModel::InvitationWaiting;
    });
    if (inbox)
        connect(inbox, &MCInbox::userMessagesChanged, m_contacts,
                &MCSocialAddModel::refreshButtons);
    m_contacts->refreshButtons();
}

MCJoinInvitation *MCSocialAddController::waitingInvitationFrom(const QString &email) const
{
    if (!m_inbox || email.isEmpty())
        return nullptr;
    for (MCJoinInvitation *invitation : m_inbox->userMessages()) {
        const MOJoinInvitation answered = invitation->joinInvitation();
        if (answered.sender().email().compare(email, Qt::CaseInsensitive) != 0 ||
            answered.acceptedAt().isValid() || answered.rejectedAt().isValid() ||
            answered.revokedAt().isValid() || invitation->senderIsContact())
            continue;
        return invitation;
    }
    return nullptr;
}

void MCSocialAddController::setSearchTimeout(int milliseconds)
{
    m_searchTimer->setInterval(milliseconds);
}

void MCSocialAddController::controlTextDidChange()
{
    m_buttonFind->setEnabled(MCFunctions::validateEmail(m_searchField->text()));
}

void MCSocialAddController::findContact()
{
    const QString query = m_searchField->text();
    if (!MCFunctions::validateEmail(query))
        return;
    m_progressIndicator->show();
    m_progressIndicator->startAnimation();
    if (!m_contactsManager) {
        m_contactsManager = new MOContactsManager;
        m_contactsManager->setDelegate(this);
    }
    if (!m_avatarManager) {
        m_avatarManager = new MOAvatarManager;
        m_avatarManager->setDelegate(this);
    }
    m_lastQuery = query;
    // The rows of the search before are not this one's answer.
    m_contacts->setSearching();
    m_searchTimer->start();
    m_contactsManager->search(query);
}

void MCSocialAddController::collaborationManagerDidFindContactsForQuery(
    MOContactsManager *, const QList<MOUserAccount> &users, const QString &query)
{
    // A slower answer to an earlier search would replace the newer one's rows.
    if (query.compare(m_lastQuery, Qt::CaseInsensitive) != 0) {
        qCDebug(lcPeopleNotify) << "An answer to an earlier search is dropped";
        return;
    }
    stopSearching();
    m_contacts->setAccounts(users);
    for (const MOUserAccount &account : users)
        requestAvatar(account);
}

void MCSocialAddController::collaborationManagerDidFailFindingContactsForQuery(MOContactsManager *,
                                                                               const QString &query,
                                                                               const MOError &error)
{
    // A failed earlier search says nothing about the one shown.
    if (m_lastQuery.isEmpty() || query.compare(m_lastQuery, Qt::CaseInsensitive) != 0)
        return;
    stopSearching();
    m_lastQuery.clear();
    m_contacts->setSearchFailed(MCSocialFailure::reason(error));
}

void MCSocialAddController::searchTimedOut()
{
    stopSearching();
    m_lastQuery.clear();
    m_contacts->setNoAnswer();
}

void MCSocialAddController::stopSearching()
{
    m_searchTimer->stop();
    m_progressIndicator->stopAnimation();
}

void MCSocialAddController::collaborationManagerDidSendInviteTo(MOContactsManager *,
                                                                const QString &email)
{
    m_contacts->addPendingRequest(email);
}

void MCSocialAddController::collaborationManagerDidFailSendingInviteTo(MOContactsManager *,
                                                                       const QString &email,
                                                                       const MOError &error)
{
    m_contacts->setRequestFailed(email, MCSocialFailure::reason(error));
}

void MCSocialAddController::collaborationManagerHasNewConnection(MOContactsManager *,
                                                                 const MOUserAccount &)
{
    m_contacts->refreshButtons();
}

void MCSocialAddController::addContact(int row)
{
    if (!m_contactsManager || !m_contacts->hasAccount(row))
        return;
    const QModelIndex button = m_contacts->index(row, MCSocialAddModel::ButtonColumn);
    if (!m_contacts->data(button, MCSocialAddModel::ButtonEnabledRole).toBool())
        return;
    const QString email = m_contacts->account(row).email();
    // They asked first: the answer is to accept their invitation.
    if (MCJoinInvitation *invitation = waitingInvitationFrom(email)) {
        connect(invitation, &MCJoinInvitation::additionalTextChanged, m_contacts,
                &MCSocialAddModel::refreshButtons, Qt::UniqueConnection);
        m_inbox->acceptJoinInvitation(invitation);
        m_contacts->refreshButtons();
        return;
    }
    m_contacts->addSendingRequest(email);
    m_contactsManager->invite(email);
}

void MCSocialAddController::requestAvatar(const MOUserAccount &account)
{
    const QString path = m_avatarManager->avatarPath(account);
    if (path.isEmpty())
        m_avatarManager->fetchAvatar(account);
    else
        avatarManagerDidFetchAvatarAtPath(m_avatarManager, account, path);
}

void MCSocialAddController::avatarManagerDidFetchAvatarAtPath(MOAvatarManager *,
                                                              const MOUserAccount &account,
                                                              const QString &path)
{
    const QPixmap picture = MCAvatarImage::pixmap(path, PhotoSide * 2);
    if (!picture.isNull())
        m_contacts->setAvatar(account.email(), picture);
}

void MCSocialAddController::reloadTable()
{
    for (int row = 0; row < m_contacts->rowCount(); ++row) {
        for (int column = 0; column < MCSocialAddModel::ColumnCount; ++column) {
            static const char *identifiers[] = {"photo", "info", "button"};
            auto *cell = new MCSocialAddCellView(QLatin1String(identifiers[column]));
            if (QToolButton *add = cell->buttonAdd())
                connect(add, &QToolButton::clicked, this, [this, row] { addContact(row); });
            m_tableView->setIndexWidget(m_contacts->index(row, column), cell);
        }
        fillRow(row);
    }
    m_tableView->horizontalHeader()->setStretchLastSection(true);
}

void MCSocialAddController::fillRow(int row)
{
    const auto cellAt = [this, row](int column) {
        return qobject_cast<MCSocialAddCellView *>(
            m_tableView->indexWidget(m_contacts->index(row, column)));
    };
    const auto value = [this, row](int column, int role) {
        return m_contacts->data(m_contacts->index(row, column), role);
    };
    if (MCSocialAddCellView *photo = cellAt(MCSocialAddModel::PhotoColumn)) {
        const QString sign =
            value(MCSocialAddModel::PhotoColumn, MCSocialAddModel::IconNameRole).toString();
        const QPixmap avatar =
            value(MCSocialAddModel::PhotoColumn, Qt::DecorationRole).value<QPixmap>();
        if (!sign.isEmpty())
            photo->imageView()->setPixmap(MCSocialAddCellView::sign(sign, 32));
        else if (!avatar.isNull())
            photo->imageView()->setPixmap(
                avatar.scaled(PhotoSide, PhotoSide, Qt::KeepAspectRatio, Qt::SmoothTransformation));
        else
            photo->imageView()->clear();
    }
    if (MCSocialAddCellView *info = cellAt(MCSocialAddModel::InfoColumn)) {
        info->textField()->setText(value(MCSocialAddModel::InfoColumn, Qt::DisplayRole).toString());
        info->emailField()->setText(
            value(MCSocialAddModel::InfoColumn, MCSocialAddModel::EmailRole).toString());
    }
    if (MCSocialAddCellView *button = cellAt(MCSocialAddModel::ButtonColumn)) {
        const QString sign =
            value(MCSocialAddModel::ButtonColumn, MCSocialAddModel::IconNameRole).toString();
        button->buttonAdd()->setIcon(sign.isEmpty() ? QIcon()
                                                    : QIcon(MCSocialAddCellView::sign(sign, 20)));
        button->buttonAdd()->setEnabled(
            value(MCSocialAddModel::ButtonColumn, MCSocialAddModel::ButtonEnabledRole).toBool());
        button->textField()->setVisible(
            value(MCSocialAddModel::ButtonColumn, MCSocialAddModel::TextShownRole).toBool());
        button->textField()->setText(
            value(MCSocialAddModel::ButtonColumn, Qt::DisplayRole).toString());
    }
}
