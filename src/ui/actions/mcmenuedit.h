#ifndef MCMENUEDIT_H
#define MCMENUEDIT_H

#include "mcselectionmenu.h"

// The Edit menu of the menu bar: Copy and Paste for the whole window. While a text selection
// across the chat's messages is the window's first responder, Copy copies it. With a text field
// in focus they act on its text; otherwise Copy puts the selected remote items on the clipboard
// and Paste brings the clipboard's remote items or local files into the folder shown.
class MCMenuEdit : public MCSelectionMenu
{
    Q_OBJECT
public:
    explicit MCMenuEdit(QWidget *parent = nullptr);

    // Binds Copy and Paste to the standard keys in window; its focused text field answers them
    // first.
    void bindKeys(QWidget *window);

    void copy();
    void paste();

protected:
    void menuNeedsUpdate() override;

private:
    // The focused text field of the menu's window, if any.
    QWidget *focusedText() const;

    QWidget *m_window = nullptr;
    QAction *menuItemCopy;
    QAction *menuItemPaste;
};

#endif // MCMENUEDIT_H
