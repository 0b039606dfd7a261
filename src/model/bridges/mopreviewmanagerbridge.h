#ifndef MOPREVIEWMANAGERBRIDGE_H
#define MOPREVIEWMANAGERBRIDGE_H

#include "mpreviewmanager.h"

#include <QObject>
#include <QString>

class MOPreviewManager;

// Hands the core's finished thumbnails to the preview facade's delegate, on the main thread.
class MOPreviewManagerBridge : public QObject
{
    Q_OBJECT
public:
    explicit MOPreviewManagerBridge(MOPreviewManager *facade);

public slots:
    void bridgePreviewReadyForPath(const QString &path, const QString &thumbnailPath,
                                   MPreviewManager::PreviewSize size);

private:
    MOPreviewManager *m_facade;
};

#endif // MOPREVIEWMANAGERBRIDGE_H
