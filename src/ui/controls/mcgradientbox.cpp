#include "mcgradientbox.h"

#include <QPainter>

MCGradientBox::MCGradientBox(QWidget *parent)
    : QWidget(parent)
{}

QLinearGradient MCGradientBox::gradient(const QRectF &rect)
{
    QLinearGradient gradient(rect.bottomLeft(), rect.topLeft());
    gradient.setColorAt(0.0, QColor(255, 94, 58));
    gradient.setColorAt(1.0, QColor(255, 149, 0));
    return gradient;
}

void MCGradientBox::paintEvent(QPaintEvent *)
{
    QPainter painter(this);
    painter.fillRect(rect(), gradient(rect()));
}
