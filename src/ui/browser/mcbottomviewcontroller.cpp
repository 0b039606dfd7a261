#include "mcbottomviewcontroller.h"

#include "mouseraccount.h"

#include <QHBoxLayout>
#include <QLabel>
#include <QLocale>
#include <QToolButton>

MCBottomViewController::MCBottomViewController(QWidget *parent)
    : QWidget(parent)
    , m_username(new QToolButton(this))
    , m_info(new QLabel(this))
    , m_space(new QLabel(this))
{
    setFixedHeight(24);
    m_username->setObjectName(QStringLiteral("popupUsername"));
    m_username->setAutoRaise(true);
    auto *layout = new QHBoxLayout(this);
    layout->setContentsMargins(6, 0, 6, 0);
    layout->addWidget(m_username);
    layout->addStretch();
    layout->addWidget(m_info);
    layout->addStretch();
    layout->addWidget(m_space);
}

void MCBottomViewController::setAccount(const MOUserAccount &account)
{
    const QLocale locale;
    m_space->setText(
        tr("%1 of %2 used")
            .arg(locale.formattedDataSize(account.usedSize(), 1, QLocale::DataSizeSIFormat),
                 locale.formattedDataSize(account.totalSize(), 1, QLocale::DataSizeSIFormat)));
}

void MCBottomViewController::setSelectedCount(qint64 count)
{
    m_selected = count;
    updateInfo();
}

void MCBottomViewController::setTotalCount(qint64 count)
{
    m_total = count;
    updateInfo();
}

void MCBottomViewController::updateInfo()
{
    m_info->setText(m_selected > 0 ? tr("%1 of %2 selected").arg(m_selected).arg(m_total)
                                   : tr("%n item(s)", nullptr, int(m_total)));
}
