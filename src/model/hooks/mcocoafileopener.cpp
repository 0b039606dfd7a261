// GLib's headers use the identifier "signals", which Qt defines as a macro: they come first.
#include <gio/gdesktopappinfo.h>
#include <gio/gio.h>

#include "mcocoafileopener.h"

#include <QFile>
#include <QFileInfo>

namespace {

// Enough of the file's start for content sniffing.
const qint64 SniffLength = 4096;

GAppInfo *defaultApplication(const QString &path)
{
    QByteArray head;
    QFile file(path);
    if (file.open(QIODevice::ReadOnly))
        head = file.read(SniffLength);
    // The name alone would let a renamed executable pass for a document.
    const QByteArray name = QFile::encodeName(QFileInfo(path).fileName());
    g_autofree gchar *type =
        g_content_type_guess(name.constData(), reinterpret_cast<const guchar *>(head.constData()),
                             gsize(head.size()), nullptr);
    return g_app_info_get_default_for_type(type, FALSE);
}

GAppInfo *namedApplication(const QUrl &appUrl, const QString &path)
{
    if (!appUrl.isLocalFile())
        return nullptr;
    const QFileInfo desktopFile(appUrl.toLocalFile());
    // The file being opened never serves as its own launcher.
    if (desktopFile.suffix() != QLatin1String("desktop") || !desktopFile.isFile() ||
        desktopFile == QFileInfo(path)) {
        return nullptr;
    }
    const QByteArray desktopPath = QFile::encodeName(desktopFile.absoluteFilePath());
    return G_APP_INFO(g_desktop_app_info_new_from_filename(desktopPath.constData()));
}

} // namespace

MCocoaFileOpener::MCocoaFileOpener(QObject *parent)
    : MAbstractFileOpener(parent)
{}

bool MCocoaFileOpener::openFile(const QUrl &file, const QUrl &appUrl, qint64 *pid)
{
    Q_UNUSED(pid)
    if (!file.isLocalFile())
        return false;
    const QString path = file.toLocalFile();
    if (!QFileInfo::exists(path))
        return false;
    g_autoptr(GAppInfo) application =
        appUrl.isEmpty() ? defaultApplication(path) : namedApplication(appUrl, path);
    if (!application)
        return false;
    g_autofree gchar *uri =
        g_filename_to_uri(QFile::encodeName(path).constData(), nullptr, nullptr);
    if (!uri)
        return false;
    GList uris = {uri, nullptr, nullptr};
    return g_app_info_launch_uris(application, &uris, nullptr, nullptr);
}
