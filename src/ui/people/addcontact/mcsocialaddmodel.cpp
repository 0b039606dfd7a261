#include "mcsocialaddmodel.h"

#include "mcstring.h"

namespace {

bool sameEmail(const QString &a, const QString &b)
{
    return !a.isEmpty() && a.compare(b, Qt::CaseInsensitive) == 0;
}

// The service's reason ends where the next sentence begins: with its own stop, else a full one.
QString asSentence(const QString &reason)
{
    static const QString stops = QStringLiteral(".!?\u2026\u3002");
    if (reason.isEmpty() || stops.contains(reason.back()))
        return reason;
    return reason + QLatin1Char('.');
}

} // namespace

MCSocialAddModel::ButtonState MCSocialAddModel::buttonState(bool hasAccount, bool isMyContact,
                                                            bool isMe, bool isPending)
{
    if (isMyContact)
        return {tr("Already in my contacts"), QStringLiteral("ok"), false, true};
    if (!hasAccount)
        return {QString(), QString(), false, false};
    if (isMe)
        return {tr("Ehi, it's me!"), QStringLiteral("info"), false, true};
    if (isPending)
        return {tr("Invite request sent"), QStringLiteral("question"), false, true};
    return {tr("Click the plus button to invite"), QStringLiteral("add"), true, true};
}

MCSocialAddModel::MCSocialAddModel(QObject *parent)
    : QAbstractTableModel(parent)
    , m_isMyContact([](const MOUserAccount &) { return false; })
    , m_ownEmail([] { return QString(); })
    , m_invitationFrom([](const QString &) { return NoInvitation; })
{}

void MCSocialAddModel::setInvitationTest(
    std::function<InvitationState(const QString &)> invitationFrom)
{
    m_invitationFrom = std::move(invitationFrom);
}

void MCSocialAddModel::setContactTest(std::function<bool(const MOUserAccount &)> isMyContact)
{
    m_isMyContact = std::move(isMyContact);
}

void MCSocialAddModel::setOwnEmail(std::function<QString()> ownEmail)
{
    m_ownEmail = std::move(ownEmail);
}

void MCSocialAddModel::setAccounts(const QList<MOUserAccount> &accounts)
{
    beginResetModel();
    m_rows.clear();
    m_failureTitle.clear();
    m_failureDetail.clear();
    for (const MOUserAccount &account : accounts)
        m_rows.append({account, true, QPixmap()});
    if (m_rows.isEmpty())
        m_rows.append(Row());
    endResetModel();
}

void MCSocialAddModel::setSearching()
{
    beginResetModel();
    m_rows.clear();
    endResetModel();
}

void MCSocialAddModel::setNoAnswer()
{
    beginResetModel();
    m_rows = {Row()};
    m_failureTitle = tr("The service did not answer");
    m_failureDetail = tr("Try again later");
    endResetModel();
}

void MCSocialAddModel::setSearchFailed(const QString &reason)
{
    beginResetModel();
    m_rows = {Row()};
    m_failureTitle = tr("The search failed");
    m_failureDetail = tr("%1 Try again.").arg(reason);
    endResetModel();
}

bool MCSocialAddModel::hasAccount(int row) const
{
    return row >= 0 && row < m_rows.size() && m_rows.at(row).hasAccount;
}

MOUserAccount MCSocialAddModel::account(int row) const
{
    return hasAccount(row) ? m_rows.at(row).account : MOUserAccount();
}

bool MCSocialAddModel::setAvatar(const QString &email, const QPixmap &avatar)
{
    bool found = false;
    for (int row = 0; row < m_rows.size(); ++row) {
        if (m_rows.at(row).hasAccount && sameEmail(m_rows.at(row).account.email(), email)) {
            m_rows[row].avatar = avatar;
            emit dataChanged(index(row, PhotoColumn), index(row, PhotoColumn));
            found = true;
        }
    }
    return found;
}

void MCSocialAddModel::addPendingRequest(const QString &email)
{
    m_sendingRequests.removeAll(email.toLower());
    m_failedRequests.remove(email.toLower());
    if (!m_pendingRequests.contains(email, Qt::CaseInsensitive))
        m_pendingRequests.append(email);
    refreshButtons();
}

