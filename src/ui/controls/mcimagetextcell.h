#ifndef MCIMAGETEXTCELL_H
#define MCIMAGETEXTCELL_H

#include <QStyledItemDelegate>

// The list view's name cell: the item's icon (its decoration) at 16 x 16 pixels, 3 pixels in
// from the left and centred vertically, then the name, cut at the end when it does not fit.
// Renaming in place puts the editor over the text and selects the name without its extension.
class MCImageTextCell : public QStyledItemDelegate
{
    Q_OBJECT
public:
    static constexpr int ImageSide = 16;
    static constexpr int ImageInset = 3;

    explicit MCImageTextCell(QObject *parent = nullptr);

    // Where the icon and the text go in a cell's bounds, with or without an icon.
    static QRect imageRectForBounds(const QRect &bounds, bool hasImage);
    static QRect titleRectForBounds(const QRect &bounds, bool hasImage);
    // A point on the icon counts as a hit on the content even where the text is short.
    static bool isContentHit(const QPoint &point, const QRect &bounds, bool hasImage);

    // Draws a cell from an option its delegate has already filled (initStyleOption): the
    // background over the whole cell, the icon in its place and the text beside it. Delegates
    // that only add to this look (a badge, another elision) paint through here.
    // With addBorder the icon sits in a framed box: a grey shadow, a silver outline, a white
    // card with a thin black edge, and the icon 2 pixels inside the icon rectangle.
    static void paintCell(QPainter *painter, const QStyleOptionViewItem &option,
                          bool addBorder = false);

    bool addBorder() const { return m_addBorder; }
    void setAddBorder(bool addBorder) { m_addBorder = addBorder; }

    void paint(QPainter *painter, const QStyleOptionViewItem &option,
               const QModelIndex &index) const override;
    QSize sizeHint(const QStyleOptionViewItem &option, const QModelIndex &index) const override;
    void setEditorData(QWidget *editor, const QModelIndex &index) const override;
    void updateEditorGeometry(QWidget *editor, const QStyleOptionViewItem &option,
                              const QModelIndex &index) const override;

private:
    bool m_addBorder = false;
};

#endif // MCIMAGETEXTCELL_H
