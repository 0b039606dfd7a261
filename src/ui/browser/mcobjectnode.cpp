#include "mcobjectnode.h"

#include "mcbrowserlog.h"
#include "mcfilesizeformatter.h"
#include "mcimages.h"
#include "mcremotepath.h"
#include "mcworkspace.h"

#include <QCoreApplication>
#include <QLocale>
#include <QSet>

namespace {

QString tr(const char *text)
{
    return QCoreApplication::translate("MCObjectNode", text);
}

QIcon folderIcon()
{
    static const QIcon icon = [] {
        const QIcon themed = QIcon::fromTheme(QStringLiteral("folder"));
        return themed.isNull() ? QIcon(MCImages::named(QStringLiteral("folder.png"))) : themed;
    }();
    return icon;
}

// The lower-cased extension of a name; empty for "name" and ".hidden".
QString extensionOf(const QString &name)
{
    const int dot = name.lastIndexOf(QLatin1Char('.'));
    return dot > 0 ? name.mid(dot + 1).toLower() : QString();
}

} // namespace

QSharedPointer<MCObjectNode> MCObjectNode::create(const MOStorageObject &object)
{
    return QSharedPointer<MCObjectNode>(new MCObjectNode(object));
}

MCObjectNode::MCObjectNode(const MOStorageObject &object)
    : m_object(object)
{
    setFileName(object.label());
    setBasePath(object.basePath().isEmpty() ? QStringLiteral("/") : object.basePath());
    m_root = filePath() == QLatin1String("/");
    setFileSize(object.size());
    setMimeType(object.MIMEType());
    if (object.type() == MOStorageObject::Directory) {
        // No folder is a bundle on Linux: every folder browses as one.
        static const QString folderKind = tr("Folder");
        setFileKind(folderKind);
        setIsDir(true);
    } else {
        showTypeOf(object.label(), object.MIMEType());
    }
    setFileDateModified(object.lastModified());
    setContentHash(object.contentHash());
    setChildrenCount(object.childrenCount());
    if (object.cached())
        setStates(Cached);
}

void MCObjectNode::showTypeOf(const QString &name, const QString &mimeType)
{
    const QString extension = extensionOf(name);
    setFileKind(extension.isEmpty()
                    ? MCWorkspace::fileKindForMIMEType(mimeType)
                    : MCWorkspace::humanReadableFileTypeForFileExtension(extension));
    resetTypeIcon();
}

QIcon MCObjectNode::typeIcon() const
{
    if (isDir())
        return folderIcon();
    const QString extension = extensionOf(fileName());
    return extension.isEmpty() ? MCWorkspace::fileIconForMIMEType(mimeType())
                               : MCWorkspace::iconForFileType(extension);
}

MCNodePtr MCObjectNode::copy() const
{
    QSharedPointer<MCObjectNode> node(new MCObjectNode(*this));
    // The copy has its own array of the same child nodes.
    if (!childrenDirty() && hasChildren()) {
        QVector<MCNodePtr> parents;
        parents.reserve(children().size());
        for (const MCNodePtr &child : children())
            parents.append(child->parent());
        node->setChildren(children());
        // The shared children keep the folder they were listed in as their parent.
        for (int row = 0; row < parents.size(); ++row)
            children().at(row)->setParent(parents.at(row));
    }
    return node;
}

QString MCObjectNode::additionalFileInfo(const QVariant &infoType) const
{
    if (!infoType.isValid())
        return QString();
    switch (infoType.toUInt()) {
    case 0:
        return QLocale().toString(fileDateModified().toLocalTime(), QLocale::ShortFormat);
    case 1: {
        if (isDir()) {
            return childrenCount() == 1 ? tr("1 item")
                                        : tr("%1 items").arg(QLocale().toString(childrenCount()));
        }
        MCFileSizeFormatter formatter;
        formatter.setUseBaseTenUnits(true);
        formatter.setMaximumFractionDigits(1);
        return formatter.stringFromNumber(double(fileSize()));
    }
    case 2:
        return fileKind();
    case 3:
        return tr("not yet implemented");
    default:
        return QString();
    }
}

