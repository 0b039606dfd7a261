#include "mcloginwindowview.h"

MCLoginWindowView::MCLoginWindowView(QWidget *parent)
    : MCGradientBox(parent)
{}
