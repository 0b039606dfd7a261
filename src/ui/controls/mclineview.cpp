#include "mclineview.h"

#include <QLinearGradient>
#include <QPainter>

MCLineView::MCLineView(QWidget *parent)
    : QWidget(parent)
{
    setSizePolicy(QSizePolicy::Expanding, QSizePolicy::Fixed);
    setFixedHeight(1);
}

void MCLineView::paintEvent(QPaintEvent *)
{
    const QColor grey = QColor::fromRgbF(0.9, 0.9, 0.9);
    QColor clear = grey;
    clear.setAlphaF(0.0);
    QLinearGradient gradient(rect().topLeft(), rect().topRight());
    gradient.setColorAt(0.0, clear);
    gradient.setColorAt(0.35, grey);
    gradient.setColorAt(0.65, grey);
    gradient.setColorAt(1.0, clear);
    QPainter painter(this);
    painter.fillRect(rect(), gradient);
}
