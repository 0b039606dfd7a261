#include "mcsharelinkpopover.h"

#include "kbbutton.h"
#include "mcclicktextview.h"
#include "mcemailform.h"
#include "mcemailtokenfield.h"
#include "mcimages.h"
#include "mcimageview.h"
#include "mcremotepath.h"
#include "mcstring.h"
#include "mcworkspace.h"
#include "mopreviewmanager.h"

#include <QClipboard>
#include <QFileInfo>
#include <QGraphicsOpacityEffect>
#include <QGuiApplication>
#include <QHBoxLayout>
#include <QPropertyAnimation>
#include <QScreen>
#include <QStackedWidget>
#include <QTextCursor>
#include <QToolButton>
#include <QVBoxLayout>

namespace {

constexpr int ThumbnailSize = 128;

QPixmap iconForObject(const MOStorageObject &object)
{
    const QString name = MCRemotePath::lastComponent(object.fullPath());
    if (object.type() == MOStorageObject::Directory)
        return MCImages::themedOrNamed(QStringLiteral("folder"), QStringLiteral("folder.png"), 64);
    if (name.isEmpty())
        return MCWorkspace::fileIconForMIMEType(object.MIMEType()).pixmap(64, 64);
    return MCWorkspace::iconForFileType(QFileInfo(name).suffix()).pixmap(64, 64);
}

} // namespace

MCShareLinkPopover::MCShareLinkPopover(MOObjectsManager *objects,
                                       MONotificationCenter *coreMessages, QWidget *parent)
    : QFrame(parent, Qt::Popup)
    , m_mainView(new QStackedWidget(this))
    , m_firstView(new QWidget)
    , m_emailForm(new MCEmailForm(objects, coreMessages))
    , m_imageLink(new MCImageView(m_firstView))
    , m_textViewClick(new MCClickTextView(m_firstView))
    , m_buttonCopy(new KBButton(tr("Copy"), m_firstView))
    , m_buttonSendByEmail(new KBButton(tr("Email"), m_firstView))
{
    setObjectName(QStringLiteral("popoverShareLink"));
    setFrameShape(QFrame::StyledPanel);
    m_mainView->setObjectName(QStringLiteral("popupMainView"));
    m_firstView->setObjectName(QStringLiteral("popupFirstView"));
    m_imageLink->setObjectName(QStringLiteral("imageLink"));
    m_textViewClick->setObjectName(QStringLiteral("textViewClick"));
    m_buttonCopy->setObjectName(QStringLiteral("buttonCopyToClipboard"));
    m_buttonSendByEmail->setObjectName(QStringLiteral("buttonSendByEmail"));
    m_buttonCopy->setKBButtonType(2);
    m_buttonSendByEmail->setKBButtonType(1);
    m_imageLink->setFixedSize(ThumbnailSize, ThumbnailSize);
    m_textViewClick->setReadOnly(true);
    m_textViewClick->setFrameShape(QFrame::NoFrame);
    m_textViewClick->setFixedHeight(90);
    m_textViewClick->viewport()->setAutoFillBackground(false);

    auto *buttons = new QHBoxLayout;
    buttons->addStretch();
    buttons->addWidget(m_buttonCopy);
    buttons->addWidget(m_buttonSendByEmail);
    buttons->addStretch();
    auto *first = new QVBoxLayout(m_firstView);
    first->addWidget(m_imageLink, 0, Qt::AlignHCenter);
    first->addWidget(m_textViewClick);
    first->addLayout(buttons);
    m_mainView->addWidget(m_firstView);
    m_mainView->addWidget(m_emailForm);
    auto *layout = new QVBoxLayout(this);
    layout->setContentsMargins(1, 1, 1, 1);
    layout->addWidget(m_mainView);
    setFixedWidth(380);

    connect(m_buttonCopy, &QPushButton::clicked, this,
            &MCShareLinkPopover::actionCopyLinkToClipboard);
    connect(m_buttonSendByEmail, &QPushButton::clicked, this,
            &MCShareLinkPopover::actionSendByEmail);
    connect(m_emailForm, &MCEmailForm::backRequested, this,
            &MCShareLinkPopover::actionBackToFirstView);
    connect(m_emailForm, &MCEmailForm::sendFailed, this, [this] {
        if (isVisible())
            return;
        m_mainView->setCurrentWidget(m_emailForm);
        showAt(m_anchor);
    });
}

void MCShareLinkPopover::showShareLinkPopupWith(const QUrl &link, const MOStorageObject &object,
                                                QWidget *anchor)
{
    m_textViewClick->clear();
    if (link.isEmpty() || link.toString().isEmpty()) {
        m_link = QUrl();
        m_filePath.clear();
        m_imageLink->setAddBorder(false);
        m_imageLink->setImage(MCImages::themedOrNamed(QStringLiteral("dialog-error"),
                                                      QStringLiteral("rejected.png"), 64));
        m_textViewClick->setAlignment(Qt::AlignCenter);
        m_textViewClick->setPlainText(tr("Error in requesting URL link"));
        m_textViewClick->setAlignment(Qt::AlignCenter);
        m_buttonCopy->hide();
        m_buttonSendByEmail->hide();
    } else {
        m_link = link;
        m_filePath = object.fullPath();
        m_emailForm->buttonBackPreviousView()->show();
        m_emailForm->clearEntries();
        m_emailForm->setShare(link, m_filePath);
        setImage(m_filePath, iconForObject(object));
        setResultText(MCRemotePath::lastComponent(m_filePath), link);
        m_buttonCopy->setText(tr("Copy"));
        m_buttonCopy->show();
        m_buttonSendByEmail->show();
    }
    m_mainView->setCurrentWidget(m_firstView);
    m_emailForm->resetStatus();
    showAt(anchor);
}

