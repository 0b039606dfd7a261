#include "mopreviewmanager.h"

#include "modelegatepointer.h"
#include "modeltypes.h"
#include "mologging_p.h"
#include "mopreviewmanagerbridge.h"
#include "mosingleton_p.h"
#include "mpreviewmanager.h"
#include "tolvoappimpl.h"

#include <QPointer>

namespace {

bool toPreviewSize(uint size, MPreviewManager::PreviewSize *previewSize)
{
    switch (size) {
    case MPreviewManager::ExtraSmall:
    case MPreviewManager::Small:
    case MPreviewManager::Medium:
    case MPreviewManager::Large:
    case MPreviewManager::ExtraLarge:
        *previewSize = MPreviewManager::PreviewSize(size);
        return true;
    default:
        qCWarning(lcModel) << "MOPreviewManager: no thumbnails of size" << size;
        return false;
    }
}

} // namespace

class MOPreviewManagerPrivate
{
public:
    explicit MOPreviewManagerPrivate(MOPreviewManager *q);

    // The core's preview manager, made once the core is initialised (it needs its support
    // folder and signing); null with a warning before.
    MPreviewManager *core();

    MOPreviewManagerBridge bridge;
    QPointer<MPreviewManager> previews;
    MODelegatePointer<MOPreviewManagerDelegate> delegate;
};

MOPreviewManagerPrivate::MOPreviewManagerPrivate(MOPreviewManager *q)
    : bridge(q)
{}

MPreviewManager *MOPreviewManagerPrivate::core()
{
    if (previews)
        return previews;
    TolvoAppImpl *app = TolvoApp::instance();
    if (!app || !app->isInitialized()) {
        qCWarning(lcModel) << "MOPreviewManager: the core is not initialised yet";
        return nullptr;
    }
    // Deleted by the core's shut-down, with the other managers, or with the core application
    // when the process ends without one.
    previews = new MPreviewManager(app);
    app->registerShutdownableInstance(previews);
    QObject::connect(previews, &MPreviewManager::previewReadyForPath, &bridge,
                     &MOPreviewManagerBridge::bridgePreviewReadyForPath);
    return previews;
}

MOPreviewManager::MOPreviewManager()
    : d_ptr(new MOPreviewManagerPrivate(this))
{
    registerModelTypes();
    d_ptr->core();
}

MOPreviewManager::~MOPreviewManager() = default;

MOPreviewManager *MOPreviewManager::defaultManager()
{
    return MOSingleton<MOPreviewManager>::instance();
}

void MOPreviewManager::submitPreviewRequestForPath(const QString &path, uint size)
{
    MPreviewManager::PreviewSize previewSize;
    MPreviewManager *core = d_func()->core();
    if (core && toPreviewSize(size, &previewSize))
        core->submitPreviewRequest(path, previewSize);
}

void MOPreviewManager::submitPreviewRequestForPaths(const QStringList &paths, uint size)
{
    MPreviewManager::PreviewSize previewSize;
    MPreviewManager *core = d_func()->core();
    if (core && toPreviewSize(size, &previewSize))
        core->submitPreviewRequests(paths, previewSize);
}

void MOPreviewManager::refreshPreviewForPath(const QString &path, uint size)
{
    MPreviewManager::PreviewSize previewSize;
    MPreviewManager *core = d_func()->core();
    if (core && toPreviewSize(size, &previewSize))
        core->refreshPreview(path, previewSize);
}

void MOPreviewManager::refreshPreviewForPaths(const QStringList &paths, uint size)
{
    MPreviewManager::PreviewSize previewSize;
    MPreviewManager *core = d_func()->core();
    if (core && toPreviewSize(size, &previewSize))
        core->refreshPreviews(paths, previewSize);
}

void MOPreviewManager::invalidatePreviewForPath(const QString &path, uint size)
{
    MPreviewManager::PreviewSize previewSize;
    MPreviewManager *core = d_func()->core();
    if (core && toPreviewSize(size, &previewSize))
        core->invalidatePreview(path, previewSize);
}

void MOPreviewManager::cancelAllPreviewRequests()
{
    if (MPreviewManager *core = d_func()->core())
        core->cancelAllPreviewRequests();
}

QString MOPreviewManager::getBaseThumbnailPath() const
{
    MPreviewManager *core = const_cast<MOPreviewManagerPrivate *>(d_func())->core();
    return core ? core->getBaseThumbnailPath() : QString();
}

QString MOPreviewManager::getCachedFilePath(const QString &path, uint size) const
{
    MPreviewManager::PreviewSize previewSize;
    MPreviewManager *core = const_cast<MOPreviewManagerPrivate *>(d_func())->core();
    if (!core || !toPreviewSize(size, &previewSize))
        return QString();
    return core->getCachedFilePath(path, previewSize, false);
}

QString MOPreviewManager::getBestCachedFilePath(const QString &path, uint size) const
{
    MPreviewManager::PreviewSize previewSize;
    MPreviewManager *core = const_cast<MOPreviewManagerPrivate *>(d_func())->core();
    if (!core || !toPreviewSize(size, &previewSize))
        return QString();
    return core->getCachedFilePath(path, previewSize, true);
}

bool MOPreviewManager::isPathPreviewable(const QString &path) const
{
    return MPreviewManager::isPathPreviewable(path);
}

MOPreviewManagerDelegate *MOPreviewManager::delegate() const
{
    return d_func()->delegate.get();
}

void MOPreviewManager::setDelegate(MOPreviewManagerDelegate *delegate)
{
    d_func()->delegate.set(delegate);
}
