#include "mcnewfileheadercell.h"

MCNewFileHeaderCell::MCNewFileHeaderCell(QWidget *parent)
    : MCTableHeaderCell(2, QColor(Qt::darkGray), parent)
{}
