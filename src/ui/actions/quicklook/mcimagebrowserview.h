#ifndef MCIMAGEBROWSERVIEW_H
#define MCIMAGEBROWSERVIEW_H

#include <QListView>
#include <QStyledItemDelegate>

// The Quick Look window's strip of selected objects: a column of their images. Escape leaves
// full screen when the window is in it, and otherwise asks to close the window.
class MCImageBrowserView : public QListView
{
    Q_OBJECT
public:
    explicit MCImageBrowserView(QWidget *parent = nullptr);

signals:
    // Escape outside full screen.
    void closeRequested();

protected:
    void keyPressEvent(QKeyEvent *event) override;
};

// One item of the strip: its image, with a shadow and an outline only when the item shows a
// real thumbnail (MCQuickLookItemModel::ShadowOnRole); the selected item on a coloured ground.
class MCImageBrowserCell : public QStyledItemDelegate
{
    Q_OBJECT
public:
    using QStyledItemDelegate::QStyledItemDelegate;

    void paint(QPainter *painter, const QStyleOptionViewItem &option,
               const QModelIndex &index) const override;
    QSize sizeHint(const QStyleOptionViewItem &option, const QModelIndex &index) const override;
};

#endif // MCIMAGEBROWSERVIEW_H
