#ifndef MCEMAILTOKEN_H
#define MCEMAILTOKEN_H

#include "mouseraccount.h"

#include <QList>
#include <QString>
#include <QStringList>

#include <optional>

// One recipient of the share-link e-mail: an address and, when the user's contacts know it,
// the person's name. Also the rules of the recipients field: what a typed or chosen entry
// becomes, how it reads, and the completions offered from the contacts.
class MCEmailToken
{
public:
    // What the rules read of a contact.
    struct Contact
    {
        QString firstName;
        QString lastName;
        QString email;
    };
    static QList<Contact> contactsFrom(const QList<MOUserAccount> &accounts);

    MCEmailToken() = default;
    MCEmailToken(const QString &email, const QString &name)
        : m_email(email)
        , m_name(name)
    {}

    QString email() const { return m_email; }
    QString name() const { return m_name; }
    // "Ann Smith <ann@example.org>", or the address alone when there is no name.
    QString displayString() const;

    // A token for a valid address, named from the first contact with exactly that address;
    // none for anything that is not an address.
    static std::optional<MCEmailToken> tokenFromEmail(const QString &text,
                                                      const QList<Contact> &contacts);
    // An entry as typed or chosen: "Name <address>" and a completion both give the address.
    static QString reducedEntry(const QString &entry);
    // The completions for what the user typed: "ann >> Ann Smith <ann@example.org>" for every
    // contact whose first or last name or address begins with it, in the contacts' order.
    static QStringList completions(const QString &substring, const QList<Contact> &contacts);
    // The addresses to send to: a token's address, or every whitespace-separated part of a
    // plain entry.
    static QStringList recipientsOf(const QStringList &entries, const QList<Contact> &contacts);

private:
    QString m_email;
    QString m_name;
};

#endif // MCEMAILTOKEN_H
