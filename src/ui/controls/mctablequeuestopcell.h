#ifndef MCTABLEQUEUESTOPCELL_H
#define MCTABLEQUEUESTOPCELL_H

#include <QWidget>

class MCButton;
class QStyleOptionViewItem;

// A transfer row's control cell: the pause/resume button and the cancel button side by side.
// The owner gives them their images and wires them. A table of many rows paints the cell
// instead (paint), with the same geometry, so that no row needs widgets of its own.
class MCTableQueueStopCell : public QWidget
{
    Q_OBJECT
public:
    enum Button { PauseButton, AbortButton };
    static constexpr int ButtonSide = 20;

    explicit MCTableQueueStopCell(QWidget *parent = nullptr);

    // Where a button lies in the cell.
    static QRect buttonRect(const QRect &cell, Button button);
    // The width that holds both buttons.
    static int cellWidth() { return 2 * ButtonSide + 12; }
    // One button: a round face with the sign of its action ("abort", "resume" or "stop"),
    // coloured while hovered, faded while it takes no click.
    static void paintButton(QPainter *painter, const QRect &rect, const QString &identifier,
                            bool hovered, bool enabled);
    // The whole cell in option (background and selection, then both buttons); hoveredButton
    // is a Button or -1.
    static void paint(QPainter *painter, const QStyleOptionViewItem &option,
                      const QString &pauseIdentifier, int hoveredButton, bool pauseEnabled,
                      bool abortEnabled);

    MCButton *buttonPause() const { return m_buttonPause; }
    MCButton *buttonAbort() const { return m_buttonAbort; }

private:
    MCButton *m_buttonPause;
    MCButton *m_buttonAbort;
};

#endif // MCTABLEQUEUESTOPCELL_H
