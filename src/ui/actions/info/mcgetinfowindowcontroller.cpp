#include "mcgetinfowindowcontroller.h"

#include "mcclosekeys.h"
#include "mcdatetext.h"
#include "mcelidedlabel.h"
#include "mcfilesizeformatter.h"
#include "mcfunctions.h"
#include "mcpopupplacement.h"
#include "mcpreviewgenerator.h"
#include "mcremotepath.h"
#include "mcstring.h"

#include <QApplication>
#include <QCloseEvent>
#include <QFormLayout>
#include <QLabel>
#include <QLineEdit>
#include <QLocale>
#include <QScreen>
#include <QScrollArea>
#include <QToolButton>
#include <QVBoxLayout>

namespace {

constexpr int PreviewSize = 512;
constexpr int MaximumWidth = 400;
// Room kept for a title bar and borders the window manager adds, unknown before the window shows.
constexpr int FrameAllowance = 40;

QString homeName()
{
    return MCGetInfoWindowController::tr("Kerlo Home");
}

QLabel *plainLabel(const QString &objectName, QWidget *parent)
{
    auto *label = new QLabel(parent);
    label->setObjectName(objectName);
    label->setTextFormat(Qt::PlainText);
    label->setTextInteractionFlags(Qt::TextSelectableByMouse);
    return label;
}

QString dateText(const QDateTime &date)
{
    return MCDateText::text(date, MCDateText::Medium, MCDateText::Short);
}

} // namespace

MCGetInfoWindowController::MCGetInfoWindowController(MCPreviewGenerator *previews, QWidget *parent)
    : QWidget(parent, Qt::Window)
    , m_previews(previews)
{
    setObjectName(QStringLiteral("getInfoWindow"));
    setAttribute(Qt::WA_DeleteOnClose);
    MCCloseKeys::install(this);
    if (m_previews)
        m_previews->addDelegate(this);

    auto *layout = new QVBoxLayout(this);
    layout->setContentsMargins(0, 0, 0, 0);
    layout->setSpacing(0);

    auto *header = new QWidget(this);
    auto *headerLayout = new QHBoxLayout(header);
    m_imageNode = new QLabel(header);
    m_imageNode->setObjectName(QStringLiteral("imageNode"));
    m_imageNode->setFixedSize(32, 32);
    headerLayout->addWidget(m_imageNode, 0, Qt::AlignTop);
    auto *headerTexts = new QGridLayout;
    // A long name is cut with an ellipsis before the size, never mid-letter or into it.
    m_textFieldFilename = new MCElidedLabel(header);
    m_textFieldFilename->setObjectName(QStringLiteral("textFieldFilename"));
    m_textFieldFilename->setTextInteractionFlags(Qt::TextSelectableByMouse);
    m_textFieldFilename->setSizePolicy(QSizePolicy::Ignored, QSizePolicy::Fixed);
    QFont bold = m_textFieldFilename->font();
    bold.setBold(true);
    m_textFieldFilename->setFont(bold);
    m_textFieldSize = plainLabel(QStringLiteral("textFieldSize"), header);
    m_textFieldModified = plainLabel(QStringLiteral("textFieldModified"), header);
    headerTexts->addWidget(m_textFieldFilename, 0, 0);
    headerTexts->addWidget(m_textFieldSize, 0, 1, Qt::AlignRight);
    headerTexts->addWidget(m_textFieldModified, 1, 0, 1, 2);
    headerTexts->setColumnStretch(0, 1);
    headerLayout->addLayout(headerTexts, 1);
    layout->addWidget(header);

    m_scrollView = new QScrollArea(this);
    m_scrollView->setObjectName(QStringLiteral("scrollView"));
    m_scrollView->setWidgetResizable(true);
    m_scrollView->setFrameShape(QFrame::NoFrame);
    m_scrollView->setHorizontalScrollBarPolicy(Qt::ScrollBarAlwaysOff);
    auto *document = new QWidget(m_scrollView);
    m_sections = new QVBoxLayout(document);
    m_sections->setContentsMargins(0, 0, 0, 0);
    m_sections->setSpacing(0);
    m_scrollView->setWidget(document);
    layout->addWidget(m_scrollView, 1);

    auto *general = new QWidget(document);
    m_textGeneralKind = addValueRow(general, tr("Kind:"), QStringLiteral("textGeneralKind"));
    m_textGeneralSize = addValueRow(general, tr("Size:"), QStringLiteral("textGeneralSize"));
    m_textGeneralWhere = addValueRow(general, tr("Where:"), QStringLiteral("textGeneralWhere"));
    m_textGeneralAdded = addValueRow(general, tr("Added:"), QStringLiteral("textGeneralAdded"));
    m_textGeneralModified =
        addValueRow(general, tr("Modified:"), QStringLiteral("textGeneralModified"));
    addSection(General, tr("General:"), general, true);

    auto *moreInfo = new QWidget(document);
    auto *moreInfoLayout = new QFormLayout(moreInfo);
    for (int i = 1; i <= 3; ++i) {
        QLabel *title = plainLabel(QStringLiteral("textField%1Title").arg(i), moreInfo);
        QLabel *value = plainLabel(QStringLiteral("textField%1").arg(i), moreInfo);
        moreInfoLayout->addRow(title, value);
    }
    addSection(MoreInfo, tr("More Info:"), moreInfo, false);

    auto *nameExtension = new QWidget(document);
    auto *nameLayout = new QVBoxLayout(nameExtension);
    m_textFieldRename = new QLineEdit(nameExtension);
    m_textFieldRename->setObjectName(QStringLiteral("textFieldRename"));
    // Editing the name here renames nothing, so it is not offered.
    m_textFieldRename->setReadOnly(true);
    nameLayout->addWidget(m_textFieldRename);
    addSection(NameExtension, tr("Name && Extension:"), nameExtension, true);

    auto *preview = new QWidget(document);
    auto *previewLayout = new QVBoxLayout(preview);
    m_imagePreview = new QLabel(preview);
    m_imagePreview->setObjectName(QStringLiteral("imagePreview"));
    m_imagePreview->setAlignment(Qt::AlignCenter);
    m_imagePreview->setFixedHeight(220);
    // The picture follows the section's width rather than widening the section past the
    // window, where the scroll view would cut it off.
    m_imagePreview->setSizePolicy(QSizePolicy::Ignored, QSizePolicy::Fixed);
    m_imagePreview->installEventFilter(this);
    previewLayout->addWidget(m_imagePreview);
    addSection(Preview, tr("Preview:"), preview, true);

    auto *sharing = new QWidget(document);
    sharing->setMinimumHeight(40);
    addSection(Sharing, tr("Sharing && Permissions:"), sharing, false);
    m_sections->addStretch(1);

    setMinimumWidth(260);
    // Tall enough for every open section.
    m_currentWindowMaxHeight = header->sizeHint().height() + document->sizeHint().height();
    // No taller than the screen, or the window manager pushes the title bar or the last sections
    // off it; the sections scroll instead.
    const int room = screen()->availableGeometry().height() - FrameAllowance;
    resize(MaximumWidth - 100, qMin(m_currentWindowMaxHeight, room));
    setMaximumSize(MaximumWidth, m_currentWindowMaxHeight);
}

