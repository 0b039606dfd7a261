#include "mcfakenode.h"

#include "mcbrowserlog.h"
#include "mcimages.h"
#include "mcworkspace.h"

#include <QCoreApplication>

QSharedPointer<MCFakeNode> MCFakeNode::create(const QString &basePath, const QString &fileName,
                                              bool isDir)
{
    QSharedPointer<MCFakeNode> node(new MCFakeNode);
    node->setBasePath(basePath);
    node->setFileName(fileName);
    node->setIsDir(isDir);
    node->setFileKind(isDir ? QCoreApplication::translate("MCObjectNode", "Folder")
                            : QCoreApplication::translate("MCWorkspace", "Document"));
    return node;
}

MCNodePtr MCFakeNode::copy() const
{
    return MCNodePtr(new MCFakeNode(*this));
}

void MCFakeNode::setIsDir(bool isDir)
{
    MCAbstractObjectNode::setIsDir(isDir);
    static const QIcon folder = [] {
        const QIcon themed = QIcon::fromTheme(QStringLiteral("folder"));
        return themed.isNull() ? QIcon(MCImages::named(QStringLiteral("folder.png"))) : themed;
    }();
    setFileIcon(isDir ? folder : MCWorkspace::genericDocumentIcon());
}

void MCFakeNode::setChildren(const MCNodeList &children)
{
    replaceChildren(children, false);
}

void MCFakeNode::performChildrenInvalidation()
{
    setChildrenDirty(true);
    notifyChildrenInvalidated();
}

void MCFakeNode::doApplyAttributesFromDictionary(const QVariantMap &attributes)
{
    for (auto it = attributes.constBegin(); it != attributes.constEnd(); ++it)
        qCWarning(lcBrowser).noquote()
            << QStringLiteral("[WARNING]: Unsupported update key: '%1'").arg(it.key());
}
