#ifndef MCCHATMESSAGEFIELD_H
#define MCCHATMESSAGEFIELD_H

#include <QTextEdit>

// The chat's message field: plain text only; Return sends (Shift+Return breaks the line).
// Whatever is typed, pasted or chosen keeps the field's one font.
class MCChatMessageField : public QTextEdit
{
    Q_OBJECT
public:
    explicit MCChatMessageField(QWidget *parent = nullptr);

signals:
    void returnPressed();

protected:
    void keyPressEvent(QKeyEvent *event) override;
    QSize sizeHint() const override;
};

#endif // MCCHATMESSAGEFIELD_H
