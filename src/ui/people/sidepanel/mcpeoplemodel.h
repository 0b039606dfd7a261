#ifndef MCPEOPLEMODEL_H
#define MCPEOPLEMODEL_H

#include <QAbstractTableModel>
#include <QList>
#include <QPointer>

class MCContact;

// People listed by the side panel: presence dot and name (plain text) with the picture.
class MCPeopleModel : public QAbstractTableModel
{
    Q_OBJECT
public:
    enum Column { Status, People, ColumnCount };
    enum Role { EmailRole = Qt::UserRole + 1 };

    explicit MCPeopleModel(QObject *parent = nullptr);

    QList<MCContact *> people() const;
    void setPeople(const QList<MCContact *> &people);
    MCContact *contact(int row) const;

    int rowCount(const QModelIndex &parent = QModelIndex()) const override;
    int columnCount(const QModelIndex &parent = QModelIndex()) const override;
    QVariant data(const QModelIndex &index, int role = Qt::DisplayRole) const override;

private:
    void contactChanged();

    QList<QPointer<MCContact>> m_people;
};

#endif // MCPEOPLEMODEL_H
