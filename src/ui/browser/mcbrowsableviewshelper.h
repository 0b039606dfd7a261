#ifndef MCBROWSABLEVIEWSHELPER_H
#define MCBROWSABLEVIEWSHELPER_H

#include <QHash>
#include <QList>
#include <QObject>
#include <QPointer>
#include <QSet>

#include <functional>

class MCAbstractObjectNode;
class MCBrowsableViewController;
class MOError;
class MOObjectsManager;
struct MOPostedNotification;

// What the browser views share: the navigation entry. A folder asked for is fetched once (its
// metadata, then its listing, both marked as navigation); every listing is handed to each view
// (which fills its own tree), then the completions waiting for the folder run, each once (for
// a large listing, once every view has shown it). They run too when the folder turns out not
// to be one, not to exist or not to be fetchable. A folder asked for again while its listing
// has not come is listed anew: that listing may never come.
class MCBrowsableViewsHelper : public QObject
{
    Q_OBJECT
public:
    explicit MCBrowsableViewsHelper(MOObjectsManager *objectsManager, QObject *parent = nullptr);
    ~MCBrowsableViewsHelper() override;

    void addView(MCBrowsableViewController *view);
    void changeToPath(const QString &path, QObject *sender, std::function<void()> completion);

    // The service does not know path, or its metadata or listing failed (error as the objects
    // facade tells it): the views showing it say why, and the completions waiting for it run
    // (nothing to show).
    void pathFailed(const QString &path, const MOError &error, const QVariant &userData);
    // Lists path afresh from the service (Reload), the views showing it saying it is loading.
    void reloadPath(const QString &path);
    // Why a folder could not be listed, as a sentence for the user.
    static QString failureReason(const MOError &error);

private:
    // Whether a view is still making a large listing of path into rows.
    bool isLoading(const QString &path) const;
    void runCompletions(const QString &path);
    void infoFetched(const MOPostedNotification &notification);
    void listFetched(const MOPostedNotification &notification);

    MOObjectsManager *m_objectsManager;
    QList<QPointer<MCBrowsableViewController>> m_views;
    QHash<QString, QList<std::function<void()>>> m_pending;
    // Folders whose navigation listing was sent and has neither come nor failed.
    QSet<QString> m_listing;
};

#endif // MCBROWSABLEVIEWSHELPER_H
