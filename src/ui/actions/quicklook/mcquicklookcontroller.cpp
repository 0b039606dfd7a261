#include "mcquicklookcontroller.h"

#include "desktopapplications.h"
#include "mcbrowsableviewcontroller.h"
#include "mccolor.h"
#include "mcdatetext.h"
#include "mcelidedlabel.h"
#include "mcfileactions.h"
#include "mcfilesizeformatter.h"
#include "mcfunctions.h"
#include "mcimagebrowserview.h"
#include "mcimages.h"
#include "mcnavigation.h"
#include "mcopenwithmenu.h"
#include "mcpreviewgenerator.h"
#include "mcquicklookitemmodel.h"
#include "mcquicklookview.h"
#include "mcsessionservices.h"
#include "mcstring.h"
#include "mctitlebar.h"
#include "moconstants.h"
#include "monotificationcenter.h"
#include "moobjectsmanager.h"
#include "motransfernotification.h"

#include <QCoreApplication>
#include <QFileInfo>
#include <QHBoxLayout>
#include <QKeyEvent>
#include <QLabel>
#include <QMenu>
#include <QStyle>
#include <QStyleOptionToolButton>
#include <QToolButton>
#include <QVBoxLayout>

namespace {

constexpr uint PreviewSize = 512;
// The application's name on the Open With button, at most; the title must stay readable.
constexpr int MaxOpenWithNameWidth = 180;

QLabel *plainLabel(const QString &name, QWidget *parent)
{
    auto *label = new QLabel(parent);
    label->setObjectName(name);
    label->setTextFormat(Qt::PlainText);
    return label;
}

QToolButton *titleButton(const QString &name, const QString &text, const QIcon &icon,
                         QWidget *parent)
{
    auto *button = new QToolButton(parent);
    button->setObjectName(name);
    button->setText(text);
    button->setToolTip(text);
    button->setIcon(icon);
    button->setAutoRaise(true);
    button->setFixedSize(button->sizeHint().expandedTo(QSize(28, 22)));
    return button;
}

void setTextColor(QLabel *label, const QColor &color)
{
    QPalette palette = label->palette();
    palette.setColor(QPalette::WindowText, color);
    label->setPalette(palette);
}

} // namespace

MCQuickLookController::MCQuickLookController(MCNavigation *navigation, MCSessionServices *services,
                                             MOObjectsManager *objects,
                                             MCPreviewGenerator *previews, MCFileActions *actions,
                                             QWidget *parent)
    : QWidget(parent, Qt::Window)
    , m_navigation(navigation)
    , m_services(services)
    , m_objects(objects)
    , m_previews(previews)
    , m_actions(actions)
    , m_titleBar(new MCTitleBar(this))
    , m_mainView(new MCQuickLookView(this))
    , m_topView(new QWidget(m_mainView))
    , m_multipleItems(new MCQuickLookItemModel(previews, this))
{
    setObjectName(QStringLiteral("quickLookWindow"));
    setAutoFillBackground(true);
    resize(860, 560);
    auto *layout = new QVBoxLayout(this);
    layout->setContentsMargins(0, 0, 0, 0);
    layout->setSpacing(0);
    layout->addWidget(m_titleBar);
    auto *body = new QHBoxLayout;
    body->setContentsMargins(0, 0, 0, 0);
    body->addWidget(m_mainView, 1);
    m_imageBrowser = new MCImageBrowserView(this);
    m_imageBrowser->setModel(m_multipleItems);
    m_imageBrowser->hide();
    body->addWidget(m_imageBrowser);
    layout->addLayout(body, 1);
    auto *mainLayout = new QVBoxLayout(m_mainView);
    mainLayout->setContentsMargins(0, 0, 0, 0);
    mainLayout->addWidget(m_topView);
    m_topView->setObjectName(QStringLiteral("topView"));
    m_topView->installEventFilter(this);

    m_previewImage = new MCFilePreviewView(m_topView);
    // A name longer than its room is cut between characters, with an ellipsis, whole in its
    // tooltip.
    m_filenameText = new MCElidedLabel(m_topView, Qt::ElideMiddle);
    m_filenameText->setObjectName(QStringLiteral("filenameText"));
    QFont large = m_filenameText->font();
    large.setPixelSize(20);
    large.setBold(true);
    m_filenameText->setFont(large);
    m_sizeText = plainLabel(QStringLiteral("sizeText"), m_topView);
    m_dateModifiedText = plainLabel(QStringLiteral("dateModifiedText"), m_topView);
    m_titleText = new MCElidedLabel(m_titleBar, Qt::ElideMiddle);
    m_titleText->setObjectName(QStringLiteral("titleText"));
    m_titleText->setAlignment(Qt::AlignCenter);
    m_statusText = plainLabel(QStringLiteral("statusText"), m_topView);
    m_statusText->setWordWrap(true);
    m_statusText->hide();

    resetWindowButton();
    connect(m_mainView, &MCQuickLookView::closeRequested, this,
            &MCQuickLookController::togglePreviewPanelRequested);
    connect(m_mainView, &MCQuickLookView::arrowKeyPressed, this,
            &MCQuickLookController::forwardArrowKey);
    connect(m_imageBrowser, &MCImageBrowserView::closeRequested, this,
            &MCQuickLookController::togglePreviewPanelRequested);
    connect(m_imageBrowser->selectionModel(), &QItemSelectionModel::currentChanged, this,
            [this](const QModelIndex &current) {
                if (const MCNodePtr node = m_multipleItems->nodeAt(current.row()))
                    updateInfo(node);
            });
    connect(m_previewImage, &MCFilePreviewView::contentFailed, this, [this] {
        m_statusText->setText(tr("This file cannot be previewed."));
        m_statusText->show();
        windowDidResize();
    });
    if (m_objects) {
        MONotificationCenter *center = m_objects->notificationCenter();
        for (const QString &name :
             {MOObjectTransferDidFinishNotification, MOObjectTransferDidAbortNotification,
              MOObjectTransferDidCancelNotification})
            center->addObserver(this, &MCQuickLookController::transferNotification, name);
    }
    if (m_previews)
        m_previews->addDelegate(this);
    applyFullScreenLook(false);
    changeViewStyle(false);
}

