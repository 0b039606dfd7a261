#ifndef MCALLGROUPSVIEWCONTROLLER_H
#define MCALLGROUPSVIEWCONTROLLER_H

#include "mcallentitiesviewcontroller.h"

// The contacts page's list of all groups.
class MCAllGroupsViewController : public MCAllEntitiesViewController
{
    Q_OBJECT
public:
    explicit MCAllGroupsViewController(MCPeople *people, QWidget *parent = nullptr)
        : MCAllEntitiesViewController(people, MCSocialEntitiesModel::Groups, parent)
    {
        setObjectName(QStringLiteral("allGroupsController"));
    }
};

#endif // MCALLGROUPSVIEWCONTROLLER_H
