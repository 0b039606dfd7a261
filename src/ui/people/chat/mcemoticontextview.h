#ifndef MCEMOTICONTEXTVIEW_H
#define MCEMOTICONTEXTVIEW_H

#include <QTextEdit>

// The emoticon chooser's grid: one emoji per run, each run carrying its shortcode
// (MCEmoji::ShortcodeProperty). Reports the emoji under the pointer and the one clicked.
class MCEmoticonTextView : public QTextEdit
{
    Q_OBJECT
public:
    explicit MCEmoticonTextView(QWidget *parent = nullptr);

    // The shortcode of the emoji at pos (viewport coordinates); empty past the last one.
    QString shortcodeAt(const QPoint &pos) const;
    // Where the emoji of shortcode is drawn, in viewport coordinates; empty when not shown.
    QRect rectOf(const QString &shortcode) const;

signals:
    void emoticonClicked(const QString &shortcode);
    void emoticonMouseOver(const QString &shortcode);
    void noEmoticonSelected();

protected:
    void mousePressEvent(QMouseEvent *event) override;
    void mouseMoveEvent(QMouseEvent *event) override;
    void leaveEvent(QEvent *event) override;

private:
    void report(const QPoint &pos, bool click);
};

#endif // MCEMOTICONTEXTVIEW_H
