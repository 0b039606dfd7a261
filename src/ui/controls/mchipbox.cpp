#include "mchipbox.h"

#include "mccolor.h"

#include <QLabel>
#include <QMouseEvent>
#include <QVBoxLayout>

MCHipBox::MCHipBox(const QString &title, QWidget *parent)
    : QFrame(parent)
    , m_label(new QLabel(title, this))
    , m_boxSelection(new QFrame(this))
{
    m_label->setAlignment(Qt::AlignCenter);
    m_boxSelection->setFixedHeight(3);
    m_boxSelection->setAutoFillBackground(true);
    auto *layout = new QVBoxLayout(this);
    layout->setContentsMargins(4, 4, 4, 0);
    layout->setSpacing(2);
    layout->addWidget(m_label);
    layout->addWidget(m_boxSelection);
    fill(MCColor::mercury());
}

QColor MCHipBox::selectionColor() const
{
    return m_boxSelection->palette().color(QPalette::Window);
}

void MCHipBox::fill(const QColor &color)
{
    QPalette palette = m_boxSelection->palette();
    palette.setColor(QPalette::Window, color);
    m_boxSelection->setPalette(palette);
}

void MCHipBox::setSelected(bool selected)
{
    m_selected = selected;
    QFont font = m_label->font();
    font.setBold(selected);
    m_label->setFont(font);
    fill(selected ? MCColor::tangerine() : MCColor::mercury());
}

void MCHipBox::enterEvent(QEvent *event)
{
    QFrame::enterEvent(event);
    if (!m_selected)
        fill(MCColor::cantaloupe());
}

void MCHipBox::leaveEvent(QEvent *event)
{
    QFrame::leaveEvent(event);
    if (!m_selected)
        fill(MCColor::mercury());
}

void MCHipBox::mouseReleaseEvent(QMouseEvent *event)
{
    QFrame::mouseReleaseEvent(event);
    if (rect().contains(event->pos()))
        emit menuClicked(this);
}
