#ifndef MCLINKCONTROLCELLVIEW_H
#define MCLINKCONTROLCELLVIEW_H

#include <QWidget>

class KBButton;

// A share-link row's action cell: the Revoke button, hidden for a revoked or expired link.
class MCLinkControlCellView : public QWidget
{
    Q_OBJECT
public:
    explicit MCLinkControlCellView(QWidget *parent = nullptr);

    KBButton *buttonRevoke() const { return m_buttonRevoke; }

private:
    KBButton *m_buttonRevoke;
};

#endif // MCLINKCONTROLCELLVIEW_H
