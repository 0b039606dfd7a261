#include "mclabelhighlight.h"

#include <QtMath>

MCLabelHighlight::MCLabelHighlight(const QRectF &frame, const QVector<qreal> &rowWidths,
                                   bool textContinues, Alignment alignment)
    : m_frame(frame)
{
    if (rowWidths.isEmpty())
        return;
    if (alignment == Centred)
        layoutCentred(rowWidths, textContinues);
    else
        layoutLeft(rowWidths, textContinues);
}

QRectF MCLabelHighlight::textRect() const
{
    return m_rows.size() == 1 ? m_rows.first() : m_frame;
}

void MCLabelHighlight::layoutCentred(const QVector<qreal> &widths, bool continues)
{
    const qreal x = m_frame.x(), y = m_frame.y(), w = m_frame.width(), h = m_frame.height();
    // The frame's own centre: a label is rarely at the view's origin.
    const qreal centre = x + w * 0.5;
    if (widths.size() == 1) {
        const qreal pill = widths.first() < 22.0 ? 26.0 : widths.first() + 4.0;
        m_rows.append(QRectF(centre - pill * 0.5, y, pill, h * 0.5));
        m_path.addRoundedRect(m_rows.first(), Radius, Radius);
        return;
    }
    const qreal w0 = qMax(widths.at(0), 22.0);
    const qreal w1 = continues ? w : qMax(widths.at(1), 22.0);
    const QRectF r0(centre - w0 * 0.5, y, w0, h * 0.5 + 1.0);
    const QRectF r1(centre - w1 * 0.5, y + h * 0.5, w1, h * 0.5);
    m_rows = {r0, r1};
    const qreal l0 = r0.x() + 1.0, e0 = r0.x() + w0 - 1.0, m0 = y + r0.height() * 0.5;
    const qreal l1 = r1.x() + 1.0, e1 = r1.x() + w1 - 1.0, m1 = r1.y() + r1.height() * 0.5;
    if (qAbs(l0 - l1) <= 5.5) {
        m_merged = true;
        m_mergedRect = QRectF(qMin(l0, l1), y, qMax(e0, e1) - qMin(l0, l1), h);
        m_path.addRoundedRect(m_mergedRect, Radius, Radius);
        return;
    }
    m_path.addRoundedRect(r0, Radius, Radius);
    m_path.addRoundedRect(r1, Radius, Radius);
    auto fillet = [](QPointF from, QPointF to, QPointF c1, QPointF c2, qreal lineX) {
        QPainterPath join(from);
        join.cubicTo(c1, c2, to);
        join.lineTo(lineX, to.y());
        join.closeSubpath();
        return join;
    };
    if (l0 <= l1) { // second row narrower
        const QPointF p(l1 - 3.0, m1 - h * 0.25);
        m_joins.append(
            fillet({l1, m1}, p, {p.x() + 1.5, p.y() - 2.5}, {p.x() - 2.5, p.y() + 2.5}, l1 + 10.0));
        const QPointF q(e1 + 3.0, m1 - h * 0.25);
        m_joins.append(
            fillet({e1, m1}, q, {q.x() - 1.5, q.y() - 2.5}, {q.x() + 2.5, q.y() + 2.5}, e1 - 10.0));
    } else { // first row narrower
        const QPointF p(l0 - 3.0, m0 + h * 0.25 + 0.5);
        m_joins.append(
            fillet({l0, m0}, p, {p.x() + 1.5, p.y() - 2.5}, {p.x() + 2.5, p.y() - 2.5}, l0 + 10.0));
        const QPointF q(e0 + 3.0, m0 + h * 0.25 + 0.5);
        m_joins.append(
            fillet({e0, m0}, q, {q.x() - 1.5, q.y() - 2.5}, {q.x() - 2.5, q.y() - 2.5}, e0 - 10.0));
    }
    for (const QPainterPath &join : qAsConst(m_joins))
        m_path.addPath(join);
}

void MCLabelHighlight::layoutLeft(const QVector<qreal> &widths, bool continues)
{
    const qreal x = m_frame.x(), y = m_frame.y(), w = m_frame.width(), h = m_frame.height();
    if (widths.size() == 1) {
        const qreal pill = qMin(widths.first() < 15.0 ? 19.0 : widths.first() + 4.0, w);
        m_rows.append(QRectF(x, y, pill, h * 0.5));
        m_path.addRoundedRect(m_rows.first(), Radius, Radius);
        return;
    }
    const qreal w0 = qMax(widths.at(0), 15.0);
    const qreal w1 = continues ? w : qMax(widths.at(1), 15.0);
    const QRectF r0(x, y, w0, h * 0.5);
    const QRectF r1(x, y + h * 0.5, w1, h * 0.5);
    m_rows = {r0, r1};
    // The middles of the two rows, wherever the frame lies.
    const qreal l0 = x + 1.0, e0 = x + w0 - 1.0, m0 = y + h * 0.25;
    const qreal l1 = x + 1.0, e1 = x + w1 - 1.0, m1 = y + h * 0.5 + h * 0.25;
    if (qAbs(e0 - e1) <= 5.5) {
        m_merged = true;
        // A width, not the right end's coordinate.
        m_mergedRect = QRectF(qMin(l0, l1), y, qMax(e0, e1) - qMin(l0, l1), h);
        m_path.addRoundedRect(m_mergedRect, Radius, Radius);
        return;
    }
    m_path.addRoundedRect(r0, Radius, Radius);
    m_path.addRoundedRect(r1, Radius, Radius);
    QPainterPath band(QPointF(l0, m0));
    band.lineTo(l1, m1);
    band.lineTo(l1 + 10.0, m1);
    band.lineTo(l0 + 10.0, m0);
    band.closeSubpath();
    m_joins.append(band);
    QPainterPath fillet;
    if (e0 > e1) {
        const QPointF p(e1 + 3.0, m1 - h * 0.25 - 1.0);
        fillet.moveTo(e1, m1);
        fillet.cubicTo({p.x() - 1.5, p.y() - 2.5}, {p.x() + 2.5, p.y() + 2.5}, p);
        fillet.lineTo(e1 - 10.0, p.y());
    } else {
        const QPointF q(e0 + 3.0, m0 + h * 0.25);
        fillet.moveTo(e0, m0);
        fillet.cubicTo({q.x() - 1.5, q.y() - 2.5}, {q.x() - 2.5, q.y() - 2.5}, q);
        fillet.lineTo(e0 - 10.0, q.y());
    }
    fillet.closeSubpath();
    m_joins.append(fillet);
    for (const QPainterPath &join : qAsConst(m_joins))
        m_path.addPath(join);
}
