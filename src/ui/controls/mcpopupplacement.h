#ifndef MCPOPUPPLACEMENT_H
#define MCPOPUPPLACEMENT_H

#include <QList>

class QWidget;

// Where popovers and small windows open: next to the control that opened them or over the
// window they belong to, and always whole inside the available area of that control's screen.
// Each call moves the window by its frame; called again once it is shown, it takes the frame
// the platform gave it into account.
namespace MCPopupPlacement {

enum Edge { Above, Below };

// popup against anchor's edge (the other one when there is no room), lined up with the
// anchor's side nearer its window's middle, moved back inside the screen that holds the anchor.
void placeBesideAnchor(QWidget *popup, const QWidget *anchor, Edge preferred);

// window centred over the window of over, inside that window's screen.
void placeCentredOver(QWidget *window, const QWidget *over);

// As placeCentredOver, but a step down and right of any of others that is shown at that spot
// already, so that each window of a kind opened in turn stays in sight. A window not shown yet
// is taken to get the frame that over's window has.
void placeCascadedOver(QWidget *window, const QWidget *over, const QList<QWidget *> &others);

} // namespace MCPopupPlacement

#endif // MCPOPUPPLACEMENT_H
