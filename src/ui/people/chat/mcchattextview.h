#ifndef MCCHATTEXTVIEW_H
#define MCCHATTEXTVIEW_H

#include "indtextview.h"
#include "mcchatshowntext.h"

#include <QTextDocument>
#include <QWidget>

class MCEmoji;

// The text of one chat message: plain text with its emoji, wrapped to the row's width (a long
// word breaks anywhere), with its web and mail links underlined. A click on a link opens it in
// the browser (http, https and mailto only). It never takes the keyboard focus. The selection
// across messages (INDSequentialTextSelectionManager) selects in it.
// Only a bounded start of a long message is laid out (MCChatShownText), followed by an
// ellipsis; the selection and copying work on the whole text: the ellipsis stands for the
// rest, and a selection that takes it takes the rest.
class MCChatTextView
    : public QWidget
    , public INDSelectableText
{
    Q_OBJECT
public:
    explicit MCChatTextView(QWidget *parent = nullptr);

    // Shows text (as the service sent it, emoji as shortcodes) as plain text.
    void setChatMessage(const QString &text, const MCEmoji &emoji);
    // The whole text with its emoji, as copying gives it.
    QString text() const;
    // What is laid out: the start of the text and, when it was shortened, the ellipsis.
    QTextDocument *document();
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
    // Sets the document's width, filling it first when it is still empty.
    void layOut(int width) const;
    void markLinks() const;
    // The place in the whole text of a place in the document: the ellipsis stands for the rest.
    int textIndex(int documentIndex) const;

    const MCEmoji *m_emoji = nullptr;
    QString m_message;
    MCChatShownText m_shown;
    // text(), made when first asked: a long message is emojified whole only for copying.
    mutable QString m_text;
    mutable bool m_textMade = false;
    mutable QTextDocument m_document;
    mutable bool m_documentMade = false;
    INDRange m_highlight;
    QColor m_highlightColour;
};

#endif // MCCHATTEXTVIEW_H