MCGetInfoWindowController::~MCGetInfoWindowController()
{
    if (const MCNodePtr folder = m_folder.toStrongRef())
        folder->removeObserver(this);
    if (m_previews)
        m_previews->removeDelegate(this);
}

QList<MCGetInfoWindowController *>
MCGetInfoWindowController::showGetInfo(const MCNodeList &nodes, const MCNodePtr &fallback,
                                       MCPreviewGenerator *previews, const QWidget *over)
{
    const MCNodeList items = nodes.isEmpty() && fallback ? MCNodeList{fallback} : nodes;
    QList<MCGetInfoWindowController *> windows;
    for (const MCNodePtr &node : items) {
        if (!node)
            continue;
        MCGetInfoWindowController *window = windowForPath(node->filePath());
        if (!window) {
            window = new MCGetInfoWindowController(previews);
            window->setCurrentNode(node);
            if (over)
                placeOver(window, over);
        }
        window->show();
        window->raise();
        window->activateWindow();
        windows.append(window);
    }
    return windows;
}

void MCGetInfoWindowController::placeOver(MCGetInfoWindowController *window, const QWidget *over)
{
    QList<QWidget *> others;
    for (QWidget *widget : QApplication::topLevelWidgets()) {
        if (qobject_cast<MCGetInfoWindowController *>(widget))
            others.append(widget);
    }
    MCPopupPlacement::placeCascadedOver(window, over, others);
}