void MCObjectNode::setChildren(const MCNodeList &children)
{
    if (hasChildren() && &children == &this->children())
        return;
    replaceChildren(children, true);
}

void MCObjectNode::performChildrenInvalidation()
{
    setChildrenDirty(true);
    for (const MCNodePtr &child : children())
        child->setChildrenDirty(true);
    notifyChildrenInvalidated();
}

void MCObjectNode::doApplyAttributesFromDictionary(const QVariantMap &attributes)
{
    const QString nameBefore = fileName();
    const QString mimeBefore = mimeType();
    for (auto it = attributes.constBegin(); it != attributes.constEnd(); ++it) {
        const QVariantList pair = it.value().toList();
        if (pair.size() < 2)
            continue;
        const QVariant value = pair.at(1);
        const QString &key = it.key();
        if (key == QLatin1String("label") || key == QLatin1String("fileName")) {
            if (isSafeLabel(value.toString()))
                setFileName(value.toString());
            else
                qCWarning(lcBrowser) << "[WARNING]: Unsafe name in an update skipped";
        } else if (key == QLatin1String("path") || key == QLatin1String("filePath")) {
            const QString path = value.toString();
            const int slash = path.lastIndexOf(QLatin1Char('/'));
            const QString name = path.mid(slash + 1);
            if (slash < 0 || !isSafeLabel(name) || path.contains(QLatin1String("/../"))) {
                qCWarning(lcBrowser) << "[WARNING]: Unsafe path in an update skipped";
                continue;
            }
            setBasePath(slash == 0 ? QStringLiteral("/") : path.left(slash));
            setFileName(name);
        } else if (key == QLatin1String("hash") || key == QLatin1String("contentHash")) {
            setContentHash(value.toString());
        } else if (key == QLatin1String("size") || key == QLatin1String("fileSize")) {
            setFileSize(value.toLongLong());
        } else if (key == QLatin1String("mimeType")) {
            setMimeType(value.toString());
        } else if (key == QLatin1String("fileDateModified")) {
            setFileDateModified(value.toDateTime());
        } else if (key == QLatin1String("childrenCount")) {
            setChildrenCount(value.toULongLong());
        } else if (key == QLatin1String("states")) {
            setStates(value.toULongLong());
        } else {
            qCWarning(lcBrowser).noquote()
                << QStringLiteral("[WARNING]: Unsupported update key: '%1'").arg(key);
            continue;
        }
        notifyChanged();
    }
    // A new extension is a new kind: "a.txt" renamed "a.pdf" is a PDF document.
    if (!isDir() && (fileName() != nameBefore || mimeType() != mimeBefore)) {
        showTypeOf(fileName(), mimeType());
        notifyChanged();
    }
}

bool MCObjectNode::isSafeLabel(const QString &label)
{
    return MCRemotePath::isSafeName(label);
}

MCNodeList MCNodesFromStorageObjects(const QList<MOStorageObject> &objects, const MCNodePtr &parent)
{
    MCNodeList nodes;
    nodes.reserve(objects.size());
    QSet<QString> taken;
    taken.reserve(objects.size());
    for (const MOStorageObject &object : objects) {
        if (!MCObjectNode::isSafeLabel(object.label())) {
            qCWarning(lcBrowser) << "[WARNING]: Object with an unusable name left out under"
                                 << object.basePath();
            continue;
        }
        const QSharedPointer<MCObjectNode> node = MCObjectNode::create(object);
        // Equal means same path, kind and placeholder flag (never set here).
        if (!node->fileKind().isEmpty()) {
            const QString key = node->filePath() + QChar(0) + node->fileKind();
            if (taken.contains(key))
                continue;
            taken.insert(key);
        }
        if (parent)
            node->setParent(parent);
        nodes.append(node);
    }
    return nodes;
}
