#ifndef MCHISTORY_H
#define MCHISTORY_H

#include "mcnavigation.h"
#include "moobjectsmanagerdelegates.h"
#include "mopostednotification.h"

#include <QList>
#include <QPointer>
#include <QStringList>

#include <functional>

class MCCounters;
class MCMenuNoSelection;
class MCMenuSelection;

// The hub's history and navigation: the folder shown and the page shown instead of the
// browser, the view in front and its context menus, and the back and forward places. Folders
// that move or go take their history entries along.
class MCHistory
    : public MCNavigation
    , public MOObjectsManagerHierarchyDelegate
{
    Q_OBJECT
    Q_PROPERTY(QString currentPath READ currentPath WRITE setCurrentPath NOTIFY currentPathChanged)
    Q_PROPERTY(QString notBrowsablePath READ notBrowsablePath WRITE setNotBrowsablePath NOTIFY
                   notBrowsablePathChanged)
    Q_PROPERTY(QStringList arrayBack READ arrayBack NOTIFY arrayBackChanged)
    Q_PROPERTY(QStringList arrayForward READ arrayForward NOTIFY arrayForwardChanged)
public:
    // counters: told that a folder newly shown has not been counted yet.
    explicit MCHistory(MCCounters *counters, QObject *parent = nullptr);

    QString currentPath() const override { return m_currentPath; }
    void setCurrentPath(const QString &path);
    MCNodePtr currentNode() const override { return m_currentNode; }
    void setCurrentNode(const MCNodePtr &node);
    MCNodePtr modelRootNode() const override { return m_modelRootNode; }
    QString notBrowsablePath() const override { return m_notBrowsablePath; }
    void setNotBrowsablePath(const QString &path) override;
    QWidget *notBrowsableController() const override;
    void setNotBrowsableController(QWidget *controller);
    MCBrowsableViewController *selectedController() const override;
    void setSelectedController(MCBrowsableViewController *controller);
    bool isSelectedController(const MCBrowsableViewController *controller) const override;
    // The one context menu of selected items and the one of a view's background, shown by
    // every browser view; not owned.
    MCMenuSelection *menuSelection() const;
    void setMenuSelection(MCMenuSelection *menu);
    MCMenuNoSelection *menuNoSelection() const;
    void setMenuNoSelection(MCMenuNoSelection *menu);
    QMenu *selectionContextMenu() const override;
    QMenu *backgroundContextMenu() const override;
    bool showHiddenFiles() const { return m_showHiddenFiles; }
    void setShowHiddenFiles(bool show) { m_showHiddenFiles = show; }
    // Whether a page title names a chat (a contact's or a group's) rather than a page.
    void setChatTitleTest(std::function<bool(const QString &title)> isChat);

    // The keys of the history's places, oldest first.
    QStringList arrayBack() const { return keysOf(m_arrayBack); }
    QStringList arrayForward() const { return keysOf(m_arrayForward); }
    QList<MCHistoryPlace> backPlaces() const { return m_arrayBack; }
    QList<MCHistoryPlace> forwardPlaces() const { return m_arrayForward; }

    void changeToPath(const QString &path, QObject *sender,
                      CompletionBlock completion = {}) override;
    void doubleClickNavigation(const QString &path, QObject *sender) override;
    void addBackPath(const MCHistoryPlace &place) override;
    void addForwardPath(const MCHistoryPlace &place);
    MCHistoryPlace shownPlace() const override;
    // Steps through the history and returns the place to show; null (and nothing changes)
    // when that side of the history is empty.
    MCHistoryPlace backPath();
    MCHistoryPlace forwardPath();
    void clearForwardHistory() override;
    // Forgets the count nearest entries of the back history (or of the forward one), each
    // removal announced; for a jump through a history menu.
    void removeNearestHistory(bool back, int count);
    // A folder moved or went: its entries follow it, or go with it.
    void backForwardReplacePath(const QString &oldPath, const QString &newPath);
    void backForwardRemovePath(const QString &path);
    // Leaves any page for the browser at basePath, label selected.
    void goToReceivedFile(const QString &basePath, const QString &label);

    void nodeFetchedNotification(const MOPostedNotification &notification);
    void objectModifiedNotification(const MOPostedNotification &notification);
    void objectDeletedNotification(const MOPostedNotification &notification);
    // A share link the service made: shown by the selection menu that asked for it.
    void shareLinkNotification(const MOPostedNotification &notification);

    // MOObjectsManagerHierarchyDelegate
    void objectsManagerDidFailForPathErrorUserData(MOObjectsManager *manager, const QString &path,
                                                   const MOError &error,
                                                   const QVariant &userData) override;

private:
    static QStringList keysOf(const QList<MCHistoryPlace> &places);

    MCCounters *m_counters;
    std::function<bool(const QString &)> m_isChatTitle;
    QString m_currentPath;
    // The folders asked for lately, the last asked last: an answer for an earlier one that
    // comes after a later request is not shown.
    QStringList m_requestedPaths;
    MCNodePtr m_currentNode;
    MCNodePtr m_modelRootNode;
    QString m_notBrowsablePath = QStringLiteral("");
    QPointer<QWidget> m_notBrowsableController;
    QPointer<MCBrowsableViewController> m_selectedController;
    QPointer<MCMenuSelection> m_menuSelection;
    QPointer<MCMenuNoSelection> m_menuNoSelection;
    bool m_showHiddenFiles = false;
    QList<MCHistoryPlace> m_arrayBack;
    QList<MCHistoryPlace> m_arrayForward;
};

#endif // MCHISTORY_H
