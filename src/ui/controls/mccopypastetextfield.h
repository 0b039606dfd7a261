#ifndef MCCOPYPASTETEXTFIELD_H
#define MCCOPYPASTETEXTFIELD_H

#include <QLineEdit>

// A text field whose Ctrl+X, Ctrl+C, Ctrl+V and Ctrl+A (Control alone, no other modifier) send
// cut, copy, paste and select-all to the focused widget of its window, whatever shortcuts the
// window has for those keys. A read-only target is never cut or pasted into.
class MCCopyPasteTextField : public QLineEdit
{
    Q_OBJECT
public:
    explicit MCCopyPasteTextField(QWidget *parent = nullptr);

    // Whether the key was one of the four and the focused widget (or a parent of it) took
    // the command.
    bool performKeyEquivalent(QKeyEvent *event);

protected:
    bool event(QEvent *event) override;
    void keyPressEvent(QKeyEvent *event) override;
};

#endif // MCCOPYPASTETEXTFIELD_H
