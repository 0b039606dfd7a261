#ifndef MOPREVIEWMANAGERDELEGATE_H
#define MOPREVIEWMANAGERDELEGATE_H

#include <QString>

// Receives every thumbnail that arrives, on the main thread.
class MOPreviewManagerDelegate
{
public:
    virtual ~MOPreviewManagerDelegate() = default;

    // previewUpdatedForNode:withThumbnailPath:andSize: the thumbnail of the remote path is
    // the local file thumbnailPath; size is the size asked for (the file may be larger).
    virtual void previewUpdatedForNodeWithThumbnailPathAndSize(const QString &path,
                                                               const QString &thumbnailPath,
                                                               uint size) = 0;
};

#endif // MOPREVIEWMANAGERDELEGATE_H
