#include "mcsidebarcontroller.h"

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
        {tr("Notifications"), QStringLiteral("messages://")},
        {tr("Console"), QStringLiteral("errors://")},
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
    if (path != QLatin1String("/"))
        m_list->item(0)->setSelected(false);
}

void MCSidebarController::checkCorrectSelection() {}
