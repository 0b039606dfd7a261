#include "mcpreferenceswindowcontroller.h"

#include <QAction>
#include <QActionGroup>
#include <QStackedWidget>
#include <QToolBar>
#include <QVBoxLayout>

MCPreferencesWindowController::MCPreferencesWindowController(
    const QList<MCPreferencesPane *> &panes, const QString &title, QWidget *parent)
    : QDialog(parent)
    , m_panes(panes)
    , m_toolbar(new QToolBar(this))
    , m_items(new QActionGroup(this))
    , m_stack(new QStackedWidget(this))
{
    setObjectName(QStringLiteral("preferencesWindow"));
    setWindowTitle(title);
    m_toolbar->setObjectName(QStringLiteral("preferencesToolbar"));
    m_toolbar->setToolButtonStyle(Qt::ToolButtonTextUnderIcon);
    m_toolbar->setIconSize(QSize(32, 32));
    m_items->setExclusive(true);
    for (MCPreferencesPane *pane : qAsConst(m_panes)) {
        QAction *item = m_toolbar->addAction(pane->toolbarItemImage(), pane->toolbarItemLabel());
        item->setObjectName(pane->identifier());
        item->setCheckable(true);
        m_items->addAction(item);
        QWidget *page = pane->paneWidget();
        m_stack->addWidget(page);
        connect(item, &QAction::triggered, m_stack,
                [this, page] { m_stack->setCurrentWidget(page); });
    }
    if (!m_items->actions().isEmpty())
        m_items->actions().constFirst()->setChecked(true);
    auto *layout = new QVBoxLayout(this);
    layout->setContentsMargins(0, 0, 0, 0);
    layout->setSpacing(0);
    layout->setMenuBar(m_toolbar);
    layout->addWidget(m_stack);
}

MCPreferencesWindowController::~MCPreferencesWindowController()
{
    // The pages belong to the stack; the panes that are not widgets themselves go here.
    for (MCPreferencesPane *pane : qAsConst(m_panes)) {
        if (!dynamic_cast<QWidget *>(pane))
            delete pane;
    }
}

QString MCPreferencesWindowController::selectedIdentifier() const
{
    const int index = m_stack->currentIndex();
    return index >= 0 && index < m_panes.size() ? m_panes.at(index)->identifier() : QString();
}

void MCPreferencesWindowController::done(int result)
{
    // The close button, Escape and close() all end here.
    const bool wasVisible = isVisible();
    QDialog::done(result);
    if (wasVisible)
        emit windowWillClose();
}
