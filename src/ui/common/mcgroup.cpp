#include "mcgroup.h"

#include "mcchatenvironment.h"
#include "mcchatsupport.h"
#include "mcdateformatter.h"
#include "mcstring.h"

#include <QIcon>

MCGroup::MCGroup(const MOConversation &room, QObject *parent)
    : MCSocialEntity(parent)
    , m_chatRoom(room)
{
    setRoomImage(QIcon::fromTheme(QStringLiteral("system-users")).pixmap(32));
}

void MCGroup::setChatRoom(const MOConversation &room)
{
    m_chatRoom = room;
    emit chatRoomChanged();
}

QString MCGroup::title() const
{
    return QStringLiteral("%1://%2").arg(m_chatRoom.name()).arg(identifier());
}

QString MCGroup::roomName() const
{
    const QString name = m_chatRoom.name();
    return name.trimmed().isEmpty() ? tr("NO NAME") : MCString::stringByBoundingName(name);
}

QString MCGroup::description() const
{
    const int count = m_chatRoom.participants().size();
    return count == 1 ? tr("1 person") : tr("%1 %2").arg(count).arg(tr("people"));
}

QString MCGroup::createdAtAsString() const
{
    return tr("%1 %2").arg(tr("Created at"), createdAtText());
}

QString MCGroup::createdAtText() const
{
    MCDateFormatter dates;
    dates.setDateStyle(MCDateFormatter::MediumStyle);
    dates.setTimeStyle(MCDateFormatter::ShortStyle);
    dates.setDoesRelativeDateFormatting(true);
    return dates.stringFromDate(createdAt());
}

QString MCGroup::usersNames(const QString &separator) const
{
    MCChatEnvironment *env = environment();
    if (!env)
        return QString();
    const QString me = env->signedInAccount().email();
    QStringList emails;
    for (const MOUserAccount &member : rcptAccounts()) {
        if (member.email().compare(me, Qt::CaseInsensitive) != 0)
            emails.append(member.email());
    }
    QStringList names;
    for (const QString &email : qAsConst(emails)) {
        if (const MCContact *contact = env->chatSupport().contactByEmail(email))
            names.append(contact->fullName());
    }
    return names.join(separator);
}
