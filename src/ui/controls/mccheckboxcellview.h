#ifndef MCCHECKBOXCELLVIEW_H
#define MCCHECKBOXCELLVIEW_H

#include <QWidget>

class QCheckBox;

// A table cell that holds one check box; the owner titles and wires it.
class MCCheckboxCellView : public QWidget
{
    Q_OBJECT
public:
    explicit MCCheckboxCellView(QWidget *parent = nullptr);

    QCheckBox *buttonCheckBox() const { return m_buttonCheckBox; }

private:
    QCheckBox *m_buttonCheckBox;
};

#endif // MCCHECKBOXCELLVIEW_H
