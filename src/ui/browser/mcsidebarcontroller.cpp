#include "mcsidebarcontroller.h"

#include "mcbrowsableviewcontroller.h"
#include "mcmanager.h"

#include <QListWidget>
#include <QVBoxLayout>

MCSidebarController::MCSidebarController(QWidget *parent)
    : QWidget(parent)
    , m_list(new QListWidget(this))
{
    auto *layout = new QVBoxLayout(this);
    layout->setContentsMargins(0, 0, 0, 0);
    layout->addWidget(m_list);
    const QList<QPair<QString, QString>> rows = {
        {tr("Kerlo Home"), QStringLiteral("home")},
        {tr("Transfers"), QStringLiteral("transfers://")},
        {tr("Share Links"), QStringLiteral("links://")},
        {tr("Notifications"), QStringLiteral("messages://")},
        {tr("Console"), QStringLiteral("errors://")},
        {tr("Account"), QStringLiteral("account://")},
    };
    for (const auto &row : rows) {
        auto *item = new QListWidgetItem(row.first, m_list);
        item->setData(Qt::UserRole, row.second);
    }
    m_list->setEnabled(false);
    // One click chooses a row, as in a file manager's places; Return does it from the keyboard.
    // A repeated choice of the shown place changes nothing.
    const auto choose = [this](QListWidgetItem *item) {
        if (!m_selectionDisabled)
            emit placeChosen(item->data(Qt::UserRole).toString());
    };
    connect(m_list, &QListWidget::itemClicked, this, choose);
    connect(m_list, &QListWidget::itemActivated, this, choose);
}

void MCSidebarController::setSelectionDisabled(bool disabled)
{
    m_selectionDisabled = disabled;
    m_list->setEnabled(!disabled);
}

void MCSidebarController::updateContactsList() {}

void MCSidebarController::deselectItemIfNecessary(const QString &path)
{
    QListWidgetItem *home = m_list->item(0);
    if (home->isSelected() && path != QLatin1String("/"))
        home->setSelected(false);
}

void MCSidebarController::checkCorrectSelection()
{
    const MCManager *hub = MCManager::sharedManager();
    const QString location = hub->notBrowsablePath();
    // A page no row stands for, but that is reached from one (a new group's form): as it was.
    if (location == QLatin1String("addgroup://"))
        return;
    QString place = location;
    // The browser: its row at "/", or when just chosen (the change to "/" is under way).
    if (location.isEmpty())
        place = hub->currentPath() == QLatin1String("/") || m_list->item(0)->isSelected()
                    ? QStringLiteral("home")
                    : QString();
    QListWidgetItem *row = nullptr;
    for (int i = 0; i < m_list->count() && !place.isEmpty(); ++i) {
        if (m_list->item(i)->data(Qt::UserRole).toString() == place)
            row = m_list->item(i);
    }
    // The row of what is shown, and no other.
    m_list->clearSelection();
    if (row) {
        row->setSelected(true);
        m_list->setCurrentItem(row, QItemSelectionModel::NoUpdate);
    }
}
