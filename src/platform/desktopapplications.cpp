// GLib's headers use the identifier "signals", which Qt defines as a macro: they come first.
#include <gio/gdesktopappinfo.h>
#include <gio/gio.h>

#include "desktopapplications.h"

#include <QCollator>
#include <QFile>

#include <algorithm>

namespace {

QString fromUtf8(const char *text)
{
    return text ? QString::fromUtf8(text) : QString();
}

// Only applications with a .desktop file can be named to the opener.
DesktopApplication describe(GAppInfo *info)
{
    DesktopApplication application;
    if (!info || !G_IS_DESKTOP_APP_INFO(info))
        return application;
    const char *filename = g_desktop_app_info_get_filename(G_DESKTOP_APP_INFO(info));
    if (!filename)
        return application;
    application.desktopFilePath = QFile::decodeName(filename);
    application.id = fromUtf8(g_app_info_get_id(info));
    application.displayName = fromUtf8(g_app_info_get_display_name(info));
    if (GIcon *icon = g_app_info_get_icon(info)) {
        g_autofree gchar *name = g_icon_to_string(icon);
        application.iconName = fromUtf8(name);
    }
    return application;
}

QList<DesktopApplication> describeAll(GList *infos, bool shownOnly)
{
    QList<DesktopApplication> applications;
    for (GList *item = infos; item; item = item->next) {
        auto *info = static_cast<GAppInfo *>(item->data);
        if (shownOnly && !g_app_info_should_show(info))
            continue;
        const DesktopApplication application = describe(info);
        if (application.isValid())
            applications.append(application);
    }
    g_list_free_full(infos, g_object_unref);
    return applications;
}

} // namespace

namespace DesktopApplications {

QString contentTypeForFileName(const QString &fileName)
{
    const QByteArray name = QFile::encodeName(fileName);
    g_autofree gchar *type = g_content_type_guess(name.constData(), nullptr, 0, nullptr);
    g_autofree gchar *mime = type ? g_content_type_get_mime_type(type) : nullptr;
    return mime ? fromUtf8(mime) : QStringLiteral("application/octet-stream");
}

QString contentTypeForMimeType(const QString &mimeType)
{
    if (mimeType.isEmpty())
        return QStringLiteral("application/octet-stream");
    g_autofree gchar *type = g_content_type_from_mime_type(mimeType.toUtf8().constData());
    return type ? fromUtf8(type) : mimeType;
}

DesktopApplication defaultForContentType(const QString &contentType)
{
    if (contentType.isEmpty())
        return {};
    g_autoptr(GAppInfo) info =
        g_app_info_get_default_for_type(contentType.toUtf8().constData(), FALSE);
    return describe(info);
}

QList<DesktopApplication> forContentType(const QString &contentType)
{
    if (contentType.isEmpty())
        return {};
    return describeAll(g_app_info_get_all_for_type(contentType.toUtf8().constData()), false);
}

QList<DesktopApplication> all()
{
    QList<DesktopApplication> applications = describeAll(g_app_info_get_all(), true);
    QCollator collator;
    collator.setCaseSensitivity(Qt::CaseInsensitive);
    std::stable_sort(applications.begin(), applications.end(),
                     [&collator](const DesktopApplication &a, const DesktopApplication &b) {
                         return collator.compare(a.displayName, b.displayName) < 0;
                     });
    return applications;
}

} // namespace DesktopApplications