MCQuickLookController::~MCQuickLookController()
{
    if (m_previews)
        m_previews->removeDelegate(this);
}

void MCQuickLookController::resetWindowButton()
{
    // Placed for the window's width: views right of the middle keep to the right edge.
    m_titleBar->resize(width(), m_titleBar->height());
    const auto icon = [this](const char *theme, QStyle::StandardPixmap standard) {
        return QIcon::fromTheme(QLatin1String(theme), style()->standardIcon(standard));
    };
    m_mcCloseButton = titleButton(QStringLiteral("closeButton"), tr("Close"),
                                  icon("window-close", QStyle::SP_TitleBarCloseButton), m_titleBar);
    connect(m_mcCloseButton, &QToolButton::clicked, this,
            &MCQuickLookController::togglePreviewPanelRequested);
    m_titleBar->addToTitleBar(m_mcCloseButton, 6);
    m_mcZoomButton = titleButton(QStringLiteral("zoomButton"), tr("Full Screen"),
                                 icon("view-fullscreen", QStyle::SP_TitleBarMaxButton), m_titleBar);
    connect(m_mcZoomButton, &QToolButton::clicked, this,
            [this] { isFullScreen() ? showNormal() : showFullScreen(); });
    m_titleBar->addToTitleBar(m_mcZoomButton, 6 + m_mcCloseButton->width() + 3);

    m_buttonImageOnly =
        titleButton(QStringLiteral("buttonImageOnly"), tr("Image"),
                    icon("image-x-generic", QStyle::SP_FileDialogContentsView), m_titleBar);
    m_buttonImageText =
        titleButton(QStringLiteral("buttonImageText"), tr("Image and Text"),
                    icon("view-list-details", QStyle::SP_FileDialogDetailedView), m_titleBar);
    connect(m_buttonImageOnly, &QToolButton::clicked, this, [this] { changeViewStyle(true); });
    connect(m_buttonImageText, &QToolButton::clicked, this, [this] { changeViewStyle(false); });
    const int styles = m_mcZoomButton->geometry().right() + 16;
    m_titleBar->addViewToTitleBar(m_buttonImageOnly, styles);
    m_titleBar->addViewToTitleBar(m_buttonImageText, styles + m_buttonImageOnly->width() + 2);

    // The share button makes a link to the file shown, as the context menu's Share does.
    m_buttonShare = titleButton(QStringLiteral("buttonShare"), tr("Get Share Link"),
                                QIcon::fromTheme(QStringLiteral("emblem-shared")), m_titleBar);
    connect(m_buttonShare, &QToolButton::clicked, this, [this] {
        if (m_actions && m_node && !m_node->isDir())
            m_actions->getShareLink(m_node);
    });
    m_titleBar->addViewToTitleBar(m_buttonShare, width() - 6 - m_buttonShare->width());
    m_buttonOpenWith = new QToolButton(m_titleBar);
    m_buttonOpenWith->setObjectName(QStringLiteral("buttonOpenWith"));
    m_buttonOpenWith->setPopupMode(QToolButton::InstantPopup);
    m_buttonOpenWith->setText(tr("Open with"));
    m_buttonOpenWith->setMenu(new QMenu(m_buttonOpenWith));
    m_buttonOpenWith->adjustSize();
    m_titleBar->addViewToTitleBar(m_buttonOpenWith,
                                  m_buttonShare->x() - 4 - m_buttonOpenWith->width());
    m_titleText->setGeometry(0, 0, 10, m_titleBar->height());
    m_titleText->lower();
}

