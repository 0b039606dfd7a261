#ifndef MCCOLOR_H
#define MCCOLOR_H

#include <QColor>

class QAbstractButton;

// The interface's named colours and the colour arithmetic its buttons need. The named colours
// stand in for the desktop colour list the windows were designed with; Linux has no such list.
namespace MCColor {

QColor mercury();    // #E6E6E6, the resting fill of side-panel tabs
QColor cantaloupe(); // #FFCC66, hover
QColor tangerine();  // #FF8000, selection
QColor steel();      // #666666
QColor silver();     // #CCCCCC, the outline of a framed icon

// red, green and blue raised (or lowered) by value, alpha 1. Components are clamped to [0, 1]:
// Qt would otherwise make an extended-range colour.
QColor lightenColorByValue(const QColor &color, float value);
QColor darkenColorByValue(const QColor &color, float value);
// The mean of red, green and blue is above 0.8 (strictly).
bool isLightColor(const QColor &color);

// The colour of a button's title, and setting it (the text colour of every state).
QColor textColor(const QAbstractButton *button);
void setTextColor(QAbstractButton *button, const QColor &color);

} // namespace MCColor

#endif // MCCOLOR_H
