#ifndef MCGETINFOWINDOWCONTROLLER_H
#define MCGETINFOWINDOWCONTROLLER_H

#include "mcabstractobjectnode.h"
#include "mcnodeobserver.h"
#include "mcpreviewgeneratordelegate.h"

#include <QPointer>
#include <QWidget>

class MCElidedLabel;
class MCPreviewGenerator;
class QLabel;
class QLineEdit;
class QScrollArea;
class QToolButton;
class QVBoxLayout;

// The Get Info window of one remote object: a header with its icon, name, size and date, and
// five sections that open and close (General, More Info, Name & Extension, Preview, Sharing).
// One window per remote path: its identifier() is the path, and showGetInfo() raises the open
// window of a path rather than opening a second. The window shows the object as it was when
// it opened, except the thumbnail, which is replaced when a better one arrives, and a folder's
// item count, which follows its node. It deletes itself when closed. Main thread only.
class MCGetInfoWindowController
    : public QWidget
    , public MCPreviewGeneratorDelegate
    , private MCNodeObserver
{
    Q_OBJECT
public:
    // previews (not owned, may be null) gives the thumbnail and tells of better ones.
    explicit MCGetInfoWindowController(MCPreviewGenerator *previews, QWidget *parent = nullptr);
    ~MCGetInfoWindowController() override;

    // A window for each node (nodes empty: for fallback, the folder shown), made or, when
    // one for that path is open, raised. A new window opens over the window of over, a step
    // from the ones open already. Returns the windows in the order of the nodes.
    static QList<MCGetInfoWindowController *> showGetInfo(const MCNodeList &nodes,
                                                          const MCNodePtr &fallback,
                                                          MCPreviewGenerator *previews,
                                                          const QWidget *over = nullptr);
    // The open window of path; null when there is none.
    static MCGetInfoWindowController *windowForPath(const QString &path);

    // Fills every field from node; called once, before the window is shown.
    void setCurrentNode(const MCNodePtr &node);
    QString identifier() const { return m_infoForFile; }

    // The sections in display order: each one's title bar and content.
    enum Section { General, MoreInfo, NameExtension, Preview, Sharing, SectionCount };
    QToolButton *disclosureButton(Section section) const;
    QWidget *sectionView(Section section) const;
    // The window's height with the sections as now opened; its maximum height.
    int currentWindowMaxHeight() const { return m_currentWindowMaxHeight; }

    void previewUpdatedForNodeWithThumbnailAndSize(const QString &path, const QPixmap &thumbnail,
                                                   uint size) override;

protected:
    void closeEvent(QCloseEvent *event) override;
    bool eventFilter(QObject *watched, QEvent *event) override;

private:
    static void placeOver(MCGetInfoWindowController *window, const QWidget *over);
    QLabel *addValueRow(QWidget *section, const QString &title, const QString &name);
    void addSection(Section section, const QString &title, QWidget *content, bool open);
    void setWindowTitleWithIcon(const QString &path, const QIcon &icon);
    void setGeneral(const MCNodePtr &node);
    void nodeChanged(MCAbstractObjectNode *node) override;
    void setPreviewImage(const QPixmap &image);
    // Shows the preview image as large as the section's width allows, never above its size.
    void fitPreviewImage();
    // Opens or closes the section whose button was toggled, keeping the window's top edge.
    void disclosureAction(QToolButton *sender);

    QPointer<MCPreviewGenerator> m_previews;
    QLabel *m_imageNode;
    MCElidedLabel *m_textFieldFilename;
    QLabel *m_textFieldModified;
    QLabel *m_textFieldSize;
    QLabel *m_textGeneralKind = nullptr;
    QLabel *m_textGeneralSize = nullptr;
    QLabel *m_textGeneralWhere = nullptr;
    QLabel *m_textGeneralAdded = nullptr;
    QLabel *m_textGeneralModified = nullptr;
    QLineEdit *m_textFieldRename;
    QLabel *m_imagePreview;
    QPixmap m_previewSource;
    QScrollArea *m_scrollView;
    QVBoxLayout *m_sections;
    // Title bar and content of each section, in display order.
    QList<QWidget *> m_viewsArray;
    int m_currentWindowMaxHeight = 0;
    QString m_infoForFile;
    // The folder whose count the window follows; observed while it lives.
    QWeakPointer<MCAbstractObjectNode> m_folder;
    bool m_showsThumbnail = false;
};

#endif // MCGETINFOWINDOWCONTROLLER_H
