#ifndef MCADDPEOPLEFILTER_H
#define MCADDPEOPLEFILTER_H

#include <QSortFilterProxyModel>
#include <QStringList>

// The picker's arrangement: sorted by full name, without the excluded accounts and, while a
// search text is set, only the names that contain it regardless of case and accents.
class MCAddPeopleFilter : public QSortFilterProxyModel
{
    Q_OBJECT
public:
    explicit MCAddPeopleFilter(QObject *parent = nullptr);

    // E-mail addresses hidden whatever the search says.
    void setExcludedEmails(const QStringList &emails);
    // A null or empty text shows every name not excluded.
    void setSearchText(const QString &text);
    QString searchText() const { return m_search; }

    static QString folded(const QString &text);

protected:
    bool filterAcceptsRow(int sourceRow, const QModelIndex &sourceParent) const override;
    bool lessThan(const QModelIndex &left, const QModelIndex &right) const override;

private:
    QStringList m_excluded;
    QString m_search;
};

#endif // MCADDPEOPLEFILTER_H
