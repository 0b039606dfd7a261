#include "mcwelcomepictures.h"

#include <QPainter>
#include <QPainterPath>

namespace {

const QColor Orange(255, 94, 58);
const QColor Blue(66, 133, 222);
const QColor Green(76, 175, 80);
const QColor Grey(120, 128, 140);
const QColor Paper(250, 250, 252);

// Everything is drawn on a 100 × 100 canvas and scaled to the picture's size.
void drawCloud(QPainter &p, const QRectF &r, const QColor &colour)
{
    QPainterPath path;
    const qreal w = r.width();
    const qreal h = r.height();
    path.addEllipse(QRectF(r.left(), r.top() + h * 0.35, w * 0.45, h * 0.65));
    path.addEllipse(QRectF(r.left() + w * 0.22, r.top(), w * 0.5, h * 0.85));
    path.addEllipse(QRectF(r.left() + w * 0.5, r.top() + h * 0.25, w * 0.5, h * 0.75));
    path.setFillRule(Qt::WindingFill);
    p.setPen(Qt::NoPen);
    p.setBrush(colour);
    p.drawPath(path.simplified());
}

void drawFile(QPainter &p, const QRectF &r, const QColor &colour)
{
    const qreal fold = r.width() * 0.3;
    QPainterPath page;
    page.moveTo(r.topLeft());
    page.lineTo(r.right() - fold, r.top());
    page.lineTo(r.right(), r.top() + fold);
    page.lineTo(r.bottomRight());
    page.lineTo(r.bottomLeft());
    page.closeSubpath();
    p.setPen(QPen(colour.darker(130), 1.2));
    p.setBrush(Paper);
    p.drawPath(page);
    p.setBrush(colour.lighter(150));
    p.drawPolygon(
        QPolygonF({QPointF(r.right() - fold, r.top()), QPointF(r.right() - fold, r.top() + fold),
                   QPointF(r.right(), r.top() + fold)}));
    p.setPen(QPen(colour, 1.5, Qt::SolidLine, Qt::RoundCap));
    for (int line = 0; line < 3; ++line) {
        const qreal y = r.top() + r.height() * (0.45 + line * 0.15);
        p.drawLine(QPointF(r.left() + r.width() * 0.18, y),
                   QPointF(r.right() - r.width() * 0.18, y));
    }
}

void drawFolder(QPainter &p, const QRectF &r)
{
    p.setPen(Qt::NoPen);
    p.setBrush(Blue.darker(115));
    p.drawRoundedRect(QRectF(r.left(), r.top(), r.width() * 0.45, r.height() * 0.3), 2, 2);
    p.setBrush(Blue);
    p.drawRoundedRect(QRectF(r.left(), r.top() + r.height() * 0.15, r.width(), r.height() * 0.85),
                      3, 3);
}

// A window with a title bar and a sidebar; answers the content area.
QRectF drawWindow(QPainter &p, const QRectF &r)
{
    p.setPen(QPen(Grey.lighter(130), 1));
    p.setBrush(Qt::white);
    p.drawRoundedRect(r, 4, 4);
    p.setPen(Qt::NoPen);
    p.setBrush(QColor(236, 238, 242));
    p.drawRoundedRect(QRectF(r.left(), r.top(), r.width(), 9), 4, 4);
    const QColor lights[] = {QColor(255, 95, 87), QColor(255, 189, 46), QColor(40, 201, 64)};
    for (int i = 0; i < 3; ++i) {
        p.setBrush(lights[i]);
        p.drawEllipse(QPointF(r.left() + 6 + i * 6, r.top() + 4.5), 2, 2);
    }
    p.setBrush(QColor(244, 245, 248));
    p.drawRect(QRectF(r.left() + 1, r.top() + 9, r.width() * 0.25, r.height() - 10));
    return QRectF(r.left() + r.width() * 0.25 + 4, r.top() + 13, r.width() * 0.75 - 8,
                  r.height() - 17);
}

void drawPerson(QPainter &p, const QPointF &c, qreal size, const QColor &colour)
{
    p.setPen(Qt::NoPen);
    p.setBrush(colour);
    p.drawEllipse(QPointF(c.x(), c.y() - size * 0.35), size * 0.28, size * 0.28);
    p.drawChord(QRectF(c.x() - size * 0.5, c.y(), size, size), 0, 180 * 16);
}

void drawArrow(QPainter &p, const QPointF &from, const QPointF &to, const QColor &colour)
{
    p.setPen(QPen(colour, 3, Qt::SolidLine, Qt::RoundCap, Qt::RoundJoin));
    p.drawLine(from, to);
    const QLineF line(to, from);
    QLineF wing(to, from);
    wing.setLength(8);
    wing.setAngle(line.angle() + 30);
    p.drawLine(wing);
    wing.setAngle(line.angle() - 30);
    p.drawLine(wing);
}

void drawBubble(QPainter &p, const QRectF &r, const QColor &colour, bool tailLeft)
{
    QPainterPath path;
    path.addRoundedRect(r, 6, 6);
    const qreal x = tailLeft ? r.left() + 8 : r.right() - 8;
    const qreal dx = tailLeft ? -4 : 4;
    path.moveTo(x, r.bottom() - 1);
    path.lineTo(x + dx, r.bottom() + 7);
    path.lineTo(x + 6 * (tailLeft ? 1 : -1), r.bottom() - 1);
    path.closeSubpath();
    path.setFillRule(Qt::WindingFill);
    p.setPen(Qt::NoPen);
    p.setBrush(colour);
    p.drawPath(path.simplified());
}

void drawProgress(QPainter &p, const QRectF &r, qreal fraction, const QColor &colour)
{
    p.setPen(Qt::NoPen);
    p.setBrush(QColor(225, 228, 234));
    p.drawRoundedRect(r, r.height() / 2, r.height() / 2);
    p.setBrush(colour);
    p.drawRoundedRect(QRectF(r.topLeft(), QSizeF(r.width() * fraction, r.height())), r.height() / 2,
                      r.height() / 2);
}

void drawPlus(QPainter &p, const QPointF &c, qreal size, const QColor &colour)
{
    p.setPen(Qt::NoPen);
    p.setBrush(colour);
    p.drawEllipse(c, size, size);
    p.setPen(QPen(Qt::white, size * 0.3, Qt::SolidLine, Qt::RoundCap));
    p.drawLine(QPointF(c.x() - size * 0.5, c.y()), QPointF(c.x() + size * 0.5, c.y()));
    p.drawLine(QPointF(c.x(), c.y() - size * 0.5), QPointF(c.x(), c.y() + size * 0.5));
}

void drawEnvelope(QPainter &p, const QRectF &r)
{
    p.setPen(QPen(Grey, 1.2));
    p.setBrush(Qt::white);
    p.drawRect(r);
    p.drawPolyline(
        QPolygonF({r.topLeft(), QPointF(r.center().x(), r.center().y() + 2), r.topRight()}));
}

void drawSmiley(QPainter &p, const QPointF &c, qreal radius)
{
    p.setPen(QPen(QColor(200, 140, 0), 1.2));
    p.setBrush(QColor(255, 204, 51));
    p.drawEllipse(c, radius, radius);
    p.setBrush(QColor(90, 60, 0));
    p.setPen(Qt::NoPen);
    p.drawEllipse(QPointF(c.x() - radius * 0.35, c.y() - radius * 0.2), radius * 0.12,
                  radius * 0.16);
    p.drawEllipse(QPointF(c.x() + radius * 0.35, c.y() - radius * 0.2), radius * 0.12,
                  radius * 0.16);
    p.setPen(QPen(QColor(90, 60, 0), 1.4, Qt::SolidLine, Qt::RoundCap));
    p.setBrush(Qt::NoBrush);
    p.drawArc(QRectF(c.x() - radius * 0.55, c.y() - radius * 0.45, radius * 1.1, radius * 1.1),
              -20 * 16, -140 * 16);
}

void drawSlide(QPainter &p, int index)
{
    switch (index) {
    case 0: // the application's mark
        p.setPen(Qt::NoPen);
        p.setBrush(QColor(0, 0, 0, 40));
        p.drawEllipse(QPointF(51.5, 53), 42, 42);
        p.setBrush(Orange);
        p.drawEllipse(QPointF(50, 50), 42, 42);
        drawCloud(p, QRectF(22, 32, 56, 34), Qt::white);
        break;
    case 1: { // browsing files that take no room
        const QRectF content = drawWindow(p, QRectF(8, 16, 84, 68));
        for (int i = 0; i < 6; ++i) {
            const QRectF cell(content.left() + (i % 3) * 19, content.top() + (i / 3) * 25, 13, 17);
            if (i % 2)
                drawFile(p, cell, Blue);
            else
                drawFolder(p, cell.adjusted(-1, 2, 2, -1));
        }
        drawCloud(p, QRectF(64, 6, 30, 18), Orange);
        break;
    }
    case 2: // dragging a file in
        drawWindow(p, QRectF(40, 20, 54, 62));
        drawFile(p, QRectF(8, 30, 20, 26), Orange);
        drawArrow(p, QPointF(22, 64), QPointF(58, 56), Orange);
        break;
    case 3: // local copy and cloud in step
        drawCloud(p, QRectF(30, 8, 42, 26), Orange);
        drawFile(p, QRectF(39, 58, 22, 30), Blue);
        drawArrow(p, QPointF(30, 60), QPointF(30, 34), Green);
        drawArrow(p, QPointF(70, 34), QPointF(70, 60), Green);
        break;
    case 4: { // transfers with their controls
        const QRectF content = drawWindow(p, QRectF(6, 14, 88, 72));
        const qreal fractions[] = {0.8, 0.45, 0.2};
        for (int i = 0; i < 3; ++i) {
            const qreal y = content.top() + 6 + i * 18;
            drawFile(p, QRectF(content.left(), y - 4, 8, 11), Blue);
            drawProgress(p, QRectF(content.left() + 12, y, content.width() - 26, 4), fractions[i],
                         i == 1 ? Grey : Orange);
            p.setPen(QPen(Grey, 1.6));
            p.drawLine(QPointF(content.right() - 8, y - 2), QPointF(content.right() - 8, y + 6));
            p.drawLine(QPointF(content.right() - 4, y - 2), QPointF(content.right() - 4, y + 6));
        }
        break;
    }
    case 5: // a link to a file, sent by mail
        drawFile(p, QRectF(10, 18, 28, 36), Blue);
        p.setPen(QPen(Orange, 4));
        p.setBrush(Qt::NoBrush);
        p.drawRoundedRect(QRectF(42, 34, 22, 12), 6, 6);
        p.drawRoundedRect(QRectF(56, 40, 22, 12), 6, 6);
        drawEnvelope(p, QRectF(52, 64, 34, 22));
        break;
    case 6: // the account and its space
        drawPerson(p, QPointF(30, 46), 34, Blue);
        p.setPen(Qt::NoPen);
        p.setBrush(QColor(225, 228, 234));
        p.drawEllipse(QPointF(70, 48), 20, 20);
        p.setBrush(Orange);
        p.drawPie(QRectF(50, 28, 40, 40), 90 * 16, -130 * 16);
        drawProgress(p, QRectF(14, 80, 72, 6), 0.36, Orange);
        break;
    case 7: // people sharing a file
        drawPerson(p, QPointF(22, 50), 28, Blue);
        drawPerson(p, QPointF(78, 50), 28, Green);
        drawFile(p, QRectF(41, 24, 18, 24), Orange);
        drawArrow(p, QPointF(36, 62), QPointF(64, 62), Orange);
        break;
    case 8: // inviting a contact
        drawPerson(p, QPointF(40, 44), 40, Blue);
        drawPlus(p, QPointF(70, 34), 10, Green);
        drawEnvelope(p, QRectF(58, 62, 30, 20));
        break;
    case 9: // chatting
        drawBubble(p, QRectF(8, 14, 56, 24), Blue, true);
        drawBubble(p, QRectF(36, 50, 56, 24), QColor(225, 228, 234), false);
        p.setPen(QPen(Qt::white, 2, Qt::SolidLine, Qt::RoundCap));
        p.drawLine(QPointF(16, 23), QPointF(52, 23));
        p.drawLine(QPointF(16, 30), QPointF(40, 30));
        drawSmiley(p, QPointF(64, 62), 8);
        break;
    case 10: // a group
        p.setPen(QPen(Orange, 2, Qt::DashLine));
        p.setBrush(Qt::NoBrush);
        p.drawEllipse(QPointF(50, 52), 40, 36);
        drawPerson(p, QPointF(50, 36), 24, Orange);
        drawPerson(p, QPointF(32, 62), 24, Blue);
        drawPerson(p, QPointF(68, 62), 24, Green);
        break;
    case 11: // a file dropped on a group
        drawFile(p, QRectF(8, 14, 22, 28), Orange);
        drawArrow(p, QPointF(28, 44), QPointF(52, 60), Orange);
        drawPerson(p, QPointF(62, 58), 22, Blue);
        drawPerson(p, QPointF(80, 58), 22, Green);
        drawPerson(p, QPointF(71, 74), 22, Orange);
        break;
    default:
        break;
    }
}

} // namespace

QPixmap MCWelcomePictures::picture(int index, const QSize &size, qreal devicePixelRatio)
{
    if (index < 0 || index > 11 || size.isEmpty())
        return QPixmap();
    QPixmap pixmap(size * devicePixelRatio);
    pixmap.setDevicePixelRatio(devicePixelRatio);
    pixmap.fill(Qt::transparent);
    QPainter painter(&pixmap);
    painter.setRenderHint(QPainter::Antialiasing);
    painter.scale(size.width() / 100.0, size.height() / 100.0);
    drawSlide(painter, index);
    return pixmap;
}
