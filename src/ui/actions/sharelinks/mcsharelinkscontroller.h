#ifndef MCSHARELINKSCONTROLLER_H
#define MCSHARELINKSCONTROLLER_H

#include "mopostednotification.h"
#include "mosharelink.h"

#include <QWidget>

class KBButton;
class MCShareLinksModel;
class MCTableHeaderCell;
class MONotificationCenter;
class MOObjectsManager;
class QAction;
class QLabel;
class QMenu;
class QTableView;
class QUrl;

// The share-links page, "links://": the links the user made, with their creation and expiry
// dates and visit counts; revoked and expired ones grey. A link is revoked with its row's
// button; its context menu copies it, opens it in the web browser or hands it to the e-mail
// form. The list is asked for when the page is first shown, by Reload, and after a new link;
// a list that fails is told in the page's status line.
class MCShareLinksController : public QWidget
{
    Q_OBJECT
public:
    // The first page of links the list asks for; later ones are not offered.
    static constexpr int ListLimit = 200;

    // coreMessages tells the page a list that failed.
    MCShareLinksController(MOObjectsManager *objects, MONotificationCenter *coreMessages,
                           QWidget *parent = nullptr);
    ~MCShareLinksController() override;

    QString title() const;

    MCShareLinksModel *model() const { return m_model; }
    QTableView *tableView() const { return m_tableView; }
    MCTableHeaderCell *header() const { return m_header; }
    QLabel *textStatus() const { return m_textStatus; }
    KBButton *buttonReload() const { return m_buttonReload; }
    QMenu *linksMenu() const { return m_linksMenu; }

    // Asks the service for the list again.
    void doRequestList();
    // A list arrived: it replaces the rows, latest expiry first.
    void receivedLinks(const QList<MOShareLink> &links);
    // A click on a column's header: ascending, or descending when it is ascending already.
    void orderByColumn(int column);
    // The context menu for a row (-1: no row): its items are shown unless the link has
    // expired. False when it has nothing to show.
    bool updateLinksMenu(int row);

    // The row actions.
    void revokeShareLink(int row);
    void openInBrowser(int row);
    void copyToClipboard(int row);
    void sendByEmail(int row);

signals:
    // The e-mail form should be shown for this link to the object at filePath.
    void sendByEmailRequested(const QUrl &link, const QString &filePath);
    // The user asked to see the shared object in the browser.
    void goToFileRequested(const QString &filePath);

protected:
    void showEvent(QShowEvent *event) override;

private:
    void receivedList(const MOPostedNotification &notification);
    void revokedLink(const MOPostedNotification &notification);
    void bindVisibleRows();
    void fillRow(int row);
    void showContextMenu(const QPoint &position);

    MOObjectsManager *m_objects;
    MCShareLinksModel *m_model;
    QTableView *m_tableView;
    MCTableHeaderCell *m_header;
    QLabel *m_textStatus;
    KBButton *m_buttonReload;
    QMenu *m_linksMenu;
    QAction *m_copyAction;
    QAction *m_openAction;
    QAction *m_emailAction;
    int m_clickedRow = -1;
    int m_sortColumn = -1;
    Qt::SortOrder m_sortOrder = Qt::AscendingOrder;
};

#endif // MCSHARELINKSCONTROLLER_H
