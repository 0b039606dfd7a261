#ifndef MCMESSAGESCONTROLLER_H
#define MCMESSAGESCONTROLLER_H

#include "mcplaceholderpage.h"

// The notifications page, titled "messages://"; a placeholder until the page is built.
class MCMessagesController : public MCPlaceholderPage
{
    Q_OBJECT
public:
    explicit MCMessagesController(QWidget *parent = nullptr)
        : MCPlaceholderPage(QStringLiteral("messages://"), tr("Notifications"), parent)
    {}
};

#endif // MCMESSAGESCONTROLLER_H
