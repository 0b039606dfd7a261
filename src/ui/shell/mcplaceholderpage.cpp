#include "mcplaceholderpage.h"

#include <QLabel>
#include <QVBoxLayout>

MCPlaceholderPage::MCPlaceholderPage(const QString &title, const QString &caption, QWidget *parent)
    : QWidget(parent)
    , m_title(title)
{
    setObjectName(title);
    auto *layout = new QVBoxLayout(this);
    auto *label = new QLabel(caption, this);
    label->setAlignment(Qt::AlignCenter);
    layout->addWidget(label);
}
