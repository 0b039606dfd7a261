#ifndef MCNOTIFICATIONTEXT_H
#define MCNOTIFICATIONTEXT_H

#include <QString>

// The text of a notice about what another user sent (a message, an invitation, a file), as a
// desktop bubble or a notifications row shows it.
namespace MCNotificationText {

// Longest body shown, in characters, before the ellipsis; the whole text stays where it was
// sent (the chat, the page).
constexpr int MaximumBodyLength = 200;

// text as one line of plain text: control characters and the direction controls
// (embeddings, overrides, isolates) dropped, line breaks and tabs made spaces, shortened to
// MaximumBodyLength with an ellipsis (never inside a surrogate pair), and isolated
// (U+2068 ... U+2069) so that it cannot turn the text around it.
QString body(const QString &text);

} // namespace MCNotificationText

#endif // MCNOTIFICATIONTEXT_H
