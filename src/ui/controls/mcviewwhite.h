#ifndef MCVIEWWHITE_H
#define MCVIEWWHITE_H

#include <QWidget>

// A plain white background.
class MCViewWhite : public QWidget
{
    Q_OBJECT
public:
    explicit MCViewWhite(QWidget *parent = nullptr);
};

#endif // MCVIEWWHITE_H
