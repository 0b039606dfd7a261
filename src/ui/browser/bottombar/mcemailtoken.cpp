#include "mcemailtoken.h"

#include "mcfunctions.h"

#include <QRegularExpression>

namespace {

QString fullName(const MCEmailToken::Contact &contact)
{
    return QStringList{contact.firstName, contact.lastName}
        .filter(QRegularExpression(QStringLiteral("\\S")))
        .join(QLatin1Char(' '));
}

} // namespace

QList<MCEmailToken::Contact> MCEmailToken::contactsFrom(const QList<MOUserAccount> &accounts)
{
    QList<Contact> contacts;
    for (const MOUserAccount &account : accounts)
        contacts.append({account.firstName(), account.lastName(), account.email()});
    return contacts;
}

QString MCEmailToken::displayString() const
{
    return m_name.isEmpty() ? m_email : QStringLiteral("%1 <%2>").arg(m_name, m_email);
}

std::optional<MCEmailToken> MCEmailToken::tokenFromEmail(const QString &text,
                                                         const QList<Contact> &contacts)
{
    if (!MCFunctions::validateEmail(text))
        return std::nullopt;
    for (const Contact &contact : contacts) {
        if (contact.email != text)
            continue;
        QString name = contact.firstName;
        if (!contact.lastName.isEmpty())
            name += QLatin1Char(' ') + contact.lastName;
        return MCEmailToken(text, name);
    }
    return MCEmailToken(text, QString());
}

QString MCEmailToken::reducedEntry(const QString &entry)
{
    const int angle = entry.indexOf(QLatin1String(" <"));
    if (angle < 0)
        return entry;
    QString address = entry.mid(angle + 2);
    address.chop(1);
    return address;
}

QStringList MCEmailToken::completions(const QString &substring, const QList<Contact> &contacts)
{
    const QString typed = substring.toLower();
    QStringList found;
    if (typed.isEmpty())
        return found;
    for (const Contact &contact : contacts) {
        const QString email = contact.email;
        if (!MCFunctions::validateEmail(email))
            continue;
        if (!contact.firstName.toLower().startsWith(typed) &&
            !contact.lastName.toLower().startsWith(typed) && !email.startsWith(typed))
            continue;
        const QString name = fullName(contact);
        const QString display = name.isEmpty() ? email : QStringLiteral("%1 <%2>").arg(name, email);
        if (display.toLower().contains(typed))
            found.append(QStringLiteral("%1 >> %2").arg(substring, display));
    }
    return found;
}

QStringList MCEmailToken::recipientsOf(const QStringList &entries, const QList<Contact> &contacts)
{
    QStringList addresses;
    for (const QString &entry : entries) {
        const QString reduced = reducedEntry(entry.trimmed());
        if (const auto token = tokenFromEmail(reduced, contacts)) {
            addresses.append(token->email());
            continue;
        }
        addresses.append(
            reduced.split(QRegularExpression(QStringLiteral("\\s+")), Qt::SkipEmptyParts));
    }
    return addresses;
}
