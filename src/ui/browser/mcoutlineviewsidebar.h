#ifndef MCOUTLINEVIEWSIDEBAR_H
#define MCOUTLINEVIEWSIDEBAR_H

#include <QPixmap>
#include <QTreeView>

#include <functional>

class QMimeData;

// The sidebar's outline: never takes the keyboard focus, selects only what its owner selects,
// and asks its owner about drops onto a row. The program's logo stands faintly behind the rows
// in the lower left corner, where it stays while the rows scroll.
class MCOutlineViewSidebar : public QTreeView
{
    Q_OBJECT
public:
    // The action a drop of data onto index would take; Qt::IgnoreAction refuses it.
    using DropValidator = std::function<Qt::DropAction(const QModelIndex &index,
                                                       const QMimeData *data, bool optionHeld)>;
    // Takes the drop; false when it could not.
    using DropAcceptor =
        std::function<bool(const QModelIndex &index, const QMimeData *data, bool optionHeld)>;

    explicit MCOutlineViewSidebar(QWidget *parent = nullptr);

    void setDropHandlers(DropValidator validator, DropAcceptor acceptor);
    // Where the logo is drawn, in the viewport's coordinates.
    QRect watermarkRect() const;

protected:
    void dragEnterEvent(QDragEnterEvent *event) override;
    void dragMoveEvent(QDragMoveEvent *event) override;
    void dragLeaveEvent(QDragLeaveEvent *event) override;
    void dropEvent(QDropEvent *event) override;
    void paintEvent(QPaintEvent *event) override;

private:
    static bool optionHeld(const QDropEvent *event);

    DropValidator m_validator;
    DropAcceptor m_acceptor;
    QPixmap m_watermark;
};

#endif // MCOUTLINEVIEWSIDEBAR_H
