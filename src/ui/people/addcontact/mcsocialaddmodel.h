#ifndef MCSOCIALADDMODEL_H
#define MCSOCIALADDMODEL_H

#include "mouseraccount.h"

#include <QAbstractTableModel>
#include <QHash>
#include <QList>
#include <QPixmap>
#include <QStringList>

#include <functional>

// The add-contact page's results: one row per account found, or a single row without an
// account that says nothing was found (or that the search failed), or no row while a search is
// under way. Columns "photo", "info" and "button"; the button column says what the user can do
// with the row, and what became of an invitation sent from it.
class MCSocialAddModel : public QAbstractTableModel
{
    Q_OBJECT
public:
    enum Column { PhotoColumn, InfoColumn, ButtonColumn, ColumnCount };
    enum Role {
        EmailRole = Qt::UserRole + 1, // info: the second line
        ButtonEnabledRole,            // button: whether the row's button invites
        TextShownRole,                // button: whether the status text is shown
        IconNameRole,                 // photo and button: which image the cell shows
    };
    // What the button column shows for a row, by the first rule that holds.
    struct ButtonState
    {
        QString text;
        QString iconName; // "ok", "info", "question", "add"; empty: none
        bool enabled = false;
        bool textShown = false;
    };
    static ButtonState buttonState(bool hasAccount, bool isMyContact, bool isMe, bool isPending);
    // Where an invitation to the user from a row's account stands.
    enum InvitationState { NoInvitation, InvitationWaiting, InvitationBeingAccepted };

    explicit MCSocialAddModel(QObject *parent = nullptr);

    // Whether an account is one of the user's contacts; whose e-mail is the user's own.
    void setContactTest(std::function<bool(const MOUserAccount &)> isMyContact);
    void setOwnEmail(std::function<QString()> ownEmail);
    // Where the invitation to the user from an e-mail address stands.
    void setInvitationTest(std::function<InvitationState(const QString &)> invitationFrom);

    // The rows of a search; an empty list gives the single not-found row.
    void setAccounts(const QList<MOUserAccount> &accounts);
    // No row: a search is under way, and the rows of the one before are gone.
    void setSearching();
    // The single row for a search the service never answered.
    void setNoAnswer();
    // The single row for a search that failed, with why.
    void setSearchFailed(const QString &reason);
    bool hasAccount(int row) const;
    MOUserAccount account(int row) const;
    // Sets the picture of every row with that e-mail; false when none has it.
    bool setAvatar(const QString &email, const QPixmap &avatar);
    // The e-mail addresses invited from the page, for the page's life.
    QStringList pendingRequests() const { return m_pendingRequests; }
    // The service took the invitation.
    void addPendingRequest(const QString &email);
    // The invitation is on its way: the button waits.
    void addSendingRequest(const QString &email);
    // The invitation did not go through: the row says why and may invite again.
    void setRequestFailed(const QString &email, const QString &reason);
    // The button column's rules depend on the contacts: tell the view again.
    void refreshButtons();

    int rowCount(const QModelIndex &parent = QModelIndex()) const override;
    int columnCount(const QModelIndex &parent = QModelIndex()) const override;
    QVariant data(const QModelIndex &index, int role = Qt::DisplayRole) const override;

private:
    struct Row
    {
        MOUserAccount account;
        bool hasAccount = false;
        QPixmap avatar;
    };
    ButtonState stateOf(const Row &row) const;
    static QString fullName(const MOUserAccount &account);

    QList<Row> m_rows;
    QString m_failureTitle;
    QString m_failureDetail;
    QStringList m_pendingRequests;
    QStringList m_sendingRequests;
    // Lower-case e-mail -> why its last invitation did not go through.
    QHash<QString, QString> m_failedRequests;
    std::function<bool(const MOUserAccount &)> m_isMyContact;
    std::function<QString()> m_ownEmail;
    std::function<InvitationState(const QString &)> m_invitationFrom;
};

#endif // MCSOCIALADDMODEL_H
