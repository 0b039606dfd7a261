#include "mcfilenode.h"

#include "mcbrowserlog.h"
#include "mcfilesizeformatter.h"
#include "mcworkspace.h"

#include <QCoreApplication>
#include <QDir>
#include <QFileIconProvider>
#include <QFileInfo>
#include <QMimeDatabase>

QSharedPointer<MCFileNode> MCFileNode::create(const QString &localPath)
{
    return QSharedPointer<MCFileNode>(new MCFileNode(localPath));
}

MCFileNode::MCFileNode(const QString &localPath)
    : m_localPath(QDir::cleanPath(localPath))
{
    const QFileInfo info(m_localPath);
    setBasePath(info.path());
    setFileName(info.fileName());
    setIsDir(info.isDir());
    if (info.isDir()) {
        setFileSize(
            QDir(m_localPath)
                .entryList(QDir::AllEntries | QDir::NoDotAndDotDot | QDir::Hidden | QDir::System)
                .size());
        setFileKind(QCoreApplication::translate("MCObjectNode", "Folder"));
    } else {
        setFileSize(info.exists() ? info.size() : 0);
        const QMimeType type = QMimeDatabase().mimeTypeForFile(info);
        setMimeType(type.name());
        setFileKind(MCWorkspace::fileKindForMIMEType(type.name()));
    }
    static QFileIconProvider provider;
    setFileIcon(info.isDir() ? provider.icon(QFileIconProvider::Folder)
                             : MCWorkspace::fileIconForMIMEType(mimeType()));
    setFileDateModified(info.lastModified());
}

MCNodePtr MCFileNode::copy() const
{
    return MCNodePtr(new MCFileNode(*this));
}

QString MCFileNode::additionalFileInfo(const QVariant &) const
{
    if (fileSize() == 0)
        return QCoreApplication::translate("MCFileNode", "Zero byte");
    MCFileSizeFormatter formatter;
    formatter.setUseBaseTenUnits(true);
    formatter.setMaximumFractionDigits(1);
    return formatter.stringFromNumber(double(fileSize()));
}

void MCFileNode::setChildren(const MCNodeList &children)
{
    replaceChildren(children, true);
}

void MCFileNode::performChildrenFetching()
{
    if (hasChildren() && !childrenDirty()) {
        notifyChildrenReady();
        return;
    }
    QDir::Filters filters = QDir::AllEntries | QDir::NoDotAndDotDot | QDir::System;
    if (!hideHiddenFiles())
        filters |= QDir::Hidden;
    MCNodeList fresh;
    const QFileInfoList entries = QDir(m_localPath).entryInfoList(filters, QDir::Name);
    for (const QFileInfo &entry : entries) {
        const QString path = entry.absoluteFilePath();
        MCNodePtr existing;
        for (const MCNodePtr &child : children()) {
            if (child->filePath() == QDir::cleanPath(path)) {
                existing = child;
                break;
            }
        }
        if (existing) {
            fresh.append(existing);
            continue;
        }
        QSharedPointer<MCFileNode> node = create(path);
        node->setHideHiddenFiles(hideHiddenFiles());
        fresh.append(node);
    }
    setChildren(fresh);
    notifyChildrenReady();
}

void MCFileNode::performChildrenInvalidation()
{
    setChildrenDirty(true);
    for (const MCNodePtr &child : children())
        child->invalidateChildren();
    notifyChildrenInvalidated();
}

void MCFileNode::doApplyAttributesFromDictionary(const QVariantMap &attributes)
{
    for (auto it = attributes.constBegin(); it != attributes.constEnd(); ++it)
        qCWarning(lcBrowser).noquote()
            << QStringLiteral("[WARNING]: Unsupported update key: '%1'").arg(it.key());
}
