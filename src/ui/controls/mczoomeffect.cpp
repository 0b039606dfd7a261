#include "mczoomeffect.h"

#include <QGuiApplication>
#include <QLayout>
#include <QPointer>
#include <QPropertyAnimation>
#include <QScreen>
#include <QWidget>

#include <functional>

namespace {

// The frame the real window will have: its position with the snapshot's size.
QRect targetFrame(QWidget *window, const QPixmap &image)
{
    return QRect(window->pos(),
                 image.isNull() ? window->size() : image.size() / image.devicePixelRatio());
}

void showActive(QWidget *window)
{
    window->show();
    window->raise();
    window->activateWindow();
}

bool tooSmall(const QRect &rect)
{
    return rect.width() < 1 || rect.height() < 1;
}

// Runs the snapshot from rect to the window's frame, then shows the window (activated or not).
void growFrom(QWidget *window, const QRect &rect, bool activate)
{
    const QPixmap image = MCZoomEffect::imageWithSnapshotForceActive(window, activate);
    MCAnimatingWindow *animation = MCZoomEffect::animationWindowEffectWithImage(window, image);
    const QRect target = targetFrame(window, image);
    animation->setGeometry(rect);
    animation->show();
    QPointer<QWidget> real(window);
    animation->animateTo(target, [animation, real, activate] {
        if (real) {
            if (activate)
                showActive(real);
            else
                real->show();
        }
        animation->close();
    });
}

} // namespace

MCAnimatingWindow::MCAnimatingWindow(const QPixmap &image)
    : QLabel(nullptr, Qt::Tool | Qt::FramelessWindowHint | Qt::WindowDoesNotAcceptFocus)
{
    setAttribute(Qt::WA_DeleteOnClose);
    setAttribute(Qt::WA_TranslucentBackground);
    setAttribute(Qt::WA_ShowWithoutActivating);
    setScaledContents(true);
    setPixmap(image);
}

void MCAnimatingWindow::animateTo(const QRect &frame, const std::function<void()> &done)
{
    auto *animation = new QPropertyAnimation(this, "geometry", this);
    animation->setDuration(int(m_animationResizeTime * 1000));
    animation->setStartValue(geometry());
    animation->setEndValue(frame);
    connect(animation, &QPropertyAnimation::finished, this, [done] {
        if (done)
            done();
    });
    animation->start(QAbstractAnimation::DeleteWhenStopped);
}

namespace MCZoomEffect {

bool isAvailable()
{
    return QGuiApplication::platformName() == QLatin1String("xcb");
}

QRect startRectForScreen(const QScreen *screen)
{
    const QList<QScreen *> screens = QGuiApplication::screens();
    if (screen && !screens.isEmpty() && screen != screens.first()) {
        const QRect area = screen->geometry();
        return QRect(area.x() + area.width() / 2 - 8, area.y() + area.height() / 2 - 8, 16, 16);
    }
    const QScreen *first = screens.isEmpty() ? nullptr : screens.first();
    return QRect(first ? first->geometry().topLeft() : QPoint(), QSize(16, 16));
}

QPixmap imageWithSnapshotForceActive(QWidget *window, bool forceActive)
{
    Q_UNUSED(forceActive) // a widget draws itself the same either way
    if (!window)
        return QPixmap();
    window->ensurePolished();
    if (QLayout *layout = window->layout())
        layout->activate();
    const QPixmap image = window->grab();
    return image.width() <= 1 ? QPixmap() : image;
}

MCAnimatingWindow *animationWindowEffectWithImage(QWidget *window, const QPixmap &image)
{
    auto *animation = new MCAnimatingWindow(image);
    animation->setGeometry(targetFrame(window, image));
    return animation;
}

void makeKeyAndOrderFrontEffectFromRect(QWidget *window, const QRect &rect)
{
    if (!window)
        return;
    if (!isAvailable() || tooSmall(rect)) {
        showActive(window);
        return;
    }
    growFrom(window, rect, true);
}

void orderFrontEffectFromRect(QWidget *window, const QRect &rect)
{
    if (!window)
        return;
    if (!isAvailable()) {
        window->show();
        return;
    }
    growFrom(window, tooSmall(rect) ? startRectForScreen(window->screen()) : rect, false);
}

void makeKeyAndOrderFrontEffect(QWidget *window)
{
    if (!window)
        return;
    if (!isAvailable()) {
        showActive(window);
        return;
    }
    const QPixmap image = imageWithSnapshotForceActive(window, true);
    MCAnimatingWindow *animation = animationWindowEffectWithImage(window, image);
    animation->setAnimationResizeTime(0.025);
    const QRect target = targetFrame(window, image);
    animation->show();
    QPointer<QWidget> real(window);
    animation->animateTo(target.adjusted(-20, -20, 20, 20), [animation, real, target] {
        animation->animateTo(target, [animation, real] {
            if (real)
                showActive(real);
            animation->close();
        });
    });
}

void orderOutEffectToRect(QWidget *window, const QRect &rect)
{
    if (!window)
        return;
    if (!isAvailable() || tooSmall(rect) || !window->isVisible()) {
        window->hide();
        return;
    }
    const QPixmap image = imageWithSnapshotForceActive(window, false);
    MCAnimatingWindow *animation = animationWindowEffectWithImage(window, image);
    animation->show();
    window->hide();
    animation->animateTo(rect, [animation] { animation->close(); });
}

} // namespace MCZoomEffect
