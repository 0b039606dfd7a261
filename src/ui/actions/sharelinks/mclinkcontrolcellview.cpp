#include "mclinkcontrolcellview.h"

#include "kbbutton.h"

#include <QHBoxLayout>

MCLinkControlCellView::MCLinkControlCellView(QWidget *parent)
    : QWidget(parent)
    , m_buttonRevoke(new KBButton(tr("Revoke"), this))
{
    m_buttonRevoke->setObjectName(QStringLiteral("buttonRevoke"));
    m_buttonRevoke->setKBButtonType(0);
    auto *layout = new QHBoxLayout(this);
    layout->setContentsMargins(4, 4, 4, 4);
    layout->addWidget(m_buttonRevoke);
}
