#ifndef MCTEXTVIEWPLACEHOLDER_H
#define MCTEXTVIEWPLACEHOLDER_H

#include <QTextEdit>

// The chat's message field: shows a grey "Message" hint while it is empty and does not have the
// keyboard focus.
class MCTextViewPlaceholder : public QTextEdit
{
    Q_OBJECT
public:
    explicit MCTextViewPlaceholder(QWidget *parent = nullptr);

    static QString placeholder();
    bool isShowingPlaceholder() const;

protected:
    void paintEvent(QPaintEvent *event) override;
    void focusInEvent(QFocusEvent *event) override;
    void focusOutEvent(QFocusEvent *event) override;
};

#endif // MCTEXTVIEWPLACEHOLDER_H
