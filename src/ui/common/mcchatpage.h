#ifndef MCCHATPAGE_H
#define MCCHATPAGE_H

#include <QDateTime>

class MCChatViewController;
class QWidget;

// What an entity asks of its chat page. The page lives with the people pages, above the
// entities, so the environment makes it (MCChatEnvironment::newChatPage).
class MCChatPage
{
public:
    virtual ~MCChatPage() = default;

    // The page as a widget (its lifetime), and as the controller the windows show.
    virtual QWidget *pageWidget() = 0;
    virtual MCChatViewController *pageController() = 0;
    virtual void drawAllRows() = 0;
    virtual bool isLastRowVisible() const = 0;
    virtual QDateTime lastItemSentAtDate() const = 0;
};

#endif // MCCHATPAGE_H
