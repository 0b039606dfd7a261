#ifndef MCWORKSPACE_H
#define MCWORKSPACE_H

#include <QIcon>
#include <QString>

// Icons and kind texts for remote files, which have no local copy to ask the desktop about:
// they are described by their MIME type or by their name's extension, through the shared MIME
// database. Answers are cached per type and per extension. Icons on the main thread only; the
// kind texts on any thread (a large listing's nodes are built on another).
class MCWorkspace
{
public:
    // The icon theme's icon for the type, else the generic document icon.
    static QIcon fileIconForMIMEType(const QString &mimeType);
    // The type's description ("PDF document"); "Document" for a type the database lacks.
    static QString fileKindForMIMEType(const QString &mimeType);
    // The icon theme's icon for the type the extension names, else the generic document icon.
    static QIcon iconForFileType(const QString &extension);
    // The description of the type the extension names; a null string when none does.
    static QString humanReadableFileType(const QString &extension);
    // As humanReadableFileType(), but an unknown extension gets a made-up kind: "XYZ File"
    // (or "Document" without any extension).
    static QString humanReadableFileTypeForFileExtension(const QString &extension);

    // The generic document icon: the theme's, else the bundled one.
    static QIcon genericDocumentIcon();
    // Where the desktop names no icon theme (a bare X session), every kind would get the one
    // generic icon: Adwaita, a dependency of the package, stands in. Call once at start.
    static void useIconThemeFallback();
};

#endif // MCWORKSPACE_H
