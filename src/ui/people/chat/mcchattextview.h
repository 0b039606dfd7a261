#ifndef MCCHATTEXTVIEW_H
#define MCCHATTEXTVIEW_H

#include <QTextDocument>
#include <QWidget>

class MCEmoji;

// The text of one chat message: plain text with its emoji, wrapped to the row's width (a long
// word breaks anywhere), with its web and mail links underlined. A click on a link opens it in
// the browser (http, https and mailto only). It never takes the keyboard focus.
class MCChatTextView : public QWidget
{
    Q_OBJECT
public:
    explicit MCChatTextView(QWidget *parent = nullptr);

    // Shows text (as the service sent it, emoji as shortcodes) as plain text.
    void setChatMessage(const QString &text, const MCEmoji &emoji);
    QString text() const { return m_document.toPlainText(); }
    QTextDocument *document() { return &m_document; }
    // The height the text needs at width.
    int heightForWidth(int width) const override;
    bool hasHeightForWidth() const override { return true; }
    // The link at pos; empty when none.
    QString linkAt(const QPoint &pos) const;
    // Only the schemes a message may open.
    static bool isOpenableLink(const QUrl &url);

    // The characters selected by the selection across messages; empty for none.
    void setSelectionRange(int start, int end, bool active);
    int characterAt(const QPoint &pos) const;

protected:
    void paintEvent(QPaintEvent *event) override;
    void mousePressEvent(QMouseEvent *event) override;
    void mouseMoveEvent(QMouseEvent *event) override;
    void resizeEvent(QResizeEvent *event) override;

private:
    void markLinks();

    mutable QTextDocument m_document;
    int m_selectionStart = 0;
    int m_selectionEnd = 0;
    bool m_selectionActive = true;
};

#endif // MCCHATTEXTVIEW_H
