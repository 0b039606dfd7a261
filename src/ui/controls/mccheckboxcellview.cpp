#include "mccheckboxcellview.h"

#include <QCheckBox>
#include <QHBoxLayout>

MCCheckboxCellView::MCCheckboxCellView(QWidget *parent)
    : QWidget(parent)
    , m_buttonCheckBox(new QCheckBox(this))
{
    m_buttonCheckBox->setObjectName(QStringLiteral("buttonCheckBox"));
    auto *layout = new QHBoxLayout(this);
    layout->setContentsMargins(4, 0, 4, 0);
    layout->addWidget(m_buttonCheckBox);
}