void MCShareLinkPopover::showSendShareLinkViaEmailWith(const QUrl &link, const QString &filePath,
                                                       QWidget *anchor)
{
    m_link = link;
    m_filePath = filePath;
    m_emailForm->setShare(link, filePath);
    m_emailForm->buttonBackPreviousView()->hide();
    m_imageLink->setAddBorder(false);
    m_imageLink->setImage(
        MCWorkspace::iconForFileType(QFileInfo(MCRemotePath::lastComponent(filePath)).suffix())
            .pixmap(64, 64));
    m_mainView->setCurrentWidget(m_firstView);
    showAt(anchor);
    actionSendByEmail();
}

void MCShareLinkPopover::setImage(const QString &path, const QPixmap &icon)
{
    const QString thumbnail =
        MOPreviewManager::defaultManager()->getCachedFilePath(path, ThumbnailSize);
    QPixmap image;
    const bool framed = !thumbnail.isEmpty() && image.load(thumbnail);
    m_imageLink->setAddBorder(framed);
    m_imageLink->setImage(framed ? image : icon);
}

void MCShareLinkPopover::setResultText(const QString &fileName, const QUrl &link)
{
    // Built piece by piece, never parsed: the name is text whatever it holds.
    QTextCursor cursor(m_textViewClick->document());
    QTextBlockFormat centred;
    centred.setAlignment(Qt::AlignCenter);
    cursor.setBlockFormat(centred);
    QTextCharFormat plain;
    QTextCharFormat bold;
    bold.setFontWeight(QFont::Bold);
    QTextCharFormat anchor;
    anchor.setAnchor(true);
    anchor.setAnchorHref(link.toString());
    anchor.setFontUnderline(true);
    anchor.setForeground(palette().color(QPalette::Link));
    cursor.insertText(tr("The file "), plain);
    cursor.insertText(MCString::stringByIsolatingName(fileName), bold);
    cursor.insertText(tr(" has been shared successfully."), plain);
    cursor.insertBlock(centred);
    cursor.insertBlock(centred);
    cursor.insertText(tr("See your shared file "), plain);
    cursor.insertText(tr("on the web"), anchor);
}

void MCShareLinkPopover::showAt(QWidget *anchor)
{
    m_anchor = anchor;
    adjustSize();
    if (anchor) {
        // Towards the window's middle: above a control in the lower half (the status bar),
        // below one in the upper half (the toolbar).
        const QWidget *window = anchor->window();
        const bool below =
            anchor->mapTo(window, QPoint(0, anchor->height() / 2)).y() < window->height() / 2;
        const QPoint centre = anchor->mapToGlobal(QPoint(anchor->width() / 2, 0));
        QPoint position(centre.x() - width() / 2,
                        below ? centre.y() + anchor->height() + 4 : centre.y() - height() - 4);
        if (const QScreen *screen = anchor->screen()) {
            const QRect room = screen->availableGeometry();
            position.setX(qBound(room.left(), position.x(), room.right() - width()));
            position.setY(qBound(room.top(), position.y(), room.bottom() - height()));
        }
        move(position);
    }
    show();
    raise();
}

void MCShareLinkPopover::actionCopyLinkToClipboard()
{
    if (m_link.isEmpty())
        return;
    QGuiApplication::clipboard()->setText(m_link.toString());
    // The copy shows nowhere else: the button says it happened.
    m_buttonCopy->setText(tr("Copied"));
}

void MCShareLinkPopover::actionSendByEmail()
{
    m_emailForm->resetStatus();
    m_emailForm->imageLink2()->setAddBorder(m_imageLink->addBorder());
    m_emailForm->imageLink2()->setImage(m_imageLink->image());
    crossFadeTo(m_emailForm);
    m_emailForm->tokenField()->setFocus(Qt::OtherFocusReason);
}

void MCShareLinkPopover::actionBackToFirstView()
{
    crossFadeTo(m_firstView);
}

void MCShareLinkPopover::crossFadeTo(QWidget *page)
{
    m_mainView->setCurrentWidget(page);
    auto *effect = new QGraphicsOpacityEffect(page);
    page->setGraphicsEffect(effect);
    auto *fade = new QPropertyAnimation(effect, "opacity", page);
    fade->setDuration(500);
    fade->setStartValue(0.0);
    fade->setEndValue(1.0);
    connect(fade, &QPropertyAnimation::finished, page,
            [page] { page->setGraphicsEffect(nullptr); });
    fade->start(QAbstractAnimation::DeleteWhenStopped);
}
