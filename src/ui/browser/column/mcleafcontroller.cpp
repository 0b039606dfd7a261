#include "mcleafcontroller.h"

#include "mcpreviewgenerator.h"
#include "mcstring.h"

#include <QHeaderView>
#include <QLabel>
#include <QMouseEvent>
#include <QStandardItemModel>
#include <QTableView>
#include <QVBoxLayout>

namespace {

constexpr uint PreviewSize = 512;
constexpr int ImageSide = 220;
// The labels' colour ("Steel").
const QColor LabelColor(0x66, 0x66, 0x66);

enum Row { NameRow, KindRow, SizeRow, CreatedRow, ModifiedRow, LastOpenedRow, RowCount };

} // namespace

MCLeafController::MCLeafController(MCPreviewGenerator *previews, QWidget *parent)
    : QWidget(parent)
    , m_previews(previews)
    , m_fileImageView(new QLabel(this))
    , m_tableView(new QTableView(this))
    , m_properties(new QStandardItemModel(RowCount, 2, this))
{
    setObjectName(QStringLiteral("leafController"));
    m_fileImageView->setObjectName(QStringLiteral("fileImageView"));
    m_tableView->setObjectName(QStringLiteral("tableView"));
    m_sizeFormatter.setUseBaseTenUnits(true);
    m_sizeFormatter.setMaximumFractionDigits(1);
    m_dateFormatter.setDateStyle(MCDateFormatter::MediumStyle);
    m_dateFormatter.setTimeStyle(MCDateFormatter::ShortStyle);

    m_fileImageView->setAlignment(Qt::AlignCenter);
    m_fileImageView->setMinimumSize(ImageSide, ImageSide);
    m_fileImageView->setSizePolicy(QSizePolicy::Expanding, QSizePolicy::Fixed);

    const QStringList labels = {tr("Name"),    tr("Kind"),     tr("Size"),
                                tr("Created"), tr("Modified"), tr("Last opened")};
    for (int row = 0; row < RowCount; ++row) {
        auto *label = new QStandardItem(labels.at(row));
        label->setForeground(LabelColor);
        label->setTextAlignment(Qt::AlignRight | Qt::AlignVCenter);
        label->setFlags(Qt::ItemIsEnabled);
        m_properties->setItem(row, 0, label);
        auto *value = new QStandardItem;
        value->setFlags(Qt::ItemIsEnabled);
        m_properties->setItem(row, 1, value);
    }
    m_tableView->setModel(m_properties);
    m_tableView->setSelectionMode(QAbstractItemView::NoSelection);
    m_tableView->setFocusPolicy(Qt::NoFocus);
    m_tableView->setEditTriggers(QAbstractItemView::NoEditTriggers);
    m_tableView->setShowGrid(false);
    m_tableView->setFrameShape(QFrame::NoFrame);
    m_tableView->horizontalHeader()->hide();
    m_tableView->verticalHeader()->hide();
    m_tableView->setWordWrap(false);
    m_tableView->setTextElideMode(Qt::ElideMiddle);
    m_tableView->horizontalHeader()->setSectionResizeMode(0, QHeaderView::ResizeToContents);
    m_tableView->horizontalHeader()->setStretchLastSection(true);
    m_tableView->verticalHeader()->setDefaultSectionSize(m_tableView->fontMetrics().height() + 6);
    m_tableView->setSizePolicy(QSizePolicy::Expanding, QSizePolicy::Expanding);
    m_tableView->setHorizontalScrollBarPolicy(Qt::ScrollBarAlwaysOff);
    m_tableView->viewport()->installEventFilter(this);
    connect(m_tableView->horizontalHeader(), &QHeaderView::sectionResized, this,
            [this](int column, int, int width) {
                if (column == 1)
                    valueColumnResized(width);
            });

    auto *layout = new QVBoxLayout(this);
    layout->setContentsMargins(8, 12, 8, 8);
    layout->addWidget(m_fileImageView);
    layout->addWidget(m_tableView, 1);

    if (m_previews)
        m_previews->addDelegate(this);
}

MCLeafController::~MCLeafController()
{
    if (m_previews)
        m_previews->removeDelegate(this);
}

void MCLeafController::setNode(const MCNodePtr &node)
{
    m_currentNode = node;
    if (!node) {
        showImage(QPixmap());
        reloadProperties();
        return;
    }
    // At once what is at hand; the thumbnail follows when it has been made.
    QPixmap image;
    if (m_previews && !node->isDir())
        image = m_previews->previewForNode(node.data(), PreviewSize);
    if (image.isNull())
        image = node->fileIcon().pixmap(128, 128);
    showImage(image);
    reloadProperties();
}

void MCLeafController::previewUpdatedForNodeWithThumbnailAndSize(const QString &path,
                                                                 const QPixmap &thumbnail,
                                                                 uint size)
{
    if (size != PreviewSize || !m_currentNode || m_currentNode->filePath() != path ||
        thumbnail.isNull())
        return;
    showImage(thumbnail);
}

void MCLeafController::showImage(const QPixmap &image)
{
    m_image = image;
    if (image.isNull()) {
        m_fileImageView->clear();
        return;
    }
    const QSize box(ImageSide, ImageSide);
    m_fileImageView->setPixmap(
        image.width() > box.width() || image.height() > box.height()
            ? image.scaled(box, Qt::KeepAspectRatio, Qt::SmoothTransformation)
            : image);
}

void MCLeafController::valueColumnResized(int width)
{
    const struct
    {
        int from;
        MCDateFormatter::Style date;
        MCDateFormatter::Style time;
    } steps[] = {{241, MCDateFormatter::FullStyle, MCDateFormatter::ShortStyle},
                 {178, MCDateFormatter::LongStyle, MCDateFormatter::ShortStyle},
                 {150, MCDateFormatter::MediumStyle, MCDateFormatter::ShortStyle},
                 {126, MCDateFormatter::ShortStyle, MCDateFormatter::ShortStyle},
                 {0, MCDateFormatter::ShortStyle, MCDateFormatter::NoStyle}};
    for (const auto &step : steps) {
        if (width >= step.from) {
            m_dateFormatter.setDateStyle(step.date);
            m_dateFormatter.setTimeStyle(step.time);
            break;
        }
    }
    reloadProperties();
}

void MCLeafController::reloadProperties()
{
    const MCNodePtr node = m_currentNode;
    const QStringList values = {
        // A name being sent to the service is shown, as the rows show it.
        node ? MCString::stringForName(node->representedName().isEmpty() ? node->fileName()
                                                                         : node->representedName())
             : QString(),
        node ? node->fileKind() : QString(),
        node ? m_sizeFormatter.stringFromNumber(double(node->fileSize())) : QString(),
        QString(),
        node ? m_dateFormatter.stringFromDate(node->fileDateModified()) : QString(),
        QString()};
    for (int row = 0; row < RowCount; ++row) {
        QStandardItem *value = m_properties->item(row, 1);
        value->setText(values.at(row));
        value->setToolTip(MCString::stringForToolTip(values.at(row)));
    }
}

void MCLeafController::mousePressEvent(QMouseEvent *event)
{
    QWidget::mousePressEvent(event);
    emit clicked();
}

bool MCLeafController::eventFilter(QObject *watched, QEvent *event)
{
    if (watched == m_tableView->viewport() && event->type() == QEvent::MouseButtonPress)
        emit clicked();
    return QWidget::eventFilter(watched, event);
}
