#ifndef MCDEVICESMODEL_H
#define MCDEVICESMODEL_H

#include "modevice.h"

#include <QAbstractTableModel>
#include <QList>

// The rows of the account page's devices table: one per device the service knows for the
// user, the one seen most recently first.
class MCDevicesModel : public QAbstractTableModel
{
    Q_OBJECT
public:
    enum Column { ComputerName, MostRecentActivity, Country, ColumnCount };

    explicit MCDevicesModel(QObject *parent = nullptr);

    void setDevices(const QList<MODevice> &devices);
    QList<MODevice> devices() const { return m_devices; }

    int rowCount(const QModelIndex &parent = QModelIndex()) const override;
    int columnCount(const QModelIndex &parent = QModelIndex()) const override;
    QVariant data(const QModelIndex &index, int role = Qt::DisplayRole) const override;
    QVariant headerData(int section, Qt::Orientation orientation,
                        int role = Qt::DisplayRole) const override;

private:
    QList<MODevice> m_devices;
};

#endif // MCDEVICESMODEL_H