void MCQuickLookController::loadNodes(const MCNodeList &nodes)
{
    m_multipleItems->setNodes({});
    if (nodes.size() <= 1) {
        m_imageBrowser->hide();
        m_mainView->setFocus(Qt::OtherFocusReason);
        updateInfo(nodes.isEmpty() && m_navigation ? m_navigation->currentNode() : nodes.value(0));
        return;
    }
    m_imageBrowser->show();
    m_multipleItems->setNodes(nodes);
    m_imageBrowser->setCurrentIndex(m_multipleItems->index(0));
    m_imageBrowser->setFocus(Qt::OtherFocusReason);
    updateInfo(nodes.first());
}

void MCQuickLookController::updateInfo(const MCNodePtr &node)
{
    if (!node)
        return;
    const QString path = node->filePath();
    const bool root = path == QLatin1String("/");
    const QString name =
        root ? tr("%1 Home").arg(QCoreApplication::applicationName()) : node->fileName();
    m_node = node;
    m_filepath = path;
    m_filenameText->setFullText(MCString::stringForName(name));
    m_titleText->setFullText(MCString::stringForName(name));
    setWindowTitle(name);
    if (node->isDir()) {
        m_sizeText->setText(MCString::stringWithItemsCount(long(node->childrenCount())));
    } else {
        MCFileSizeFormatter formatter;
        formatter.setUseBaseTenUnits(true);
        formatter.setMaximumFractionDigits(2);
        m_sizeText->setText(formatter.stringFromNumber(double(node->fileSize())));
    }
    m_dateModifiedText->setText(tr("Last modified %1")
                                    .arg(MCDateText::text(node->fileDateModified(),
                                                          MCDateText::Medium, MCDateText::Medium)));
    m_dateModifiedText->setVisible(!node->isDir() && !m_imageOnly);
    m_statusText->hide();
    QPixmap preview;
    if (root) {
        preview = MCImages::named(QStringLiteral("cloud.png"));
        if (preview.isNull())
            preview = MCFunctions::getHomeIcon().pixmap(256);
    } else if (m_previews) {
        preview = m_previews->previewForNode(node.data(), PreviewSize);
    } else {
        preview = node->fileIcon().pixmap(256);
    }
    m_previewImage->showImage(preview);
    loadContent(node);
    updateOpenWith(node);
    windowDidResize();
}

void MCQuickLookController::loadContent(const MCNodePtr &node)
{
    m_awaitedDownload.clear();
    if (node->isDir() || node->isPlaceholder() || node->fileSize() == 0 || !m_objects)
        return;
    const MCFilePreviewView::Kind kind =
        MCFilePreviewView::kindOf(node->mimeType(), node->fileName());
    if (kind == MCFilePreviewView::Unsupported)
        return;
    const QString path = node->filePath();
    const QString local = m_objects->localCopyPathOfObjectAtPath(path);
    if (!local.isEmpty() && (node->states() & MCAbstractObjectNode::Cached)) {
        m_previewImage->showFile(local, kind);
        return;
    }
    // The thumbnail stands in while the file comes down into the cache.
    m_awaitedDownload = path;
    if (!(node->states() & MCAbstractObjectNode::Downloading))
        m_objects->cacheObjectAtPath(path);
}

