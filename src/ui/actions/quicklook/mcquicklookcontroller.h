#ifndef MCQUICKLOOKCONTROLLER_H
#define MCQUICKLOOKCONTROLLER_H

#include "mcabstractobjectnode.h"
#include "mcfilepreviewview.h"
#include "mcpreviewgeneratordelegate.h"
#include "mopostednotification.h"

#include <QPointer>
#include <QWidget>

class MCElidedLabel;
class MCFileActions;
class MCImageBrowserView;
class MCNavigation;
class MCSessionServices;
class MCPreviewGenerator;
class MCQuickLookItemModel;
class MCQuickLookView;
class MCTitleBar;
class MOObjectsManager;
class QLabel;
class QToolButton;

// The preview window of the selected remote objects: a large preview of one object with its
// name, size and date, and a strip of all of them when several are selected. The preview is
// the object's thumbnail (or icon) at once; a picture, a text or a PDF is then drawn from
// the file itself, downloaded into the local cache first when it is not there. The window
// follows the browser's selection while it is shown, offers the default application to open
// the object with, and can go full screen. Made once and shown and hidden by the shell's
// togglePreviewPanel. Main thread only.
class MCQuickLookController
    : public QWidget
    , public MCPreviewGeneratorDelegate
{
    Q_OBJECT
public:
    // None is owned; previews and actions may be null.
    MCQuickLookController(MCNavigation *navigation, MCSessionServices *services,
                          MOObjectsManager *objects, MCPreviewGenerator *previews,
                          MCFileActions *actions, QWidget *parent = nullptr);
    ~MCQuickLookController() override;

    // Shows the nodes: none, the folder shown; one, that object; several, the strip with the
    // first one selected and shown.
    void loadNodes(const MCNodeList &nodes);
    // Shows one object.
    void updateInfo(const MCNodePtr &node);
    // The window was hidden: the strip is emptied and no download is awaited.
    void windowDidClose();
    // The browser's selection changed: shown again while the window is visible.
    void selectionChanged();

    QString filepath() const { return m_filepath; }
    MCQuickLookItemModel *itemModel() const { return m_multipleItems; }
    MCImageBrowserView *imageBrowser() const { return m_imageBrowser; }
    MCFilePreviewView *previewView() const { return m_previewImage; }
    MCQuickLookView *mainView() const { return m_mainView; }
    QToolButton *openWithButton() const { return m_buttonOpenWith; }
    // Switches between the large image alone and the image beside the texts.
    void changeViewStyle(bool imageOnly);

    void previewUpdatedForNodeWithThumbnailAndSize(const QString &path, const QPixmap &thumbnail,
                                                   uint size) override;

signals:
    // Space, Escape or the close button: the shell hides the window.
    void togglePreviewPanelRequested();

protected:
    void resizeEvent(QResizeEvent *event) override;
    void changeEvent(QEvent *event) override;
    bool eventFilter(QObject *watched, QEvent *event) override;

private:
    void resetWindowButton();
    void updateOpenWith(const MCNodePtr &node);
    void windowDidResize();
    void applyFullScreenLook(bool fullScreen);
    // Draws the shown file from its local copy, downloading it into the cache first.
    void loadContent(const MCNodePtr &node);
    void transferNotification(const MOPostedNotification &notification);
    void forwardArrowKey(int key, Qt::KeyboardModifiers modifiers);

    QPointer<MCNavigation> m_navigation;
    MCSessionServices *m_services;
    QPointer<MOObjectsManager> m_objects;
    QPointer<MCPreviewGenerator> m_previews;
    QPointer<MCFileActions> m_actions;
    MCTitleBar *m_titleBar;
    MCQuickLookView *m_mainView;
    QWidget *m_topView;
    QToolButton *m_buttonImageOnly;
    QToolButton *m_buttonImageText;
    MCFilePreviewView *m_previewImage;
    MCElidedLabel *m_filenameText;
    QLabel *m_sizeText;
    QLabel *m_dateModifiedText;
    MCElidedLabel *m_titleText;
    QLabel *m_statusText;
    QString m_filepath;
    MCNodePtr m_node;
    MCImageBrowserView *m_imageBrowser;
    QToolButton *m_buttonShare;
    QToolButton *m_buttonOpenWith;
    QToolButton *m_mcCloseButton;
    QToolButton *m_mcZoomButton;
    MCQuickLookItemModel *m_multipleItems;
    bool m_imageOnly = false;
    // The remote path whose download into the cache is awaited for the preview.
    QString m_awaitedDownload;
};

#endif // MCQUICKLOOKCONTROLLER_H
