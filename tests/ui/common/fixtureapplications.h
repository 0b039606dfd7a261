#ifndef FIXTUREAPPLICATIONS_H
#define FIXTUREAPPLICATIONS_H

#include <QByteArray>
#include <QList>
#include <QStringList>

// Desktop applications of a suite's own, below the folders isolateEnvironment() chose: the
// system's are hidden (its MIME database stays), and each one is a script that records the
// files it is handed. Install them before anything asks GIO, which reads them once.
namespace ShellTest {

struct FixtureApplication
{
    QByteArray id; // of its "<id>.desktop" file
    QByteArray name;
    QByteArray mimeTypes; // "text/plain;application/pdf;"
};

// Writes the applications, the index a desktop's package manager keeps of them (GIO looks
// types up there) and the defaults, mimeapps.list lines such as "text/plain=viewer.desktop\n".
// False when any of it could not be written.
bool installApplications(const QList<FixtureApplication> &applications, const QByteArray &defaults);

// The files the application with that id was handed, oldest first.
QStringList filesOpenedBy(const QString &id);

} // namespace ShellTest

#endif // FIXTUREAPPLICATIONS_H
