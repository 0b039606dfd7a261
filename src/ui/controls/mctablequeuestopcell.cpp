#include "mctablequeuestopcell.h"

#include "mcbutton.h"

#include <QHBoxLayout>

MCTableQueueStopCell::MCTableQueueStopCell(QWidget *parent)
    : QWidget(parent)
    , m_buttonPause(new MCButton(this))
    , m_buttonAbort(new MCButton(this))
{
    m_buttonPause->setObjectName(QStringLiteral("buttonPause"));
    m_buttonAbort->setObjectName(QStringLiteral("buttonAbort"));
    auto *layout = new QHBoxLayout(this);
    layout->setContentsMargins(2, 0, 2, 0);
    layout->setSpacing(4);
    layout->addWidget(m_buttonPause);
    layout->addWidget(m_buttonAbort);
    layout->addStretch();
}
