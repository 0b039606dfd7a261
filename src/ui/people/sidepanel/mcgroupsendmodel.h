#ifndef MCGROUPSENDMODEL_H
#define MCGROUPSENDMODEL_H

#include "mouseraccount.h"

#include <QAbstractTableModel>
#include <QList>
#include <QPointer>

class MCChatCollaborationEntry;
class MCChatSupport;
class MCGroup;

// The answers of the members of a group to a file the user sent them: one row per member
// (the user left out), with the member's picture, the answer's image and its text. The rows
// follow the entry's recorded answers.
class MCGroupSendModel : public QAbstractTableModel
{
    Q_OBJECT
public:
    enum Column { User, Status, Info, ColumnCount };
    enum Role { EmailRole = Qt::UserRole + 1, StatusImageRole };

    // support gives the people met by e-mail; myEmail is the signed-in user's address.
    MCGroupSendModel(MCChatSupport &support, const QString &myEmail, QObject *parent = nullptr);

    void setGroup(MCGroup *group);
    void setEntry(MCChatCollaborationEntry *entry);
    QList<MOUserAccount> elements() const { return m_elements; }

    int rowCount(const QModelIndex &parent = QModelIndex()) const override;
    int columnCount(const QModelIndex &parent = QModelIndex()) const override;
    QVariant headerData(int section, Qt::Orientation orientation,
                        int role = Qt::DisplayRole) const override;
    QVariant data(const QModelIndex &index, int role = Qt::DisplayRole) const override;

private:
    void reload();
    // The member's answer: {"accepted"|"rejected"|other: date}; empty when none yet.
    QVariantMap answerOf(const QString &email) const;

    MCChatSupport &m_support;
    QString m_myEmail;
    QPointer<MCGroup> m_group;
    QPointer<MCChatCollaborationEntry> m_entry;
    QList<MOUserAccount> m_elements;
};

#endif // MCGROUPSENDMODEL_H
