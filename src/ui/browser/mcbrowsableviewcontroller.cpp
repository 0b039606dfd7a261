#include "mcbrowsableviewcontroller.h"

#include "mcabstractobjectnode.h"
#include "mcbrowsableviewshelper.h"

#include <QListWidget>
#include <QVBoxLayout>

namespace {
QPointer<MCBrowsableViewsHelper> s_helper;
}

MCBrowsableViewController::MCBrowsableViewController(QWidget *parent)
    : QWidget(parent)
    , m_list(new QListWidget(this))
{
    auto *layout = new QVBoxLayout(this);
    layout->setContentsMargins(0, 0, 0, 0);
    layout->addWidget(m_list);
    m_list->setSelectionMode(QAbstractItemView::ExtendedSelection);
    connect(m_list, &QListWidget::itemSelectionChanged, this,
            [this] { emit selectedCountChanged(m_list->selectedItems().size()); });
}

MCBrowsableViewController::~MCBrowsableViewController()
{
    if (m_currentNode)
        m_currentNode->removeObserver(this);
}

void MCBrowsableViewController::changeToPath(const QString &path, QObject *sender,
                                             CompletionBlock completion)
{
    if (s_helper)
        s_helper->changeToPath(path, sender, std::move(completion));
}

void MCBrowsableViewController::setHelper(MCBrowsableViewsHelper *helper)
{
    s_helper = helper;
}

MCBrowsableViewsHelper *MCBrowsableViewController::helper()
{
    return s_helper;
}

void MCBrowsableViewController::setCurrentNode(const MCNodePtr &node)
{
    if (m_currentNode == node)
        return;
    if (m_currentNode)
        m_currentNode->removeObserver(this);
    m_currentNode = node;
    if (node)
        node->addObserver(this);
    reload();
}

void MCBrowsableViewController::nodeChildrenReady(MCAbstractObjectNode *)
{
    reload();
}

MCNodeList MCBrowsableViewController::getSelectedItems() const
{
    MCNodeList selected;
    if (!m_currentNode)
        return selected;
    const MCNodeList &children = m_shown;
    for (QListWidgetItem *item : m_list->selectedItems()) {
        const int row = m_list->row(item);
        if (row >= 0 && row < children.size())
            selected.append(children.at(row));
    }
    return selected;
}

void MCBrowsableViewController::preserveSelection(const MCNodeList &nodes)
{
    if (!m_currentNode)
        return;
    const MCNodeList &children = m_shown;
    for (int row = 0; row < children.size(); ++row) {
        bool wanted = false;
        for (const MCNodePtr &node : nodes)
            wanted |= children.at(row)->isEqual(node.data());
        m_list->item(row)->setSelected(wanted);
    }
}

QWidget *MCBrowsableViewController::firstResponder() const
{
    return m_list;
}

QStringList MCBrowsableViewController::shownNames() const
{
    QStringList names;
    for (int row = 0; row < m_list->count(); ++row)
        names.append(m_list->item(row)->text());
    return names;
}

void MCBrowsableViewController::showEvent(QShowEvent *event)
{
    QWidget::showEvent(event);
    if (m_reloadWhenShown)
        reload();
}

void MCBrowsableViewController::reload()
{
    // A hidden view catches up when it is shown: only one of the three is visible.
    m_reloadWhenShown = !isVisible();
    if (m_reloadWhenShown)
        return;
    m_list->clear();
    m_shown.clear();
    if (!m_currentNode)
        return;
    // One batch: a large folder must not make the list relayout per row.
    m_list->setUpdatesEnabled(false);
    const bool hideHidden = m_currentNode->hideHiddenFiles();
    for (const MCNodePtr &child : m_currentNode->children()) {
        if (hideHidden && child->fileName().startsWith(QLatin1Char('.')))
            continue;
        m_shown.append(child);
        m_list->addItem(new QListWidgetItem(child->fileIcon(), child->fileName()));
    }
    m_list->setUpdatesEnabled(true);
}
