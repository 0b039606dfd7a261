#ifndef MCCHATFILESFILTER_H
#define MCCHATFILESFILTER_H

#include <QSortFilterProxyModel>

// Which of a conversation's files the side panel lists, newest first: received ones, sent
// ones, pending ones, as chosen. Revoked and rejected files are never listed.
class MCChatFilesFilter : public QSortFilterProxyModel
{
    Q_OBJECT
public:
    // The filter menu's items by tag.
    enum Kind { Received = 0, Sent = 1, Pending = 2 };

    explicit MCChatFilesFilter(QObject *parent = nullptr);

    bool shows(Kind kind) const;
    void setShows(Kind kind, bool shown);

protected:
    bool filterAcceptsRow(int sourceRow, const QModelIndex &sourceParent) const override;
    bool lessThan(const QModelIndex &left, const QModelIndex &right) const override;

private:
    bool m_shows[3] = {true, false, true};
};

#endif // MCCHATFILESFILTER_H
