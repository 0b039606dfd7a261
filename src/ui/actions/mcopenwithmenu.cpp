#include "mcopenwithmenu.h"

#include "desktopapplications.h"
#include "mcactionslog.h"
#include "mcstring.h"
#include "mcworkspace.h"

#include <QCollator>
#include <QCoreApplication>
#include <QDir>
#include <QFile>
#include <QFileInfo>
#include <QHash>
#include <QIcon>
#include <QMap>
#include <QMenu>
#include <QRegularExpression>

namespace MCOpenWithMenu {

namespace {

// The extension of a name from the service, if it is safe as part of a local file name.
QString safeExtension(const QString &fileName)
{
    const QFileInfo file(fileName);
    if (file.completeBaseName().isEmpty())
        return QString();
    static const QRegularExpression allowed(QStringLiteral("^[A-Za-z0-9._+-]+$"));
    const QString extension = file.suffix();
    return allowed.match(extension).hasMatch() ? extension : QString();
}

// The empty local stand-in of a remote file with that extension; made once, never written.
QString placeholderFile(const QString &fakeFilesPath, const QString &extension)
{
    const QString path = QDir(fakeFilesPath).filePath(QStringLiteral("file.") + extension);
    if (!QFileInfo::exists(path)) {
        QFile file(path);
        if (!file.open(QIODevice::WriteOnly))
            qCWarning(lcActions) << "Could not make the placeholder for" << extension;
    }
    return path;
}

QIcon iconOf(const DesktopApplication &application)
{
    if (application.iconName.isEmpty())
        return {};
    if (QFileInfo(application.iconName).isAbsolute())
        return QIcon(application.iconName);
    return QIcon::fromTheme(application.iconName);
}

QAction *addApplication(QMenu *menu, const DesktopApplication &application,
                        const OpenWith &openWith)
{
    QAction *item = menu->addAction(iconOf(application),
                                    MCString::stringByEscapingMnemonics(application.displayName));
    item->setData(application.desktopFilePath);
    const QString path = application.desktopFilePath;
    QObject::connect(item, &QAction::triggered, menu, [openWith, path] {
        if (openWith)
            openWith(path);
    });
    return item;
}

} // namespace

void fillOpenWith(QMenu *menu, const MCNodeList &nodes, const QString &fakeFilesPath,
                  const OpenWith &openWith, const Action &other)
{
    bool commonDefault = true;
    DesktopApplication defaultApplication;
    bool listValid = true;
    bool listOffered = true;
    QList<DesktopApplication> others;
    bool first = true;
    // Large selections share a few types: each is asked about once.
    QHash<QString, DesktopApplication> defaults;
    QHash<QString, QList<DesktopApplication>> openersByType;
    QHash<QString, QString> typeByExtension;
    for (const MCNodePtr &node : nodes) {
        if (!node)
            continue;
        const QString extension = safeExtension(node->fileName());
        QString contentType;
        if (extension.isEmpty()) {
            contentType = DesktopApplications::contentTypeForMimeType(node->mimeType());
        } else {
            if (!typeByExtension.contains(extension)) {
                placeholderFile(fakeFilesPath, extension);
                typeByExtension.insert(extension, DesktopApplications::contentTypeForFileName(
                                                      QStringLiteral("file.") + extension));
            }
            contentType = typeByExtension.value(extension);
        }
        if (commonDefault) {
            if (!node->isDir() && !defaults.contains(contentType))
                defaults.insert(contentType,
                                DesktopApplications::defaultForContentType(contentType));
            const DesktopApplication found =
                node->isDir() ? DesktopApplication() : defaults.value(contentType);
            if (!found.isValid() || (defaultApplication.isValid() &&
                                     found.desktopFilePath != defaultApplication.desktopFilePath))
                commonDefault = false;
            else if (!defaultApplication.isValid())
                defaultApplication = found;
        }
        // A file known only by its MIME type offers its default application alone; the
        // defaults of the other nodes are still compared.
        if (extension.isEmpty() || node->isDir())
            listOffered = false;
        if (listValid && listOffered) {
            if (!openersByType.contains(contentType))
                openersByType.insert(contentType, DesktopApplications::forContentType(contentType));
            const QList<DesktopApplication> openers = openersByType.value(contentType);
            if (openers.isEmpty()) {
                listValid = false;
            } else if (first) {
                others = openers;
            } else {
                QSet<QString> paths;
                for (const DesktopApplication &opener : openers)
                    paths.insert(opener.desktopFilePath);
                others.erase(std::remove_if(others.begin(), others.end(),
                                            [&paths](const DesktopApplication &application) {
                                                return !paths.contains(application.desktopFilePath);
                                            }),
                             others.end());
                listValid = !others.isEmpty();
            }
        }
        first = false;
    }
    if (!defaultApplication.isValid())
        commonDefault = false;

    if (commonDefault) {
        QAction *item = addApplication(menu, defaultApplication, openWith);
        item->setText(
            QCoreApplication::translate("MCOpenWithMenu", "%1 (default)")
                .arg(MCString::stringByEscapingMnemonics(defaultApplication.displayName)));
        menu->addSeparator();
    } else if (!listValid) {
        menu->addAction(QStringLiteral("<None>"))->setEnabled(false);
        menu->addSeparator();
    }
    if (listValid && listOffered) {
        // One entry per name: a later application of the same name takes the place.
        QMap<QString, DesktopApplication> byName;
        for (const DesktopApplication &application : qAsConst(others))
            byName.insert(application.displayName, application);
        QList<DesktopApplication> sorted = byName.values();
        QCollator collator;
        collator.setCaseSensitivity(Qt::CaseInsensitive);
        std::stable_sort(sorted.begin(), sorted.end(),
                         [&collator](const DesktopApplication &a, const DesktopApplication &b) {
                             return collator.compare(a.displayName, b.displayName) < 0;
                         });
        for (const DesktopApplication &application : qAsConst(sorted)) {
            if (commonDefault && application.desktopFilePath == defaultApplication.desktopFilePath)
                continue;
            addApplication(menu, application, openWith);
        }
    }
    if (!menu->actions().isEmpty() && !menu->actions().constLast()->isSeparator())
        menu->addSeparator();
    QAction *otherItem = menu->addAction(QCoreApplication::translate("MCOpenWithMenu", "Other..."));
    otherItem->setObjectName(QStringLiteral("menuItemOpenWithOther"));
    QObject::connect(otherItem, &QAction::triggered, menu, [other] {
        if (other)
            other();
    });
}

void fillNewFiles(QMenu *menu, const QVariantList &settings, const CreateFile &create,
                  const Action &customize)
{
    for (const QVariant &entry : settings) {
        const QVariantMap values = entry.toMap();
        const QString path = values.value(QStringLiteral("path")).toString();
        const QString label = values.value(QStringLiteral("label")).toString();
        if (path.isEmpty() || !QFileInfo(path).isFile())
            continue;
        QAction *item = menu->addAction(MCWorkspace::iconForFileType(QFileInfo(path).suffix()),
                                        MCString::stringByEscapingMnemonics(label));
        item->setData(path);
        QObject::connect(item, &QAction::triggered, menu, [create, path, label] {
            if (create)
                create(path, label);
        });
    }
    if (!settings.isEmpty())
        menu->addSeparator();
    QAction *item = menu->addAction(QStringLiteral("Customize this menu..."));
    item->setObjectName(QStringLiteral("menuItemCustomizeNewFiles"));
    item->setEnabled(bool(customize));
    if (customize)
        QObject::connect(item, &QAction::triggered, menu, [customize] { customize(); });
}

} // namespace MCOpenWithMenu
