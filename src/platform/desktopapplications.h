#ifndef DESKTOPAPPLICATIONS_H
#define DESKTOPAPPLICATIONS_H

#include <QList>
#include <QString>

// An application installed on the desktop, as its .desktop file describes it. The file's path
// identifies it: a file URL of that path is what the objects facade opens a file with.
struct DesktopApplication
{
    QString id;              // "org.example.Viewer.desktop"
    QString displayName;     // the name a menu shows
    QString iconName;        // a theme icon name or an icon file's path; may be empty
    QString desktopFilePath; // absolute

    bool isValid() const { return !desktopFilePath.isEmpty(); }
};

// The desktop's registry of applications (the XDG .desktop files and mimeapps.list, read
// through GIO). Content types on Linux are MIME types. GIO reads the XDG folders on first use and
// follows their changes from the main loop. Main thread only.
namespace DesktopApplications {

// The content type the name's extension gives; "application/octet-stream" when it gives none.
QString contentTypeForFileName(const QString &fileName);
// The content type of a MIME type (the same text, or its canonical form).
QString contentTypeForMimeType(const QString &mimeType);

// The user's or the system's default application for the type; invalid when there is none.
DesktopApplication defaultForContentType(const QString &contentType);
// Every application that says it opens the type, the default among them, in GIO's order.
QList<DesktopApplication> forContentType(const QString &contentType);
// Every application meant to be shown in menus, sorted by display name.
QList<DesktopApplication> all();

} // namespace DesktopApplications

#endif // DESKTOPAPPLICATIONS_H
