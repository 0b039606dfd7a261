#ifndef XDNDDIRECTSAVE_H
#define XDNDDIRECTSAVE_H

#include <QString>

// The source side of the X direct-save drag protocol (XdndDirectSave0): a file manager that
// supports it is told the file's suggested name through a property of the drag's source
// window, writes back the file:// URI where it wants the file, and then asks the source for
// the "XdndDirectSave0" target, which the source answers once it has taken the job on.
// The source window is the owner of the XdndSelection while a drag runs, so every call must
// come from inside the drag (QDrag::exec()'s loop). X11 only; elsewhere every call fails.
namespace XdndDirectSave {

// "XdndDirectSave0": the target name to list among the drag's formats.
extern const char *const TargetName;

// Whether the application runs on X11 and a display can be reached.
bool isAvailable();
// Puts name on the drag's source window; false while no window of this application's
// (ownWindow is any of its X windows) owns the selection, as right after a drag of another
// program.
bool setSuggestedName(const QString &name, quintptr ownWindow);
// The local path the drop target wrote back; null when it wrote nothing usable (no
// property, not a file URI, a remote host).
QString savePath(quintptr ownWindow);
// Removes the property from the drag's source window.
void clear(quintptr ownWindow);

} // namespace XdndDirectSave

#endif // XDNDDIRECTSAVE_H
