#ifndef MCCHATLABEL_H
#define MCCHATLABEL_H

class QLabel;
class QWidget;

namespace MCChatLabel {

// A label of the chat pages: plain text (names and file names come from other people) at a
// fixed pixel size, so that rows measure the same whatever the desktop's font scale.
QLabel *plainLabel(QWidget *parent, int pixelSize, bool bold = false);

} // namespace MCChatLabel

#endif // MCCHATLABEL_H
