#ifndef MCCHATLINKSMODEL_H
#define MCCHATLINKSMODEL_H

#include "mcchatlink.h"

#include "mcsocialentity.h"
#include <QAbstractTableModel>

#include <QPointer>

// The links written in one conversation, oldest first, found again whenever the conversation
// gets messages. Only the newest maximumRows are kept: a long chat does not grow the side
// panel without end. Columns: the link, who wrote it, when; UrlRole holds the address.
class MCChatLinksModel : public QAbstractTableModel
{
    Q_OBJECT
public:
    enum Column { Link, Contact, Date, ColumnCount };
    enum Role { UrlRole = Qt::UserRole + 1, SentAtRole };
    static constexpr int maximumRows = 500;

    explicit MCChatLinksModel(QObject *parent = nullptr);

    MCSocialEntity *entity() const { return m_entity; }
    void setEntity(MCSocialEntity *entity);
    QList<MCChatLink> links() const { return m_links; }

    int rowCount(const QModelIndex &parent = QModelIndex()) const override;
    int columnCount(const QModelIndex &parent = QModelIndex()) const override;
    QVariant data(const QModelIndex &index, int role = Qt::DisplayRole) const override;
    QVariant headerData(int section, Qt::Orientation orientation, int role) const override;

    // The link as a row shows it: one line, readable in order.
    static QString linkText(const QUrl &url);

private:
    void conversationChanged();

    QPointer<MCSocialEntity> m_entity;
    QList<MCChatLink> m_links;
};

#endif // MCCHATLINKSMODEL_H
