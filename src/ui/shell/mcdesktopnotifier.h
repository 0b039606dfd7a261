#ifndef MCDESKTOPNOTIFIER_H
#define MCDESKTOPNOTIFIER_H

#include <QElapsedTimer>
#include <QObject>
#include <QPointer>
#include <QString>

class DesktopNotifier;
class QTimer;
class QWidget;

// Tells the user on the desktop of what arrives while the main window is not in front: a
// contact invitation, a chat message, a file offered or answered. The hub holds the one the
// application delegate makes (MCManager::desktopNotifier()); callers just call notify() for every
// arrival and this decides. Arrivals of one kind are gathered while they keep coming (other users
// decide how many come): a lone one is one bubble with its text, a burst is one bubble that counts
// them. Main thread only.
class MCDesktopNotifier : public QObject
{
    Q_OBJECT
public:
    // FileOffer: a file another user offers; FileUpdate: an answer to one the user offered.
    enum Kind { Message, Invitation, FileUpdate, FileOffer, KindCount };

    // A kind's arrivals are gathered until none came for QuietInterval ms, or for at most
    // LongestBurst ms.
    static constexpr int QuietInterval = 1000;
    static constexpr int LongestBurst = 10000;

    // desktop: where bubbles go (org.freedesktop.Notifications in the application); null shows
    // none. window: the main window; while it is the active window nothing is shown, the
    // window itself shows the arrival. Neither is owned.
    MCDesktopNotifier(DesktopNotifier *desktop, QWidget *window, QObject *parent = nullptr);
    ~MCDesktopNotifier() override;

    // An arrival titled title (a sender's name, shown as one line in its own order) saying
    // text (shortened, isolated, without control characters: MCNotificationText::body), both
    // plain text, unless the main window is active. Returns whether it will be told.
    bool notify(Kind kind, const QString &title, const QString &text);

private:
    struct Burst
    {
        QTimer *timer = nullptr;
        QElapsedTimer age;
        int count = 0;
        QString title; // of the first arrival
        QString text;
    };

    void flush(Kind kind);

    DesktopNotifier *m_desktop;
    QPointer<QWidget> m_window;
    Burst m_bursts[KindCount];
};

#endif // MCDESKTOPNOTIFIER_H
