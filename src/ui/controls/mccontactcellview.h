#ifndef MCCONTACTCELLVIEW_H
#define MCCONTACTCELLVIEW_H

#include <QWidget>

class QFrame;
class QLabel;
class QStyleOptionViewItem;

// A plain contact row: a framed picture at the left, the contact's name, and the presence dot
// at the right end. The contacts pages fill the parts. A table of many rows paints the cell
// instead (paint), with the same geometry, so that no row needs widgets of its own.
class MCContactCellView : public QWidget
{
    Q_OBJECT
public:
    static constexpr int Margin = 4;
    static constexpr int Spacing = 6;
    static constexpr int StatusSide = 16;

    explicit MCContactCellView(QWidget *parent = nullptr);

    // Where the parts lie in a cell: the square picture box (at most 32 pixels, 2 in from the
    // top and bottom), the presence image centred at the right end, the name between them.
    static QRect boxRect(const QRect &cell);
    static QRect statusRect(const QRect &cell);
    static QRect nameRect(const QRect &cell);
    // The cell in option: background and selection, the picture (option.icon, if any) framed
    // in its box, the name (option.text, cut at the end) and the presence image when not null.
    static void paint(QPainter *painter, const QStyleOptionViewItem &option, const QPixmap &status);

    QLabel *contactName() const { return m_contactName; }
    QLabel *statusImageView() const { return m_statusImageView; }
    QFrame *boxImage() const { return m_boxImage; }

    QSize sizeHint() const override;

protected:
    void resizeEvent(QResizeEvent *event) override;

private:
    QLabel *m_contactName;
    QLabel *m_statusImageView;
    QFrame *m_boxImage;
};

#endif // MCCONTACTCELLVIEW_H
