#ifndef MCERRORSFILTERMODEL_H
#define MCERRORSFILTERMODEL_H

#include <QSortFilterProxyModel>

// The errors page's entries that pass its filter, in arrival order.
class MCErrorsFilterModel : public QSortFilterProxyModel
{
    Q_OBJECT
public:
    enum Segment { Errors = 0, Warnings = 1, Information = 2, All = 3 };

    explicit MCErrorsFilterModel(QObject *parent = nullptr);

    int segment() const { return m_segment; }
    // Any value but 0 to 2 shows every entry.
    void setSegment(int segment);

protected:
    bool filterAcceptsRow(int sourceRow, const QModelIndex &sourceParent) const override;

private:
    int m_segment = All;
};

#endif // MCERRORSFILTERMODEL_H
