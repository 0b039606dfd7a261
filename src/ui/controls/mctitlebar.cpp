#include "mctitlebar.h"

#include <QToolButton>

MCTitleBar::MCTitleBar(QWidget *parent)
    : QWidget(parent)
{
    setObjectName(QStringLiteral("titleBar"));
    setFixedHeight(30);
}

void MCTitleBar::addToTitleBar(QWidget *view, int x)
{
    place(view, x, 0);
}

void MCTitleBar::addViewToTitleBar(QWidget *view, int x)
{
    const auto *button = qobject_cast<QToolButton *>(view);
    const bool withMenu = button && button->popupMode() != QToolButton::DelayedPopup;
    place(view, x, withMenu ? 4 : 2);
}

void MCTitleBar::moveView(QWidget *view, int x)
{
    const auto found = m_placements.constFind(view);
    place(view, x, found == m_placements.constEnd() ? 0 : found->lowering);
}

bool MCTitleBar::isAnchoredRight(QWidget *view) const
{
    return m_placements.value(view).anchoredRight;
}

void MCTitleBar::place(QWidget *view, int x, int lowering)
{
    if (!view)
        return;
    if (view->parentWidget() != this) {
        view->setParent(this);
        connect(view, &QObject::destroyed, this, [this, view] { m_placements.remove(view); });
    }
    Placement placement;
    placement.lowering = lowering;
    placement.anchoredRight = x > width() / 2;
    placement.distance = placement.anchoredRight ? width() - x : x;
    m_placements.insert(view, placement);
    layoutView(view, placement);
    view->show();
}

void MCTitleBar::layoutView(QWidget *view, const Placement &placement)
{
    const int x = placement.anchoredRight ? width() - placement.distance : placement.distance;
    const int viewWidth = view->width() > 0 ? view->width() : view->sizeHint().width();
    view->setGeometry(x, placement.lowering, viewWidth, height() - placement.lowering);
}

void MCTitleBar::resizeEvent(QResizeEvent *event)
{
    QWidget::resizeEvent(event);
    for (auto it = m_placements.constBegin(); it != m_placements.constEnd(); ++it)
        layoutView(it.key(), it.value());
}
