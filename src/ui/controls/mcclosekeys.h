#ifndef MCCLOSEKEYS_H
#define MCCLOSEKEYS_H

class QWidget;

namespace MCCloseKeys {

// Escape and Ctrl+W close window while it is the active window, as small windows close on the
// desktop.
void install(QWidget *window);

} // namespace MCCloseKeys

#endif // MCCLOSEKEYS_H
