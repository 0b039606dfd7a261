#ifndef YRKSPINNINGPROGRESSINDICATOR_H
#define YRKSPINNINGPROGRESSINDICATOR_H

#include <QColor>
#include <QVector>
#include <QWidget>

class QTimer;

// A busy indicator of twelve fins, one lit per frame and moving clockwise, the others decaying;
// or, when not indeterminate, a circle filled like a pie up to doubleValue / maxValue from
// twelve o'clock clockwise. stopAnimation() lets the fins fade to their resting alpha before the
// animation ends. Frames come from a 50 ms timer on the main thread, and only while the widget
// is shown; usesThreadedAnimation is kept for callers but painting never leaves the main thread.
class YRKSpinningProgressIndicator : public QWidget
{
    Q_OBJECT
    Q_PROPERTY(QColor color READ color WRITE setColor)
    Q_PROPERTY(QColor backgroundColor READ backgroundColor WRITE setBackgroundColor)
    Q_PROPERTY(bool drawsBackground READ drawsBackground WRITE setDrawsBackground)
    Q_PROPERTY(bool displayedWhenStopped READ isDisplayedWhenStopped WRITE setDisplayedWhenStopped)
    Q_PROPERTY(bool usesThreadedAnimation READ usesThreadedAnimation WRITE setUsesThreadedAnimation)
    Q_PROPERTY(bool indeterminate READ isIndeterminate WRITE setIndeterminate)
    Q_PROPERTY(double doubleValue READ doubleValue WRITE setDoubleValue)
    Q_PROPERTY(double maxValue READ maxValue WRITE setMaxValue)
public:
    static constexpr int spinningStyle = 1;

    explicit YRKSpinningProgressIndicator(QWidget *parent = nullptr);
    ~YRKSpinningProgressIndicator() override;

    void startAnimation(QObject *sender = nullptr);
    void stopAnimation(QObject *sender = nullptr);
    void setStyle(int style);

    QColor color() const { return m_foreColor; }
    void setColor(const QColor &color);
    QColor backgroundColor() const { return m_backColor; }
    void setBackgroundColor(const QColor &color);
    bool drawsBackground() const { return m_drawsBackground; }
    void setDrawsBackground(bool draws);
    bool isDisplayedWhenStopped() const { return m_displayedWhenStopped; }
    void setDisplayedWhenStopped(bool displayed);
    bool usesThreadedAnimation() const { return m_usesThreadedAnimation; }
    void setUsesThreadedAnimation(bool threaded);
    bool isIndeterminate() const { return m_isIndeterminate; }
    void setIndeterminate(bool indeterminate);
    double doubleValue() const { return m_currentValue; }
    void setDoubleValue(double value);
    double maxValue() const { return m_maxValue; }
    void setMaxValue(double value);

    bool isAnimating() const { return m_isAnimating; }
    bool isFadingOut() const { return m_isFadingOut; }
    // The fin lit by the latest frame, and each fin's current colour.
    int position() const { return m_position; }
    QVector<QColor> finColors() const { return m_finColors; }
    // The alpha the fins rest at: 0.15 when displayed when stopped, else 0.01.
    qreal lowestAlpha() const { return m_displayedWhenStopped ? 0.15 : 0.01; }

    QSize sizeHint() const override { return QSize(32, 32); }

protected:
    void paintEvent(QPaintEvent *event) override;
    void showEvent(QShowEvent *event) override;
    void hideEvent(QHideEvent *event) override;

private:
    void actuallyStartAnimation();
    void actuallyStopAnimation();
    void updateFrame();

    int m_numFins = 12;
    QTimer *m_animationTimer;
    QVector<QColor> m_finColors;
    QColor m_foreColor = Qt::black;
    QColor m_backColor = Qt::transparent;
    double m_currentValue = 0.0;
    double m_maxValue = 100.0;
    int m_position = 0;
    bool m_isAnimating = false;
    bool m_isFadingOut = false;
    bool m_drawsBackground = false;
    bool m_displayedWhenStopped = true;
    bool m_usesThreadedAnimation = true;
    bool m_isIndeterminate = true;
};

#endif // YRKSPINNINGPROGRESSINDICATOR_H
