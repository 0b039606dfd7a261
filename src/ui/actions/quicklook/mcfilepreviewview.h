#ifndef MCFILEPREVIEWVIEW_H
#define MCFILEPREVIEWVIEW_H

#include <QPixmap>
#include <QWidget>

class QLabel;
class QPlainTextEdit;
class QStackedWidget;

// Shows what a file holds, as far as the program can draw it without another application:
// a picture in any format Qt reads, the start of a text file, the first page of a PDF; any
// other file, or one not on disk yet, as the image it is given (a thumbnail or its icon).
// Pictures are measured before they are decoded, refused above MaximumPixels, and decoded on
// a worker thread, scaled to at most MaximumSide. Main thread only.
class MCFilePreviewView : public QWidget
{
    Q_OBJECT
public:
    enum Kind { Unsupported, Image, Text, Pdf };
    // What is shown now.
    enum Shown { Nothing, StandIn, Picture, TextContent, PdfPage, Loading };

    static constexpr qint64 MaximumPixels = 100'000'000;
    static constexpr int MaximumSide = 2048;
    // Text files are shown up to this many bytes.
    static constexpr qint64 MaximumTextBytes = 512 * 1024;

    explicit MCFilePreviewView(QWidget *parent = nullptr);
    ~MCFilePreviewView() override;

    // What the file at fileName with that MIME type (either may be empty) would be drawn as.
    static Kind kindOf(const QString &mimeType, const QString &fileName);

    // The image shown when there is no content to draw (yet): a thumbnail or an icon.
    void showImage(const QPixmap &image);
    // Draws the file at localPath (already on disk) as kind; the stand-in stays until the
    // content is ready, and when it cannot be read.
    void showFile(const QString &localPath, Kind kind);

    Shown shown() const { return m_shown; }
    // The picture or page drawn, at the size decoded; null for a text or a stand-in.
    QPixmap content() const { return m_content; }
    // The picture shown until the file's own is drawn, or instead of it.
    QPixmap standIn() const { return m_standIn; }
    // Where the picture (or page, or stand-in) is drawn, in this view's coordinates; empty
    // when none is.
    QRect pictureRect() const;
    QString text() const;

signals:
    // The file's content is drawn (shown() tells how).
    void contentShown();
    // The file could not be drawn; the stand-in stays.
    void contentFailed(const QString &localPath);

protected:
    void resizeEvent(QResizeEvent *event) override;

private:
    void setPicture(const QPixmap &picture, Shown shown);
    void fitPicture();
    void loadImage(const QString &path);
    void loadText(const QString &path);
    void loadPdf(const QString &path);
    void fail(const QString &path);

    QStackedWidget *m_stack;
    QLabel *m_picture;
    QPlainTextEdit *m_text;
    QPixmap m_content;
    QPixmap m_standIn;
    Shown m_shown = Nothing;
    quint64 m_generation = 0; // a newer request makes the answers of older ones stale
};

#endif // MCFILEPREVIEWVIEW_H