MCGetInfoWindowController *MCGetInfoWindowController::windowForPath(const QString &path)
{
    const QWidgetList windows = QApplication::topLevelWidgets();
    for (QWidget *widget : windows) {
        auto *window = qobject_cast<MCGetInfoWindowController *>(widget);
        if (window && window->isVisible() && window->identifier() == path)
            return window;
    }
    return nullptr;
}

QToolButton *MCGetInfoWindowController::disclosureButton(Section section) const
{
    return m_viewsArray.value(2 * section)->findChild<QToolButton *>();
}

QWidget *MCGetInfoWindowController::sectionView(Section section) const
{
    return m_viewsArray.value(2 * section + 1);
}

QLabel *MCGetInfoWindowController::addValueRow(QWidget *section, const QString &title,
                                               const QString &name)
{
    auto *form = qobject_cast<QFormLayout *>(section->layout());
    if (!form)
        form = new QFormLayout(section);
    QLabel *value = plainLabel(name, section);
    value->setWordWrap(true);
    form->addRow(title, value);
    return value;
}

void MCGetInfoWindowController::addSection(Section section, const QString &title, QWidget *content,
                                           bool open)
{
    static const char *const names[SectionCount] = {"General", "MoreInfo", "NameExtension",
                                                    "Preview", "Sharing"};
    const QString name = QLatin1String(names[section]);
    auto *titleBar = new QWidget(content->parentWidget());
    titleBar->setObjectName(QStringLiteral("title") + name);
    auto *titleLayout = new QHBoxLayout(titleBar);
    titleLayout->setContentsMargins(6, 2, 6, 2);
    auto *button = new QToolButton(titleBar);
    button->setObjectName(QStringLiteral("disclosure%1").arg(int(section)));
    button->setCheckable(true);
    button->setChecked(open);
    button->setAutoRaise(true);
    // A disclosure triangle, not a pressed button, when open.
    button->setStyleSheet(QStringLiteral("QToolButton { border: none; background: transparent; }"));
    button->setArrowType(open ? Qt::DownArrow : Qt::RightArrow);
    button->setToolButtonStyle(Qt::ToolButtonTextBesideIcon);
    button->setText(title);
    titleLayout->addWidget(button);
    titleLayout->addStretch(1);
    content->setObjectName(QStringLiteral("view") + name);
    content->setVisible(open);
    m_sections->addWidget(titleBar);
    m_sections->addWidget(content);
    m_viewsArray << titleBar << content;
    connect(button, &QToolButton::toggled, this, [this, button] { disclosureAction(button); });
}

void MCGetInfoWindowController::disclosureAction(QToolButton *sender)
{
    const int index = m_viewsArray.indexOf(sender->parentWidget());
    QWidget *content = m_viewsArray.value(index + 1);
    if (index < 0 || !content)
        return;
    const bool open = sender->isChecked();
    sender->setArrowType(open ? Qt::DownArrow : Qt::RightArrow);
    const int h = content->sizeHint().height() + m_sections->spacing();
    content->setVisible(open);
    const int d = open ? -h : h;
    const int newHeight = height() - d;
    m_currentWindowMaxHeight -= d;
    // The window keeps its top edge: a resize moves only the bottom one.
    if (open)
        setMaximumSize(MaximumWidth, m_currentWindowMaxHeight);
    resize(width(), newHeight);
    setMaximumSize(MaximumWidth, m_currentWindowMaxHeight);
}

