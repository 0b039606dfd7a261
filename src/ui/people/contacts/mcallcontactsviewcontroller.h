#ifndef MCALLCONTACTSVIEWCONTROLLER_H
#define MCALLCONTACTSVIEWCONTROLLER_H

#include "mcallentitiesviewcontroller.h"

// The contacts page's list of all contacts.
class MCAllContactsViewController : public MCAllEntitiesViewController
{
    Q_OBJECT
public:
    explicit MCAllContactsViewController(MCPeople *people, QWidget *parent = nullptr)
        : MCAllEntitiesViewController(people, MCSocialEntitiesModel::Contacts, parent)
    {
        setObjectName(QStringLiteral("allContactsController"));
    }
};

#endif // MCALLCONTACTSVIEWCONTROLLER_H
