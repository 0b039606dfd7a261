#ifndef MCPREVIEWGENERATORDELEGATE_H
#define MCPREVIEWGENERATORDELEGATE_H

#include <QPixmap>
#include <QString>

// A view that shows thumbnails: told of each one that arrives, whatever its path, so it
// decides itself whether the path and size concern it.
class MCPreviewGeneratorDelegate
{
public:
    virtual ~MCPreviewGeneratorDelegate() = default;

    // previewUpdatedForNode:withThumbnail:andSize:
    virtual void previewUpdatedForNodeWithThumbnailAndSize(const QString &path,
                                                           const QPixmap &thumbnail, uint size) = 0;
};

#endif // MCPREVIEWGENERATORDELEGATE_H
