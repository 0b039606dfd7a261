#ifndef KBBUTTON_H
#define KBBUTTON_H

#include <QPushButton>

// A flat rounded push button filled with one of seven colours (kbButtonType 0 light grey,
// 1 blue, 2 teal, 3 green, 4 orange, 5 red, 6 near black). A normal button is a vertical
// gradient inside a one-pixel darker rim; a pressed one is flat and darker. Titles are black on
// the light colour and white on the others. A disabled button fades into the window, its title
// grey.
class KBButton : public QPushButton
{
    Q_OBJECT
    Q_PROPERTY(int kbButtonType READ kbButtonType WRITE setKBButtonType)
public:
    explicit KBButton(QWidget *parent = nullptr);
    explicit KBButton(const QString &text, QWidget *parent = nullptr);

    int kbButtonType() const { return m_type; }
    void setKBButtonType(int type);

    // The fill colour of the current type; the colour of a type out of range is type 0's.
    QColor getColorForButtonType() const;
    // The title colour the button draws with in its current state.
    QColor titleColor() const;

protected:
    void paintEvent(QPaintEvent *event) override;

private:
    int m_type = 0;
};

#endif // KBBUTTON_H
