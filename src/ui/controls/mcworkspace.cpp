#include "mcworkspace.h"

#include "mcimages.h"

#include <QCoreApplication>
#include <QHash>
#include <QMimeDatabase>
#include <QMutex>
#include <QStandardPaths>

namespace {

QString tr(const char *text)
{
    return QCoreApplication::translate("MCWorkspace", text);
}

// The MIME type the extension names, or an invalid type when the database has none for it.
QMimeType mimeTypeForExtension(const QString &extension)
{
    if (extension.isEmpty())
        return QMimeType();
    static const QMimeDatabase database;
    const QList<QMimeType> types = database.mimeTypesForFileName(QStringLiteral("x.") + extension);
    return types.isEmpty() ? QMimeType() : types.first();
}

// Guards the caches of kind texts.
QMutex &kindsLock()
{
    static QMutex lock;
    return lock;
}

} // namespace

QIcon MCWorkspace::genericDocumentIcon()
{
    static const QIcon generic = [] {
        QIcon icon = QIcon::fromTheme(QStringLiteral("text-x-generic"));
        return icon.isNull() ? QIcon(MCImages::named(QStringLiteral("document.png"))) : icon;
    }();
    return generic;
}

QIcon MCWorkspace::fileIconForMIMEType(const QString &mimeType)
{
    static QHash<QString, QIcon> cache;
    const auto cached = cache.constFind(mimeType);
    if (cached != cache.constEnd())
        return *cached;
    const QMimeType type = QMimeDatabase().mimeTypeForName(mimeType);
    QIcon icon;
    if (type.isValid())
        icon = QIcon::fromTheme(type.iconName(), QIcon::fromTheme(type.genericIconName()));
    if (icon.isNull())
        icon = genericDocumentIcon();
    cache.insert(mimeType, icon);
    return icon;
}

QIcon MCWorkspace::iconForFileType(const QString &extension)
{
    static QHash<QString, QIcon> cache;
    const QString key = extension.toLower();
    const auto cached = cache.constFind(key);
    if (cached != cache.constEnd())
        return *cached;
    const QMimeType type = mimeTypeForExtension(key);
    const QIcon icon = type.isValid() ? fileIconForMIMEType(type.name()) : genericDocumentIcon();
    cache.insert(key, icon);
    return icon;
}

QString MCWorkspace::fileKindForMIMEType(const QString &mimeType)
{
    const QMutexLocker locker(&kindsLock());
    static QHash<QString, QString> cache;
    const auto cached = cache.constFind(mimeType);
    if (cached != cache.constEnd())
        return *cached;
    const QMimeType type = QMimeDatabase().mimeTypeForName(mimeType);
    const QString kind =
        type.isValid() && !type.comment().isEmpty() ? type.comment() : tr("Document");
    cache.insert(mimeType, kind);
    return kind;
}

QString MCWorkspace::humanReadableFileType(const QString &extension)
{
    const QMutexLocker locker(&kindsLock());
    static QHash<QString, QString> cache;
    const QString key = extension.toLower();
    const auto cached = cache.constFind(key);
    if (cached != cache.constEnd())
        return *cached;
    const QMimeType type = mimeTypeForExtension(extension);
    const QString kind = type.isValid() ? type.comment() : QString();
    cache.insert(key, kind);
    return kind;
}

QString MCWorkspace::humanReadableFileTypeForFileExtension(const QString &extension)
{
    const QString kind = humanReadableFileType(extension);
    if (!kind.isEmpty())
        return kind;
    if (extension.isEmpty())
        return tr("Document");
    return tr("%1 File").arg(extension.toUpper());
}

void MCWorkspace::useIconThemeFallback()
{
    // The desktop's icon folders, where the platform did not name them.
    QStringList paths = QIcon::themeSearchPaths();
    for (const QString &folder :
         QStandardPaths::locateAll(QStandardPaths::GenericDataLocation, QStringLiteral("icons"),
                                   QStandardPaths::LocateDirectory)) {
        if (!paths.contains(folder))
            paths.append(folder);
    }
    QIcon::setThemeSearchPaths(paths);
    const QString fallback = QStringLiteral("Adwaita");
    const QString theme = QIcon::themeName();
    if (theme.isEmpty() || theme == QLatin1String("hicolor"))
        QIcon::setThemeName(fallback);
    QIcon::setFallbackThemeName(fallback);
}