void MCQuickLookController::transferNotification(const MOPostedNotification &notification)
{
    const MOTransferNotification transfer(notification);
    if (m_awaitedDownload.isEmpty() || !transfer.isCaching() ||
        transfer.transfer().transferRequest().sourcePath() != m_awaitedDownload)
        return;
    const QString path = m_awaitedDownload;
    m_awaitedDownload.clear();
    const QString local = m_objects ? m_objects->localCopyPathOfObjectAtPath(path) : QString();
    // A failed download is told by the alert every failed download gets; the stand-in stays.
    if (notification.name != MOObjectTransferDidFinishNotification || local.isEmpty() || !m_node ||
        m_node->filePath() != path)
        return;
    m_previewImage->showFile(local,
                             MCFilePreviewView::kindOf(m_node->mimeType(), m_node->fileName()));
}

void MCQuickLookController::updateOpenWith(const MCNodePtr &node)
{
    QMenu *menu = m_buttonOpenWith->menu();
    menu->clear();
    if (node->isDir()) {
        m_buttonOpenWith->hide();
        return;
    }
    const MCNodeList nodes{node};
    QPointer<MCFileActions> actions = m_actions;
    MCOpenWithMenu::fillOpenWith(
        menu, nodes, m_services ? m_services->fakeFilesPath() : QString(),
        [actions, nodes](const QString &desktopFilePath) {
            if (actions)
                actions->openNodesWithApplication(nodes, desktopFilePath);
        },
        [actions, nodes] {
            if (actions)
                actions->chooseApplicationAndOpen(nodes);
        });
    const QList<QAction *> items = menu->actions();
    const QString defaultPath = items.isEmpty() ? QString() : items.first()->data().toString();
    if (defaultPath.isEmpty()) {
        m_buttonOpenWith->hide();
        return;
    }
    const QString type = node->mimeType().isEmpty()
                             ? DesktopApplications::contentTypeForFileName(node->fileName())
                             : DesktopApplications::contentTypeForMimeType(node->mimeType());
    const DesktopApplication application = DesktopApplications::defaultForContentType(type);
    const QString appName = application.desktopFilePath == defaultPath
                                ? application.displayName
                                : QFileInfo(defaultPath).completeBaseName();
    // A long name is cut in its middle, and the menu's arrow gets room of its own beside the
    // text instead of being drawn over its end.
    const QString shown =
        m_buttonOpenWith->fontMetrics().elidedText(appName, Qt::ElideMiddle, MaxOpenWithNameWidth);
    m_buttonOpenWith->setText(
        tr("Open with %1").arg(shown).replace(QLatin1Char('&'), QStringLiteral("&&")));
    m_buttonOpenWith->setProperty("identifier", defaultPath);
    m_buttonOpenWith->adjustSize();
    QStyleOptionToolButton option;
    option.initFrom(m_buttonOpenWith);
    option.features = QStyleOptionToolButton::HasMenu;
    m_buttonOpenWith->resize(m_buttonOpenWith->width() +
                                 m_buttonOpenWith->style()->pixelMetric(
                                     QStyle::PM_MenuButtonIndicator, &option, m_buttonOpenWith),
                             m_buttonOpenWith->height());
    m_titleBar->moveView(m_buttonOpenWith, m_buttonShare->x() - 4 - m_buttonOpenWith->width());
    m_buttonOpenWith->setVisible(!isFullScreen());
}

void MCQuickLookController::changeViewStyle(bool imageOnly)
{
    m_imageOnly = imageOnly;
    m_buttonImageOnly->setChecked(imageOnly);
    m_buttonImageText->setChecked(!imageOnly);
    m_filenameText->setVisible(!imageOnly);
    m_sizeText->setVisible(!imageOnly);
    m_dateModifiedText->setVisible(!imageOnly && m_node && !m_node->isDir());
    m_titleText->setVisible(imageOnly);
    windowDidResize();
}

