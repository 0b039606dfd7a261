#ifndef MCTABLELINKS_H
#define MCTABLELINKS_H

#include <QTableView>

class MCMouseDownTextField;

// A table whose rows are link cells (MCShareLinkCell index widgets). A press on a row's visible
// link reports the link field and leaves the selection alone; a press anywhere else, or on a
// hidden link field, is an ordinary table click.
class MCTableLinks : public QTableView
{
    Q_OBJECT
public:
    explicit MCTableLinks(QWidget *parent = nullptr);

signals:
    void mouseDownTextFieldClicked(MCMouseDownTextField *field);

protected:
    void mousePressEvent(QMouseEvent *event) override;
};

#endif // MCTABLELINKS_H
