#ifndef MCERRORSMODEL_H
#define MCERRORSMODEL_H

#include "mopostednotification.h"

#include <QAbstractTableModel>
#include <QDateTime>

#include <deque>

class Clock;
class MONotificationCenter;

// The core's messages for the user ("MONotification") in arrival order, with the date each
// arrived: the rows of the errors page. The list is bounded: past maximumCount() the oldest
// entries go, so that a long session full of failures does not grow without end.
class MCErrorsModel : public QAbstractTableModel
{
    Q_OBJECT
public:
    enum Column { DateColumn, TypeColumn, ErrorColumn, ColumnCount };
    enum Role { TypeRole = Qt::UserRole + 1, DateRole };
    static constexpr int DefaultMaximumCount = 5000;

    // center: where "MONotification" is posted (the notification manager's); clock
    // (optional, else the system's) dates the entries.
    MCErrorsModel(MONotificationCenter *center, Clock *clock, QObject *parent = nullptr);

    int rowCount(const QModelIndex &parent = QModelIndex()) const override;
    int columnCount(const QModelIndex &parent = QModelIndex()) const override;
    QVariant data(const QModelIndex &index, int role = Qt::DisplayRole) const override;
    QVariant headerData(int section, Qt::Orientation orientation,
                        int role = Qt::DisplayRole) const override;

    int maximumCount() const { return m_maximumCount; }
    // Drops the oldest entries beyond count at once.
    void setMaximumCount(int count);

    void addError(const MOPostedNotification &notification);

    // "Invalid", "Information", "Warning", "Error".
    static QString typeName(quint64 type);
    // The name of an object action ("UploadAction"); the number for one without a name.
    static QString actionName(qint64 action);

private:
    struct Entry
    {
        QDateTime date;
        quint64 type;
        QString text; // the "Error" column
    };
    void trim();

    Clock *m_clock;
    std::deque<Entry> m_errors;
    int m_maximumCount = DefaultMaximumCount;
};

#endif // MCERRORSMODEL_H
