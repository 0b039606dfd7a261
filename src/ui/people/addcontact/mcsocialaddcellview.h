#ifndef MCSOCIALADDCELLVIEW_H
#define MCSOCIALADDCELLVIEW_H

#include <QWidget>

class QLabel;
class QToolButton;

// A cell of the add-contact results: the picture (column "photo"), the name over the e-mail
// address (column "info"), or the invite button with what it says (column "button"). All text
// is plain.
class MCSocialAddCellView : public QWidget
{
    Q_OBJECT
public:
    explicit MCSocialAddCellView(const QString &identifier, QWidget *parent = nullptr);

    QString identifier() const { return objectName(); }
    QLabel *imageView() const { return m_imageView; }
    QLabel *textField() const { return m_textField; }
    QLabel *emailField() const { return m_emailField; }
    QToolButton *buttonAdd() const { return m_buttonAdd; }
    // The picture shown: an image, or one of the page's signs ("alert", "ok", "info",
    // "question", "add").
    static QPixmap sign(const QString &name, int side);

private:
    QLabel *m_imageView = nullptr;
    QLabel *m_textField = nullptr;
    QLabel *m_emailField = nullptr;
    QToolButton *m_buttonAdd = nullptr;
};

#endif // MCSOCIALADDCELLVIEW_H
