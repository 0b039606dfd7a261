#ifndef MCNEWFILEHEADERCELL_H
#define MCNEWFILEHEADERCELL_H

#include "mctableheadercell.h"

// The column header of the new-file templates table: as the share-links header, with titles
// set in by two blanks in dark grey.
class MCNewFileHeaderCell : public MCTableHeaderCell
{
    Q_OBJECT
public:
    explicit MCNewFileHeaderCell(QWidget *parent = nullptr);
};

#endif // MCNEWFILEHEADERCELL_H
