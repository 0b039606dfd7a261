#include "mcfilepreviewview.h"

#include "mcactionslog.h"
#include "mrunaside.h"

#include <QFile>
#include <QImageReader>
#include <QLabel>
#include <QMimeDatabase>
#include <QPainter>
#include <QPlainTextEdit>
#include <QStackedWidget>
#include <QTextCodec>
#include <QVBoxLayout>
#include <QtPdf/QPdfDocument>

namespace {

// A picture file measured, refused when too large, and decoded no larger than it is shown.
QImage readPicture(const QString &path)
{
    QImageReader reader(path);
    reader.setDecideFormatFromContent(true);
    reader.setAutoTransform(true);
    const QSize size = reader.size();
    if (!size.isValid() || qint64(size.width()) * size.height() > MCFilePreviewView::MaximumPixels)
        return QImage();
    const int side = MCFilePreviewView::MaximumSide;
    if (size.width() > side || size.height() > side)
        reader.setScaledSize(size.scaled(side, side, Qt::KeepAspectRatio));
    return reader.read();
}

} // namespace

MCFilePreviewView::MCFilePreviewView(QWidget *parent)
    : QWidget(parent)
    , m_stack(new QStackedWidget(this))
    , m_picture(new QLabel(m_stack))
    , m_text(new QPlainTextEdit(m_stack))
{
    setObjectName(QStringLiteral("previewImage"));
    auto *layout = new QVBoxLayout(this);
    layout->setContentsMargins(0, 0, 0, 0);
    layout->addWidget(m_stack);
    m_picture->setAlignment(Qt::AlignCenter);
    m_picture->setMinimumSize(1, 1);
    m_picture->setSizePolicy(QSizePolicy::Ignored, QSizePolicy::Ignored);
    m_text->setObjectName(QStringLiteral("previewText"));
    m_text->setReadOnly(true);
    m_text->setLineWrapMode(QPlainTextEdit::WidgetWidth);
    m_text->setFocusPolicy(Qt::NoFocus);
    m_stack->addWidget(m_picture);
    m_stack->addWidget(m_text);
}

MCFilePreviewView::~MCFilePreviewView() = default;

MCFilePreviewView::Kind MCFilePreviewView::kindOf(const QString &mimeType, const QString &fileName)
{
    QMimeDatabase database;
    QMimeType type = database.mimeTypeForName(mimeType);
    if (!type.isValid() || type.isDefault())
        type = database.mimeTypeForFile(fileName, QMimeDatabase::MatchExtension);
    if (!type.isValid() || type.isDefault())
        return Unsupported;
    if (type.inherits(QStringLiteral("application/pdf")))
        return Pdf;
    const QByteArrayList pictures = QImageReader::supportedMimeTypes();
    for (const QByteArray &picture : pictures) {
        if (type.inherits(QString::fromLatin1(picture)))
            return Image;
    }
    if (type.inherits(QStringLiteral("text/plain")))
        return Text;
    return Unsupported;
}

void MCFilePreviewView::showImage(const QPixmap &image)
{
    ++m_generation;
    m_standIn = image;
    setPicture(image, image.isNull() ? Nothing : StandIn);
}

void MCFilePreviewView::showFile(const QString &localPath, Kind kind)
{
    const quint64 generation = ++m_generation;
    m_shown = Loading;
    switch (kind) {
    case Image:
        loadImage(localPath);
        break;
    case Text:
        loadText(localPath);
        break;
    case Pdf:
        loadPdf(localPath);
        break;
    case Unsupported:
        if (generation == m_generation)
            setPicture(m_standIn, m_standIn.isNull() ? Nothing : StandIn);
        break;
    }
}

QString MCFilePreviewView::text() const
{
    return m_shown == TextContent ? m_text->toPlainText() : QString();
}

QRect MCFilePreviewView::pictureRect() const
{
    const QPixmap shown = m_picture->pixmap(Qt::ReturnByValue);
    if (m_stack->currentWidget() != m_picture || shown.isNull())
        return QRect();
    QRect area(QPoint(0, 0), shown.size() / shown.devicePixelRatioF());
    area.moveCenter(m_picture->contentsRect().center());
    return QRect(m_picture->mapTo(this, area.topLeft()), area.size());
}

void MCFilePreviewView::setPicture(const QPixmap &picture, Shown shown)
{
    m_content = shown == StandIn || shown == Nothing ? QPixmap() : picture;
    m_shown = shown;
    m_picture->setProperty("source", picture);
    m_stack->setCurrentWidget(m_picture);
    fitPicture();
}

void MCFilePreviewView::fitPicture()
{
    const QPixmap source = m_picture->property("source").value<QPixmap>();
    if (source.isNull()) {
        m_picture->clear();
        return;
    }
    const QSize room = m_picture->size();
    // Small pictures (thumbnails, icons) keep their size; large ones shrink to fit.
    if (source.width() <= room.width() && source.height() <= room.height())
        m_picture->setPixmap(source);
    else
        m_picture->setPixmap(source.scaled(room, Qt::KeepAspectRatio, Qt::SmoothTransformation));
}

void MCFilePreviewView::resizeEvent(QResizeEvent *event)
{
    QWidget::resizeEvent(event);
    if (m_stack->currentWidget() == m_picture)
        fitPicture();
}

void MCFilePreviewView::loadImage(const QString &path)
{
    const quint64 generation = m_generation;
    mRunAside(
        this, [path] { return readPicture(path); },
        [this, path, generation](const QImage &image) {
            if (generation != m_generation)
                return;
            if (image.isNull()) {
                fail(path);
            } else {
                setPicture(QPixmap::fromImage(image), Picture);
                emit contentShown();
            }
        });
}

void MCFilePreviewView::loadText(const QString &path)
{
    QFile file(path);
    if (!file.open(QIODevice::ReadOnly)) {
        fail(path);
        return;
    }
    const QByteArray bytes = file.read(MaximumTextBytes);
    // A character cut at the end of what was read stays in the state, not in the text.
    QTextCodec::ConverterState state;
    m_text->setPlainText(
        QTextCodec::codecForMib(106)->toUnicode(bytes.constData(), bytes.size(), &state));
    m_content = QPixmap();
    m_shown = TextContent;
    m_stack->setCurrentWidget(m_text);
    emit contentShown();
}

void MCFilePreviewView::loadPdf(const QString &path)
{
    QPdfDocument document;
    if (document.load(path) != QPdfDocument::NoError || document.pageCount() < 1) {
        fail(path);
        return;
    }
    const QSizeF points = document.pageSize(0);
    if (points.isEmpty()) {
        fail(path);
        return;
    }
    // As large as the view, at its screen's resolution, within the picture limits.
    const qreal ratio = devicePixelRatioF();
    QSize target = (points * ratio * 2).toSize();
    target = target.scaled(MaximumSide, MaximumSide, Qt::KeepAspectRatio);
    const QImage page = document.render(0, target);
    if (page.isNull()) {
        fail(path);
        return;
    }
    QImage white(page.size(), QImage::Format_RGB32);
    white.fill(Qt::white);
    {
        QPainter painter(&white);
        painter.drawImage(0, 0, page);
    }
    setPicture(QPixmap::fromImage(white), PdfPage);
    emit contentShown();
}

void MCFilePreviewView::fail(const QString &path)
{
    qCWarning(lcActions) << "Cannot draw a preview of" << path;
    setPicture(m_standIn, m_standIn.isNull() ? Nothing : StandIn);
    emit contentFailed(path);
}
