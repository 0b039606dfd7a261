#ifndef MESSAGEBOXANSWER_H
#define MESSAGEBOXANSWER_H

#include <QString>

class QMessageBox;

// Finds the message box an action opened and answers it the way a user would: optionally
// ticking its check box, then clicking the button with the given text.
namespace MessageBoxAnswer {

// The open message box, waiting for it up to timeoutMs; null when none appears.
QMessageBox *waitForOpen(int timeoutMs = 5000);
// true when the box had a button with that text.
bool click(QMessageBox *box, const QString &buttonText, bool tickCheckBox = false);

} // namespace MessageBoxAnswer

#endif // MESSAGEBOXANSWER_H
