#ifndef MCBROWSABLEVIEWSHELPER_H
#define MCBROWSABLEVIEWSHELPER_H

#include <QHash>
#include <QList>
#include <QObject>
#include <QPointer>

#include <functional>

class MCAbstractObjectNode;
class MCBrowsableViewController;
class MOObjectsManager;
struct MOPostedNotification;

// What the browser views share: the navigation entry. A folder asked for is fetched (its
// metadata, then its listing, both marked as navigation); when the listing arrives the node
// of each view that shows that folder gets its children, and the completions waiting for the
// folder run once.
class MCBrowsableViewsHelper : public QObject
{
    Q_OBJECT
public:
    explicit MCBrowsableViewsHelper(MOObjectsManager *objectsManager, QObject *parent = nullptr);
    ~MCBrowsableViewsHelper() override;

    void addView(MCBrowsableViewController *view);
    void changeToPath(const QString &path, QObject *sender, std::function<void()> completion);

    // Folders asked for whose listing has not arrived.
    QStringList pendingPaths() const { return m_pending.keys(); }

private:
    void infoFetched(const MOPostedNotification &notification);
    void listFetched(const MOPostedNotification &notification);

    MOObjectsManager *m_objectsManager;
    QList<QPointer<MCBrowsableViewController>> m_views;
    QHash<QString, QList<std::function<void()>>> m_pending;
};

#endif // MCBROWSABLEVIEWSHELPER_H