void MCGetInfoWindowController::setCurrentNode(const MCNodePtr &node)
{
    if (!node)
        return;
    const QString path = node->filePath();
    const bool root = path == QLatin1String("/");
    setWindowTitleWithIcon(path, root ? MCFunctions::getHomeIcon() : node->fileIcon());
    m_infoForFile = path;

    if (node->isDir()) {
        m_textFieldSize->setText(QStringLiteral("--"));
    } else {
        MCFileSizeFormatter formatter;
        formatter.setUseBaseTenUnits(true);
        formatter.setMaximumFractionDigits(1);
        m_textFieldSize->setText(formatter.stringFromNumber(double(node->fileSize())));
    }
    const QString name = root ? homeName() : node->fileName();
    m_textFieldFilename->setFullText(MCString::stringForName(name));
    m_textFieldModified->setText(tr("Modified: %1").arg(dateText(node->fileDateModified())));
    // Wide enough for the header's date and size at the font in use; a long name is cut.
    if (!isVisible()) {
        const QLayout *row = m_imageNode->parentWidget()->layout();
        const QMargins margins = row->contentsMargins();
        const int texts = qMax(m_textFieldModified->minimumSizeHint().width(),
                               m_textFieldFilename->minimumSizeHint().width() + row->spacing() +
                                   m_textFieldSize->minimumSizeHint().width());
        const int wanted =
            margins.left() + m_imageNode->width() + row->spacing() + texts + margins.right();
        resize(qBound(width(), wanted, MaximumWidth), height());
    }
    m_imageNode->setPixmap(
        (root ? MCFunctions::getHomeIcon() : node->fileIcon()).pixmap(m_imageNode->size()));

    setGeneral(node);
    m_textFieldRename->setText(name);
    // A long name shows from its start, as in the header.
    m_textFieldRename->setCursorPosition(0);
    for (int i = 1; i <= 3; ++i)
        findChild<QLabel *>(QStringLiteral("textField%1Title").arg(i))
            ->setText(QStringLiteral("---"));
    // The best image at hand now; a better one may follow.
    if (m_previews)
        setPreviewImage(m_previews->previewForNode(node.data(), PreviewSize, &m_showsThumbnail));
    else
        setPreviewImage(node->fileIcon().pixmap(128));
    // Nothing is being edited when the window opens.
    setFocus(Qt::OtherFocusReason);
}

void MCGetInfoWindowController::setWindowTitleWithIcon(const QString &path, const QIcon &icon)
{
    const QString name =
        path == QLatin1String("/") ? homeName() : MCRemotePath::lastComponent(path);
    setWindowTitle(tr("%1 Info").arg(MCString::stringByIsolatingName(name)));
    setWindowIcon(icon);
}

void MCGetInfoWindowController::setGeneral(const MCNodePtr &node)
{
    const QString parent = MCRemotePath::parentOf(node->filePath());
    m_textGeneralWhere->setText(parent == QLatin1String("/") || parent.isEmpty() ? homeName()
                                                                                 : parent);
    if (node->isDir()) {
        m_textGeneralSize->setText(MCString::stringWithItemsCount(long(node->childrenCount())));
        // Items listed, added or removed later change the count the window shows.
        if (const MCNodePtr followed = m_folder.toStrongRef())
            followed->removeObserver(this);
        m_folder = node;
        node->addObserver(this);
    } else {
        const QString number = QLocale().toString(node->fileSize());
        m_textGeneralSize->setText(node->fileSize() == 1 ? tr("%1 byte").arg(number)
                                                         : tr("%1 bytes").arg(number));
    }
    m_textGeneralModified->setText(dateText(node->fileDateModified()));
    m_textGeneralKind->setText(node->fileKind());
    m_textGeneralAdded->clear();
}

void MCGetInfoWindowController::nodeChanged(MCAbstractObjectNode *node)
{
    if (node == m_folder.toStrongRef().data())
        m_textGeneralSize->setText(MCString::stringWithItemsCount(long(node->childrenCount())));
}

void MCGetInfoWindowController::setPreviewImage(const QPixmap &image)
{
    if (image.isNull())
        return;
    m_previewSource = image;
    fitPreviewImage();
}

void MCGetInfoWindowController::fitPreviewImage()
{
    if (m_previewSource.isNull())
        return;
    const QSize room = m_imagePreview->contentsRect().size();
    if (room.isEmpty())
        return;
    const QSize size = m_previewSource.size();
    m_imagePreview->setPixmap(
        size.boundedTo(room) == size
            ? m_previewSource
            : m_previewSource.scaled(room, Qt::KeepAspectRatio, Qt::SmoothTransformation));
}

bool MCGetInfoWindowController::eventFilter(QObject *watched, QEvent *event)
{
    if (watched == m_imagePreview && event->type() == QEvent::Resize)
        fitPreviewImage();
    return QWidget::eventFilter(watched, event);
}

void MCGetInfoWindowController::previewUpdatedForNodeWithThumbnailAndSize(const QString &path,
                                                                          const QPixmap &thumbnail,
                                                                          uint size)
{
    // The large thumbnail, or any thumbnail while the file's icon stands in for it.
    if (path != m_infoForFile || (size != PreviewSize && m_showsThumbnail))
        return;
    m_showsThumbnail = true;
    setPreviewImage(thumbnail);
}

void MCGetInfoWindowController::closeEvent(QCloseEvent *event)
{
    if (m_previews)
        m_previews->removeDelegate(this);
    event->accept();
}
