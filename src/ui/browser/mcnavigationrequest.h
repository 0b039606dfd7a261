#ifndef MCNAVIGATIONREQUEST_H
#define MCNAVIGATIONREQUEST_H

#include <QVariant>

// The user data that marks a metadata or listing request as a navigation of the browser
// views ({"MCRequestedActionTypeKey": 1}); other fetches of the same folder are not.
class MCNavigationRequest
{
public:
    static QVariant userData();
    static bool isNavigation(const QVariant &userData);
};

#endif // MCNAVIGATIONREQUEST_H
