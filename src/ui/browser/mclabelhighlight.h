#ifndef MCLABELHIGHLIGHT_H
#define MCLABELHIGHLIGHT_H

#include <QPainterPath>
#include <QRectF>
#include <QVector>

// The rounded highlight behind a selected icon-view name: one pill for a one-line name, two
// rows for a longer one (at most two are highlighted), merged into one rounded rectangle when
// their edges nearly line up, otherwise joined by small fillets at the inner corners so that
// they read as one shape. Centred for names below the icons, left-aligned for names at the
// right of them. Coordinates grow downwards; the frame may lie anywhere in the view.
class MCLabelHighlight
{
public:
    enum Alignment { Centred, Left };

    // rowWidths: the measured width of each laid-out line (only the first two count);
    // textContinues: the name has more lines than are shown, so the second row spans the
    // frame.
    MCLabelHighlight(const QRectF &frame, const QVector<qreal> &rowWidths, bool textContinues,
                     Alignment alignment);

    // The pill or the two rows (before any merge).
    QVector<QRectF> rows() const { return m_rows; }
    bool isMerged() const { return m_merged; }
    // The one rounded rectangle of merged rows.
    QRectF mergedRect() const { return m_mergedRect; }
    // The whole shape, to be filled (and its joins stroked) in the highlight colour.
    QPainterPath path() const { return m_path; }
    // The small shapes that join the two rows, each closed.
    QVector<QPainterPath> joins() const { return m_joins; }
    // Where the text of a one-line name is drawn: inside its pill.
    QRectF textRect() const;

    static constexpr qreal Radius = 8.0;

private:
    void layoutCentred(const QVector<qreal> &widths, bool continues);
    void layoutLeft(const QVector<qreal> &widths, bool continues);

    QRectF m_frame;
    QVector<QRectF> m_rows;
    bool m_merged = false;
    QRectF m_mergedRect;
    QPainterPath m_path;
    QVector<QPainterPath> m_joins;
};

#endif // MCLABELHIGHLIGHT_H
