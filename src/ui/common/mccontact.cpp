#include "mccontact.h"

#include "mcchatenvironment.h"
#include "mcoptions.h"
#include "mcstring.h"

#include <QIcon>
#include <QPainter>
#include <QPixmapCache>

namespace {

QPixmap placeholderAvatar()
{
    const QString key = QStringLiteral("MCContact/placeholderAvatar");
    QPixmap picture;
    if (QPixmapCache::find(key, &picture))
        return picture;
    const QIcon themed = QIcon::fromTheme(QStringLiteral("avatar-default"));
    if (!themed.isNull()) {
        picture = themed.pixmap(64);
    } else {
        picture = QPixmap(64, 64);
        picture.fill(Qt::transparent);
        QPainter painter(&picture);
        painter.setRenderHint(QPainter::Antialiasing);
        painter.setPen(Qt::NoPen);
        painter.setBrush(QColor(160, 160, 160));
        painter.drawEllipse(QRectF(20, 8, 24, 24)); // head
        painter.drawEllipse(QRectF(8, 36, 48, 44)); // shoulders, cut by the edge
    }
    QPixmapCache::insert(key, picture);
    return picture;
}

} // namespace

MCContact::MCContact(const MOUserAccount &account, QObject *parent)
    : MCSocialEntity(parent)
    , m_userAccount(account)
{}

void MCContact::setChatRoom(const MOConversation &room)
{
    m_userAccount.setMainConversation(room);
    createPListEntry();
    emit chatRoomChanged();
}

QString MCContact::title() const
{
    // No e-mail, no title: "://" alone would name every such contact's page and entry.
    return email().isEmpty() ? QString() : email() + QStringLiteral("://");
}

void MCContact::setUserAccount(const MOUserAccount &account)
{
    MCChatEnvironment *env = environment();
    if (env && env->options() &&
        env->options()->value(MCOptions::AppDelegate, MCOptions::SoundsEnabled).toBool() &&
        account.onlineStatus() != m_userAccount.onlineStatus())
        env->playSound(account.onlineStatus() != 0 ? QStringLiteral("connected")
                                                   : QStringLiteral("disconnected"));
    // The service's account carries no conversation of its own in a status change.
    const MOConversation room = m_userAccount.mainConversation();
    m_userAccount = account;
    if (m_userAccount.mainConversation().identifier() <= 0)
        m_userAccount.setMainConversation(room);
    emit userAccountChanged();
}

QString MCContact::fullName() const
{
    const QString first = m_userAccount.firstName();
    const QString last = m_userAccount.lastName();
    if (!first.isEmpty() && !last.isEmpty())
        return MCString::stringByBoundingName(QStringLiteral("%1 %2").arg(first, last));
    if (!first.isEmpty() || !last.isEmpty())
        return MCString::stringByBoundingName(first.isEmpty() ? last : first);
    return tr("NO NAME");
}

QPixmap MCContact::avatar() const
{
    return m_avatar.isNull() ? placeholderAvatar() : m_avatar;
}

void MCContact::setAvatar(const QPixmap &avatar)
{
    m_avatar = avatar;
    setRoomImage(avatar);
    emit avatarChanged();
}
