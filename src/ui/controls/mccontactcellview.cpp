#include "mccontactcellview.h"

#include <QFrame>
#include <QHBoxLayout>
#include <QLabel>

MCContactCellView::MCContactCellView(QWidget *parent)
    : QWidget(parent)
    , m_contactName(new QLabel(this))
    , m_statusImageView(new QLabel(this))
    , m_boxImage(new QFrame(this))
{
    m_statusImageView->setFixedSize(16, 16);
    m_statusImageView->setScaledContents(true);
    m_boxImage->setFrameShape(QFrame::StyledPanel);
    m_boxImage->setFixedSize(32, 32);
    auto *layout = new QHBoxLayout(this);
    layout->setContentsMargins(4, 2, 4, 2);
    layout->addWidget(m_boxImage);
    layout->addWidget(m_contactName, 1);
    layout->addWidget(m_statusImageView);
}
