#include "mcspacebox.h"

#include <cmath>

namespace {

constexpr int barHeight = 23;

QFrame *makeBar(QWidget *parent, const QColor &color)
{
    auto *bar = new QFrame(parent);
    bar->setAutoFillBackground(true);
    QPalette palette = bar->palette();
    palette.setColor(QPalette::Window, color);
    bar->setPalette(palette);
    return bar;
}

} // namespace

MCSpaceBox::MCSpaceBox(QWidget *parent)
    : QFrame(parent)
    , m_boxUsedSpace(makeBar(this, QColor(0x1F, 0x6F, 0xD1)))
    , m_boxSharedSpace(makeBar(this, QColor(0xFF, 0x80, 0x00)))
{
    setFrameShape(QFrame::Box);
    setMinimumHeight(barHeight + 2);
    layoutBars();
}

void MCSpaceBox::setAccountSpace(qint64 account, qint64 used, qint64 shared)
{
    m_accountSpace = double(account);
    m_usedSpace = double(used);
    m_sharedSpace = double(shared);
    layoutBars();
}

void MCSpaceBox::resizeEvent(QResizeEvent *event)
{
    QFrame::resizeEvent(event);
    layoutBars();
}

void MCSpaceBox::layoutBars()
{
    const double track = qMax(0, width() - 2);
    double usedWidth = 0;
    double sharedWidth = 0;
    if (m_accountSpace > 0) {
        usedWidth = qBound(0.0, std::ceil(m_usedSpace * track / m_accountSpace), track);
        sharedWidth =
            qBound(0.0, std::ceil(track * m_sharedSpace / m_accountSpace), track - usedWidth);
    }
    m_boxUsedSpace->setGeometry(1, 1, int(usedWidth), barHeight);
    m_boxSharedSpace->setGeometry(int(usedWidth) + 1, 1, int(sharedWidth), barHeight);
    m_boxUsedSpace->setVisible(usedWidth > 0);
    m_boxSharedSpace->setVisible(sharedWidth > 0);
}
