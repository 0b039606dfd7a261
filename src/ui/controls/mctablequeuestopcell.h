#ifndef MCTABLEQUEUESTOPCELL_H
#define MCTABLEQUEUESTOPCELL_H

#include <QWidget>

class MCButton;

// A transfer row's control cell: the pause/resume button and the cancel button side by side.
// The owner gives them their images and wires them.
class MCTableQueueStopCell : public QWidget
{
    Q_OBJECT
public:
    explicit MCTableQueueStopCell(QWidget *parent = nullptr);

    MCButton *buttonPause() const { return m_buttonPause; }
    MCButton *buttonAbort() const { return m_buttonAbort; }

private:
    MCButton *m_buttonPause;
    MCButton *m_buttonAbort;
};

#endif // MCTABLEQUEUESTOPCELL_H
