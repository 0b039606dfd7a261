#ifndef MCTABLEQUEUECONTROLLER_H
#define MCTABLEQUEUECONTROLLER_H

#include "mcplaceholderpage.h"

// The transfers page, titled "transfers://"; a placeholder until the page is built.
class MCTableQueueController : public MCPlaceholderPage
{
    Q_OBJECT
public:
    explicit MCTableQueueController(QWidget *parent = nullptr)
        : MCPlaceholderPage(QStringLiteral("transfers://"), tr("Transfers"), parent)
    {}
};

#endif // MCTABLEQUEUECONTROLLER_H
