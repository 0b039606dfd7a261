#ifndef MCCHATTEXTVIEW_H
#define MCCHATTEXTVIEW_H

#include "indtextview.h"

#include <QTextDocument>
#include <QWidget>

class MCEmoji;

// The text of one chat message: plain text with its emoji, wrapped to the row's width (a long
// word breaks anywhere), with its web and mail links underlined. A click on a link opens it in
// the browser (http, https and mailto only). It never takes the keyboard focus. The selection
// across messages (INDSequentialTextSelectionManager) selects in it.
class MCChatTextView
    : public QWidget
    , public INDSelectableText
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

    // INDSelectableText
    QString ind_string() const override { return text(); }
    int ind_characterIndexForInsertionAtPoint(const QPoint &point) const override;
    void ind_setHighlight(const INDRange &range, const QColor &colour) override;
    QUrl ind_linkAtIndex(int index) const override;
    void ind_clickedOnLink(const QUrl &link, int index) override;

protected:
    void paintEvent(QPaintEvent *event) override;
    void mousePressEvent(QMouseEvent *event) override;
    void mouseMoveEvent(QMouseEvent *event) override;
    void resizeEvent(QResizeEvent *event) override;

private:
    void markLinks();

    mutable QTextDocument m_document;
    INDRange m_highlight;
    QColor m_highlightColour;
};

#endif // MCCHATTEXTVIEW_H
