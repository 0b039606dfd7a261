#ifndef MCQUICKLOOKVIEW_H
#define MCQUICKLOOKVIEW_H

#include <QWidget>

// The Quick Look window's content, which takes the keyboard: Space closes the window (in full
// screen it does nothing), Escape leaves full screen or else closes the window, and the arrow
// keys are handed to the browser, whose selection the window follows.
class MCQuickLookView : public QWidget
{
    Q_OBJECT
public:
    explicit MCQuickLookView(QWidget *parent = nullptr);

signals:
    void closeRequested();
    // An arrow key, for the browser view on screen.
    void arrowKeyPressed(int key, Qt::KeyboardModifiers modifiers);

protected:
    void keyPressEvent(QKeyEvent *event) override;
};

#endif // MCQUICKLOOKVIEW_H
