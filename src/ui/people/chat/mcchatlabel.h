#ifndef MCCHATLABEL_H
#define MCCHATLABEL_H

#include <Qt>

class MCElidedLabel;
class QLabel;
class QWidget;

namespace MCChatLabel {

// A label of the chat pages: plain text (names and file names come from other people) at a
// fixed pixel size, so that rows measure the same whatever the desktop's font scale.
QLabel *plainLabel(QWidget *parent, int pixelSize, bool bold = false);
// The same for one line that shows a name: cut to the label's width, whole in its tooltip.
MCElidedLabel *elidedLabel(QWidget *parent, int pixelSize, bool bold = false,
                           Qt::TextElideMode mode = Qt::ElideRight);

} // namespace MCChatLabel

#endif // MCCHATLABEL_H
