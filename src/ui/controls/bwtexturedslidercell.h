#ifndef BWTEXTUREDSLIDERCELL_H
#define BWTEXTUREDSLIDERCELL_H

#include <QPixmap>
#include <QSlider>

// The icon-size slider's look: a track of three images (left cap, fill, right cap), drawn at
// half opacity when the slider is disabled, and a round thumb that looks pressed while it is
// dragged. It never shows tick marks.
class BWTexturedSliderCell : public QSlider
{
    Q_OBJECT
public:
    explicit BWTexturedSliderCell(QWidget *parent = nullptr);

    // 0 keeps the track image's height; any other value makes the track one pixel taller.
    int trackHeight() const { return m_trackHeight; }
    void setTrackHeight(int height);
    bool isPressed() const { return m_isPressed; }
    int numberOfTickMarks() const { return 0; }
    void setNumberOfTickMarks(int) {}
    // Where the track is drawn in the slider.
    QRect trackRect() const;

    // The five images, made once: the track's left cap, fill and right cap, and the thumb at
    // rest and pressed.
    enum Image { TrackLeft, TrackFill, TrackRight, ThumbNormal, ThumbPressed, ImageCount };
    static QPixmap image(Image which);

protected:
    void paintEvent(QPaintEvent *event) override;
    void mousePressEvent(QMouseEvent *event) override;
    void mouseReleaseEvent(QMouseEvent *event) override;

private:
    int m_trackHeight = 0;
    bool m_isPressed = false;
};

#endif // BWTEXTUREDSLIDERCELL_H
