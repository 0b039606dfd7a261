#include "mopreviewmanagerbridge.h"

#include "mopreviewmanager.h"

#include <QCoreApplication>
#include <QThread>

MOPreviewManagerBridge::MOPreviewManagerBridge(MOPreviewManager *facade)
    : m_facade(facade)
{}

void MOPreviewManagerBridge::bridgePreviewReadyForPath(const QString &path,
                                                       const QString &thumbnailPath,
                                                       MPreviewManager::PreviewSize size)
{
    Q_ASSERT(QThread::currentThread() == QCoreApplication::instance()->thread());
    if (MOPreviewManagerDelegate *delegate = m_facade->delegate())
        delegate->previewUpdatedForNodeWithThumbnailPathAndSize(path, thumbnailPath, uint(size));
}