void MCSocialAddModel::addSendingRequest(const QString &email)
{
    m_failedRequests.remove(email.toLower());
    if (!m_sendingRequests.contains(email.toLower()))
        m_sendingRequests.append(email.toLower());
    refreshButtons();
}

void MCSocialAddModel::setRequestFailed(const QString &email, const QString &reason)
{
    // Only an invitation this page sent and has not heard of yet.
    if (!m_sendingRequests.removeAll(email.toLower()))
        return;
    m_failedRequests.insert(email.toLower(), reason);
    refreshButtons();
}

void MCSocialAddModel::refreshButtons()
{
    if (!m_rows.isEmpty())
        emit dataChanged(index(0, ButtonColumn), index(m_rows.size() - 1, ButtonColumn));
}

MCSocialAddModel::ButtonState MCSocialAddModel::stateOf(const Row &row) const
{
    const QString email = row.account.email();
    ButtonState state = buttonState(row.hasAccount, row.hasAccount && m_isMyContact(row.account),
                                    sameEmail(email, m_ownEmail()),
                                    m_pendingRequests.contains(email, Qt::CaseInsensitive));
    // Only where the row would invite: a contact or the user stays as the rules say.
    if (!state.enabled)
        return state;
    switch (m_invitationFrom(email)) {
    case InvitationWaiting:
        return {tr("Wants to be your contact. Click the plus button to accept"),
                QStringLiteral("add"), true, true};
    case InvitationBeingAccepted:
        return {tr("Accepting the invitation..."), QStringLiteral("question"), false, true};
    case NoInvitation:
        break;
    }
    if (m_sendingRequests.contains(email.toLower()))
        return {tr("Sending the invitation..."), QStringLiteral("question"), false, true};
    const auto failed = m_failedRequests.constFind(email.toLower());
    if (failed != m_failedRequests.cend())
        state.text = tr("Invitation not sent. %1 Click the plus button to try again.")
                         .arg(asSentence(*failed));
    return state;
}

QString MCSocialAddModel::fullName(const MOUserAccount &account)
{
    const QString first = account.firstName();
    const QString last = account.lastName();
    if (!first.isEmpty() && !last.isEmpty())
        return QStringLiteral("%1 %2").arg(first, last);
    if (!first.isEmpty() || !last.isEmpty())
        return first.isEmpty() ? last : first;
    return tr("NO NAME");
}

int MCSocialAddModel::rowCount(const QModelIndex &parent) const
{
    return parent.isValid() ? 0 : m_rows.size();
}

int MCSocialAddModel::columnCount(const QModelIndex &parent) const
{
    return parent.isValid() ? 0 : ColumnCount;
}

QVariant MCSocialAddModel::data(const QModelIndex &index, int role) const
{
    if (!index.isValid() || index.row() >= m_rows.size())
        return {};
    const Row &row = m_rows.at(index.row());
    switch (index.column()) {
    case PhotoColumn:
        if (role == Qt::DecorationRole)
            return row.avatar;
        if (role == IconNameRole)
            return row.hasAccount ? QString() : QStringLiteral("alert");
        return {};
    case InfoColumn:
        if (role == Qt::DisplayRole) {
            if (row.hasAccount)
                return MCString::stringForName(fullName(row.account));
            return m_failureTitle.isEmpty() ? tr("No user found with this data") : m_failureTitle;
        }
        if (role == EmailRole) {
            if (row.hasAccount)
                return MCString::stringForName(row.account.email());
            return m_failureTitle.isEmpty() ? tr("Try a different search query") : m_failureDetail;
        }
        return {};
    case ButtonColumn: {
        const ButtonState state = stateOf(row);
        switch (role) {
        case Qt::DisplayRole:
            return state.text;
        case IconNameRole:
            return state.iconName;
        case ButtonEnabledRole:
            return state.enabled;
        case TextShownRole:
            return state.textShown;
        default:
            return {};
        }
    }
    default:
        return {};
    }
}
