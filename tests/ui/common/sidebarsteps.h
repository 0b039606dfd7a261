#ifndef SIDEBARSTEPS_H
#define SIDEBARSTEPS_H

class MCSidebarController;
class QString;

// Clicks the sidebar's one row titled title, as a user would; false when no row or more than
// one has that title.
bool clickSidebarRow(MCSidebarController *sidebar, const QString &title);

#endif // SIDEBARSTEPS_H
