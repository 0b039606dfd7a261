#include "mcpages.h"

#include "mcfunctions.h"

#include <QCoreApplication>

namespace {

struct Page
{
    const char *location;
    const char *title;
    const char *icon;
    const char *fallback;
};

const Page Pages[] = {
    {"messages://", QT_TRANSLATE_NOOP("MCPages", "Notifications"), "mail-unread", "mail-message"},
    {"account://", QT_TRANSLATE_NOOP("MCPages", "Account"), "avatar-default", "user-info"},
    {"links://", QT_TRANSLATE_NOOP("MCPages", "Share Links"), "insert-link", "emblem-shared"},
    {"errors://", QT_TRANSLATE_NOOP("MCPages", "Console"), "utilities-terminal", "dialog-warning"},
    {"transfers://", QT_TRANSLATE_NOOP("MCPages", "Transfers"), "network-transmit-receive",
     "document-send"},
    {"contacts://", QT_TRANSLATE_NOOP("MCPages", "Contacts"), "system-users",
     "x-office-address-book"},
    {"addcontact://", QT_TRANSLATE_NOOP("MCPages", "Add Contact..."), "contact-new",
     "list-add-user"},
};

const Page *find(const QString &location)
{
    for (const Page &page : Pages) {
        if (location == QLatin1String(page.location))
            return &page;
    }
    return nullptr;
}

} // namespace

namespace MCPages {

QStringList locations()
{
    QStringList list;
    for (const Page &page : Pages)
        list.append(QLatin1String(page.location));
    return list;
}

QString title(const QString &location)
{
    const Page *page = find(location);
    return page ? QCoreApplication::translate("MCPages", page->title) : QString();
}

QIcon icon(const QString &location)
{
    if (location == QLatin1String("home") || location == QLatin1String("/"))
        return MCFunctions::getHomeIcon();
    const Page *page = find(location);
    if (!page)
        return QIcon();
    const QIcon themed = QIcon::fromTheme(QLatin1String(page->icon));
    return themed.isNull() ? QIcon::fromTheme(QLatin1String(page->fallback)) : themed;
}

} // namespace MCPages
