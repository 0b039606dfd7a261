#ifndef HOSTILENAMES_H
#define HOSTILENAMES_H

#include <QList>
#include <QString>

// Names another device may give a file or folder, each made to trip a widget that takes a
// name for anything but text: markup that would paint huge or red, "&" that would turn into a
// menu mnemonic, a right-to-left override that turns an extension around (alone, or after an
// isolate's end that would let it out), control characters
// that break lines, invisible format characters that let a name pass for another, the longest name
// the service keeps (255 bytes of UTF-8), emoji, and the window title's modified mark. None holds a
// "/".
namespace ShellTest {

struct HostileName
{
    const char *what;
    QString name;
};

QList<HostileName> hostileNames();

// Whether text shows as it reads: no direction override or embedding, isolates that close
// where they open, no control character or line break, and no invisible format character.
bool readsInOrder(const QString &text);

// The text a tooltip holding tip shows to the eye, its lines joined (tooltips take
// markup-looking text as markup).
QString toolTipText(const QString &tip);

// Whether the menu or button title has no mnemonic: every "&" shows as itself.
bool hasNoMnemonic(const QString &title);

} // namespace ShellTest

#endif // HOSTILENAMES_H
