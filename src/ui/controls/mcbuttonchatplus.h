#ifndef MCBUTTONCHATPLUS_H
#define MCBUTTONCHATPLUS_H

#include <QToolButton>

// The "plus" button of the chat page: a left press pops its menu up at the button's bottom-left
// corner; other buttons do not open it.
class MCButtonChatPlus : public QToolButton
{
    Q_OBJECT
public:
    explicit MCButtonChatPlus(QWidget *parent = nullptr);
};

#endif // MCBUTTONCHATPLUS_H
