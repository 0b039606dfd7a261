#ifndef MCZOOMEFFECT_H
#define MCZOOMEFFECT_H

#include <QLabel>
#include <QPixmap>
#include <QRect>

#include <functional>

class QScreen;

// The borderless window that shows a snapshot of another window while it grows or shrinks:
// the real window is never animated. Each resize step takes animationResizeTime() seconds.
class MCAnimatingWindow : public QLabel
{
    Q_OBJECT
public:
    explicit MCAnimatingWindow(const QPixmap &image);

    double animationResizeTime() const { return m_animationResizeTime; }
    void setAnimationResizeTime(double seconds) { m_animationResizeTime = seconds; }

    // Animates the window from its geometry to frame; then runs done (when given). The window
    // deletes itself when asked to close.
    void animateTo(const QRect &frame, const std::function<void()> &done = {});

private:
    double m_animationResizeTime = 0.2;
};

// A window opens by growing out of a small rectangle (or pops 20 pixels larger and back) and
// closes by shrinking into one. Where the platform lets a program place its windows (X11) a
// snapshot does the moving; elsewhere (Wayland, the offscreen platform) the window is simply
// shown or hidden. Rectangles are in global coordinates. Main thread only.
namespace MCZoomEffect {

// Whether windows are animated on this platform.
bool isAvailable();

// A 16 x 16 rectangle: centred on a screen other than the first, at the first screen's top-left
// corner on the first one or for none.
QRect startRectForScreen(const QScreen *screen);
// An image of the window as it will be shown; null when it cannot be drawn (one pixel wide or
// less).
QPixmap imageWithSnapshotForceActive(QWidget *window, bool forceActive);
// A new animating window at window's position, showing image.
MCAnimatingWindow *animationWindowEffectWithImage(QWidget *window, const QPixmap &image);

// Grows the window out of rect (less than 1 x 1: no animation) and activates it.
void makeKeyAndOrderFrontEffectFromRect(QWidget *window, const QRect &rect);
// Grows the window out of rect (or the start rectangle of its screen) without activating it.
void orderFrontEffectFromRect(QWidget *window, const QRect &rect);
// Pops the window 20 pixels larger on every side and back, then activates it.
void makeKeyAndOrderFrontEffect(QWidget *window);
// Hides the window, shrinking its snapshot into rect (less than 1 x 1: no animation).
void orderOutEffectToRect(QWidget *window, const QRect &rect);

} // namespace MCZoomEffect

#endif // MCZOOMEFFECT_H
