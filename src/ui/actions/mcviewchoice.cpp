#include "mcviewchoice.h"

#include <QAction>
#include <QActionGroup>
#include <QMenu>

MCViewChoice::MCViewChoice(QMenu *menu, bool withKeys)
    : QObject(menu)
    , m_group(new QActionGroup(this))
{
    const struct
    {
        const char *title;
        const char *name;
        Qt::Key key;
    } views[] = {{QT_TR_NOOP("as Icons"), "menuItemAsIcons", Qt::Key_1},
                 {QT_TR_NOOP("as List"), "menuItemAsList", Qt::Key_2},
                 {QT_TR_NOOP("as Columns"), "menuItemAsColumns", Qt::Key_3}};
    for (int view = 0; view < 3; ++view) {
        QAction *item = menu->addAction(tr(views[view].title));
        item->setObjectName(QLatin1String(views[view].name));
        item->setCheckable(true);
        item->setData(view);
        if (withKeys)
            item->setShortcut(QKeySequence(Qt::CTRL | views[view].key));
        m_group->addAction(item);
        connect(item, &QAction::triggered, this, [this, view] { emit viewChosen(view); });
    }
    m_group->actions().first()->setChecked(true);
    menu->addSeparator();
    m_viewOptions = menu->addAction(tr("Show View Options"));
    m_viewOptions->setObjectName(QStringLiteral("menuItemViewOptions"));
    if (withKeys)
        m_viewOptions->setShortcut(QKeySequence(Qt::CTRL | Qt::Key_J));
    connect(m_viewOptions, &QAction::triggered, this, &MCViewChoice::viewOptionsRequested);
}

QAction *MCViewChoice::item(int view) const
{
    return m_group->actions().value(view);
}

void MCViewChoice::updateViewSelection(int view)
{
    for (QAction *item : m_group->actions())
        item->setChecked(item->data().toInt() == view);
}

void MCViewChoice::setViewOptionsShown(bool shown)
{
    m_viewOptions->setText(shown ? tr("Hide View Options") : tr("Show View Options"));
}

void MCViewChoice::setEnabled(bool enabled)
{
    m_group->setEnabled(enabled);
    m_viewOptions->setEnabled(enabled);
}
