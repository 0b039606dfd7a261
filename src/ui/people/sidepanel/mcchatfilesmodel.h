#ifndef MCCHATFILESMODEL_H
#define MCCHATFILESMODEL_H

#include "mocollaboration.h"

#include "mcsocialentity.h"
#include <QAbstractTableModel>

#include <QPointer>

// The files offered in one conversation, received and sent: the entity's collaborations as
// they change. Columns: the file's name, the other person, the date, the state's picture.
class MCChatFilesModel : public QAbstractTableModel
{
    Q_OBJECT
public:
    enum Column { Name, Person, Date, Status, ColumnCount };
    enum Role {
        ItsMeRole = Qt::UserRole + 1, // the signed-in user offered it
        PendingRole,                  // nobody has answered yet
        RevokedRole,
        RejectedRole,
        DateRole,
        PathRole, // the path to open
    };

    // ownEmail: the signed-in user's address, which tells sent files from received ones.
    MCChatFilesModel(const QString &ownEmail, QObject *parent = nullptr);

    void setEntity(MCSocialEntity *entity);
    MOCollaboration collaboration(int row) const;

    int rowCount(const QModelIndex &parent = QModelIndex()) const override;
    int columnCount(const QModelIndex &parent = QModelIndex()) const override;
    QVariant data(const QModelIndex &index, int role = Qt::DisplayRole) const override;
    QVariant headerData(int section, Qt::Orientation orientation, int role) const override;

    // The path of the offered file, or the destination chosen when it was accepted.
    static QString resourcePath(const MOCollaboration &collaboration);
    // A received file the user has not answered yet. The user's own file waiting for the other
    // side's answer is not pending: it is theirs to open.
    bool isPending(const MOCollaboration &collaboration) const;

private:
    void collaborationsChanged();
    bool itsMe(const MOCollaboration &collaboration) const;

    QString m_ownEmail;
    QPointer<MCSocialEntity> m_entity;
    QList<MOCollaboration> m_rows;
};

#endif // MCCHATFILESMODEL_H
