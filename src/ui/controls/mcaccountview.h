#ifndef MCACCOUNTVIEW_H
#define MCACCOUNTVIEW_H

#include <QWidget>

// The account page's container. Qt's coordinates already run top-down, so it adds nothing to a
// plain widget; it exists so the page can name it.
class MCAccountView : public QWidget
{
    Q_OBJECT
public:
    using QWidget::QWidget;
};

#endif // MCACCOUNTVIEW_H
