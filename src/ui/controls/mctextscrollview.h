#ifndef MCTEXTSCROLLVIEW_H
#define MCTEXTSCROLLVIEW_H

#include <QScrollArea>

// A scroll area for text that should move with its surroundings: the mouse wheel scrolls the
// view that contains it, never this one.
class MCTextScrollView : public QScrollArea
{
    Q_OBJECT
public:
    using QScrollArea::QScrollArea;

protected:
    void wheelEvent(QWheelEvent *event) override;
};

#endif // MCTEXTSCROLLVIEW_H
