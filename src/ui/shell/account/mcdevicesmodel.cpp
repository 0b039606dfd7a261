#include "mcdevicesmodel.h"

#include <QIcon>
#include <QLocale>

MCDevicesModel::MCDevicesModel(QObject *parent)
    : QAbstractTableModel(parent)
{}

void MCDevicesModel::setDevices(const QList<MODevice> &devices)
{
    beginResetModel();
    m_devices = devices;
    endResetModel();
}

int MCDevicesModel::rowCount(const QModelIndex &parent) const
{
    return parent.isValid() ? 0 : m_devices.size();
}

int MCDevicesModel::columnCount(const QModelIndex &parent) const
{
    return parent.isValid() ? 0 : ColumnCount;
}

QVariant MCDevicesModel::data(const QModelIndex &index, int role) const
{
    if (!index.isValid() || index.row() >= m_devices.size())
        return QVariant();
    const MODevice &device = m_devices.at(index.row());
    const QLocale locale;
    switch (role) {
    case Qt::DisplayRole:
        if (index.column() == ComputerName)
            return device.name().isEmpty() ? tr("Unnamed computer") : device.name();
        if (index.column() == MostRecentActivity)
            return device.lastActivity().isValid()
                       ? locale.toString(device.lastActivity().toLocalTime(), QLocale::ShortFormat)
                       : QString();
        // The service does not say where a device is.
        return QString();
    case Qt::DecorationRole:
        if (index.column() == ComputerName)
            return QIcon::fromTheme(QStringLiteral("computer"));
        return QVariant();
    case Qt::ToolTipRole:
        if (index.column() == MostRecentActivity && device.createdAt().isValid())
            return tr("First seen %1")
                .arg(locale.toString(device.createdAt().toLocalTime(), QLocale::ShortFormat));
        return QVariant();
    default:
        return QVariant();
    }
}

QVariant MCDevicesModel::headerData(int section, Qt::Orientation orientation, int role) const
{
    if (orientation != Qt::Horizontal || role != Qt::DisplayRole)
        return QVariant();
    switch (section) {
    case ComputerName:
        return tr("Computer");
    case MostRecentActivity:
        return tr("Most recent activity");
    case Country:
        return tr("Country");
    default:
        return QVariant();
    }
}
