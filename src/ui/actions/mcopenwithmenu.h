#ifndef MCOPENWITHMENU_H
#define MCOPENWITHMENU_H

#include "mcabstractobjectnode.h"

#include <QVariantList>

#include <functional>

class QMenu;

// Fills the submenus of the file menus each time they open: Open With from the desktop's
// registry of applications, New File from the user's templates. An Open With item carries
// the application's .desktop file path as its data.
namespace MCOpenWithMenu {

using OpenWith = std::function<void(const QString &desktopFilePath)>;
using Action = std::function<void()>;

// The default application every node shares, "%1 (default)", first; then the applications
// that open every node, by name; "<None>" when there is neither; then "Other...". Empty
// placeholder files "file.<extension>" are kept in fakeFilesPath for the look-ups.
void fillOpenWith(QMenu *menu, const MCNodeList &nodes, const QString &fakeFilesPath,
                  const OpenWith &openWith, const Action &other);

// One item per template of settings (a list of {"path", "label"}) whose file exists, a
// separator when settings has any entry, then "Customize this menu..." (disabled without
// customize).
using CreateFile = std::function<void(const QString &templatePath, const QString &label)>;
void fillNewFiles(QMenu *menu, const QVariantList &settings, const CreateFile &create,
                  const Action &customize);

} // namespace MCOpenWithMenu

#endif // MCOPENWITHMENU_H
