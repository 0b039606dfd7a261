#ifndef MCALLCONTACTSVIEWCONTROLLER_H
#define MCALLCONTACTSVIEWCONTROLLER_H

#include "mcallentitiesviewcontroller.h"

// The contacts page's list of all contacts.
class MCAllContactsViewController : public MCAllEntitiesViewController
{
    Q_OBJECT
public:
    explicit MCAllContactsViewController(MCHub *hub, QWidget *parent = nullptr)
        : MCAllEntitiesViewController(hub, MCSocialEntitiesModel::Contacts, parent)
    {
        setObjectName(QStringLiteral("allContactsController"));
    }
};

#endif // MCALLCONTACTSVIEWCONTROLLER_H
