#ifndef MCDATETEXT_H
#define MCDATETEXT_H

#include <QDateTime>
#include <QString>

// A date and time as the windows show them, in the user's locale and time zone: each part
// in one of the usual styles (none leaves the part out). The medium date names the month in
// short ("7 Dec 2026", or "Dec 7, 2026" where the month comes first); the medium time has seconds,
// the short one not.
namespace MCDateText {

enum Style { None, Short, Medium, Long };

QString text(const QDateTime &date, Style dateStyle, Style timeStyle);

} // namespace MCDateText

#endif // MCDATETEXT_H
