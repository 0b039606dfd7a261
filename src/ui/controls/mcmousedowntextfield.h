#ifndef MCMOUSEDOWNTEXTFIELD_H
#define MCMOUSEDOWNTEXTFIELD_H

#include <QLabel>

// Clickable text on the account page and in share-link rows: a pointing hand over it, and a
// click reports the field itself (callers tell fields apart by a property of their choosing).
class MCMouseDownTextField : public QLabel
{
    Q_OBJECT
public:
    explicit MCMouseDownTextField(QWidget *parent = nullptr);
    explicit MCMouseDownTextField(const QString &text, QWidget *parent = nullptr);

signals:
    void mouseDownTextFieldClicked(MCMouseDownTextField *field);

protected:
    void mouseReleaseEvent(QMouseEvent *event) override;
};

#endif // MCMOUSEDOWNTEXTFIELD_H
