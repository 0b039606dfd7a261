#ifndef MCDESKTOPNOTIFIER_H
#define MCDESKTOPNOTIFIER_H

#include <QObject>
#include <QPointer>
#include <QString>

class DesktopNotifier;
class QWidget;

// Tells the user on the desktop of what arrives while the main window is not in front: a
// contact invitation, a chat message, a file. The hub holds the one the application delegate
// makes (MCManager::desktopNotifier()); callers just call notify() for every arrival and this
// decides. Main thread only.
class MCDesktopNotifier : public QObject
{
    Q_OBJECT
public:
    // desktop: where bubbles go (org.freedesktop.Notifications in the application); null shows
    // none. window: the main window; while it is the active window nothing is shown, the
    // window itself shows the arrival. Neither is owned.
    MCDesktopNotifier(DesktopNotifier *desktop, QWidget *window, QObject *parent = nullptr);

    // A bubble titled title (a sender's name, shown as one line in its own order) saying text,
    // both plain text (markup characters are shown, not obeyed), unless the main window is
    // active. Returns whether a bubble was sent.
    bool notify(const QString &title, const QString &text);

private:
    DesktopNotifier *m_desktop;
    QPointer<QWidget> m_window;
};

#endif // MCDESKTOPNOTIFIER_H
