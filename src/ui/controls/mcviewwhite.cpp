#include "mcviewwhite.h"

MCViewWhite::MCViewWhite(QWidget *parent)
    : QWidget(parent)
{
    setAutoFillBackground(true);
    QPalette white = palette();
    white.setColor(QPalette::Window, Qt::white);
    setPalette(white);
}