void MCQuickLookController::windowDidResize()
{
    const int W = m_topView->width();
    const int H = m_topView->height();
    // The texts keep the room they need at the right (up to two fifths of the window); the
    // picture has all the rest, so that it is drawn as large as the window allows.
    int needed = 0;
    for (const QLabel *label :
         std::initializer_list<const QLabel *>{m_filenameText, m_sizeText, m_dateModifiedText})
        needed = qMax(needed, label->sizeHint().width());
    const int textWidth = qBound(qMin(160, W * 2 / 5), needed, W * 2 / 5);
    const int x0 = W - 20 - textWidth;
    const int previewWidth = m_imageOnly ? W - 40 : x0 - 40;
    m_previewImage->setGeometry(20, 40, qMax(1, previewWidth), qMax(1, H - 80));
    const int y = H / 3;
    m_filenameText->setGeometry(x0, y, textWidth, m_filenameText->sizeHint().height());
    m_sizeText->setGeometry(x0, y + 25 + 8, textWidth, m_sizeText->sizeHint().height());
    m_dateModifiedText->setGeometry(x0, y + 75 - 16, textWidth,
                                    m_dateModifiedText->sizeHint().height());
    m_statusText->setGeometry(m_imageOnly ? 20 : x0, H - 36, m_imageOnly ? W - 40 : textWidth,
                              m_statusText->sizeHint().height());
    m_titleText->setGeometry(0, 0, m_titleBar->width(), m_titleBar->height());
}

void MCQuickLookController::resizeEvent(QResizeEvent *event)
{
    QWidget::resizeEvent(event);
    windowDidResize();
}

bool MCQuickLookController::eventFilter(QObject *watched, QEvent *event)
{
    if (watched == m_topView && event->type() == QEvent::Resize)
        windowDidResize();
    return QWidget::eventFilter(watched, event);
}

void MCQuickLookController::changeEvent(QEvent *event)
{
    QWidget::changeEvent(event);
    if (event->type() == QEvent::WindowStateChange)
        applyFullScreenLook(isFullScreen());
}

void MCQuickLookController::applyFullScreenLook(bool fullScreen)
{
    QPalette palette = this->palette();
    palette.setColor(QPalette::Window, fullScreen ? Qt::black : QColor::fromRgbF(1, 1, 1, 0.95));
    setPalette(palette);
    const QColor text = fullScreen ? Qt::white : Qt::black;
    for (QLabel *label : std::initializer_list<QLabel *>{m_dateModifiedText, m_sizeText,
                                                         m_filenameText, m_statusText})
        setTextColor(label, text);
    setTextColor(m_titleText, fullScreen ? Qt::white : MCColor::steel());
    QPalette strip = m_imageBrowser->palette();
    strip.setColor(QPalette::Base, fullScreen ? Qt::black : Qt::white);
    m_imageBrowser->setPalette(strip);
    m_buttonShare->setVisible(!fullScreen);
    m_buttonOpenWith->setVisible(!fullScreen && m_node && !m_node->isDir() &&
                                 !m_buttonOpenWith->property("identifier").toString().isEmpty());
    m_mcZoomButton->setVisible(!fullScreen);
    m_mcCloseButton->setVisible(!fullScreen);
}

void MCQuickLookController::windowDidClose()
{
    m_awaitedDownload.clear();
    if (m_multipleItems->rowCount() > 0)
        m_multipleItems->setNodes({});
}

void MCQuickLookController::selectionChanged()
{
    if (!isVisible() || !m_navigation)
        return;
    MCBrowsableViewController *view = m_navigation->selectedController();
    loadNodes(view ? view->getSelectedItems() : MCNodeList());
}

void MCQuickLookController::forwardArrowKey(int key, Qt::KeyboardModifiers modifiers)
{
    MCBrowsableViewController *view = m_navigation ? m_navigation->selectedController() : nullptr;
    if (!view)
        return;
    QKeyEvent press(QEvent::KeyPress, key, modifiers);
    QCoreApplication::sendEvent(view->firstResponder(), &press);
}

void MCQuickLookController::previewUpdatedForNodeWithThumbnailAndSize(const QString &path,
                                                                      const QPixmap &thumbnail,
                                                                      uint size)
{
    if (size == PreviewSize && path == m_filepath &&
        m_previewImage->shown() == MCFilePreviewView::StandIn)
        m_previewImage->showImage(thumbnail);
    m_multipleItems->increaseImageVersion(path);
}
