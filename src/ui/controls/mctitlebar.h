#ifndef MCTITLEBAR_H
#define MCTITLEBAR_H

#include <QHash>
#include <QPointer>
#include <QWidget>

// The strip across the top of a window's content that holds its own buttons: the window
// manager draws the real title bar, so a window's controls beside the title go here, placed
// at an x of their own. A view placed right of the middle keeps its distance to the right
// edge when the window is resized, any other view its distance to the left edge.
class MCTitleBar : public QWidget
{
    Q_OBJECT
public:
    explicit MCTitleBar(QWidget *parent = nullptr);

    // The strip's height (both names say the same).
    int realHeightOfTitleBar() const { return height(); }
    int heightOfTitleBar() const { return height(); }

    // Places view at x, as high as the strip.
    void addToTitleBar(QWidget *view, int x);
    // Places view at x, lowered by 4 pixels for a button with a menu (the open-with control)
    // and by 2 for any other view.
    void addViewToTitleBar(QWidget *view, int x);
    // Moves a view already placed to x (its size may have changed), with the same anchoring.
    void moveView(QWidget *view, int x);

    // Whether view keeps its distance to the right edge.
    bool isAnchoredRight(QWidget *view) const;

protected:
    void resizeEvent(QResizeEvent *event) override;

private:
    struct Placement
    {
        int lowering = 0;
        bool anchoredRight = false;
        int distance = 0; // to the left edge, or from the right edge to the view's left
    };
    void place(QWidget *view, int x, int lowering);
    void layoutView(QWidget *view, const Placement &placement);

    QHash<QWidget *, Placement> m_placements;
};

#endif // MCTITLEBAR_H
