#ifndef MCOPERATIONSFILTERMODEL_H
#define MCOPERATIONSFILTERMODEL_H

#include <QSortFilterProxyModel>

// The rows of the transfers page as the table shows them: newest first (by the date each row
// was added), filtered by the page's segment.
class MCOperationsFilterModel : public QSortFilterProxyModel
{
    Q_OBJECT
public:
    enum Segment { Transfers = 0, Downloads = 1, Uploads = 2, AllOperations = 3 };

    explicit MCOperationsFilterModel(QObject *parent = nullptr);

    int segment() const { return m_segment; }
    // Any value but 0 to 2 shows every row.
    void setSegment(int segment);
    // The title of the filter: "Downloads and Uploads", "Downloads", ...
    static QString titleForSegment(int segment);

protected:
    bool filterAcceptsRow(int sourceRow, const QModelIndex &sourceParent) const override;
    bool lessThan(const QModelIndex &left, const QModelIndex &right) const override;

private:
    int m_segment = Transfers;
};

#endif // MCOPERATIONSFILTERMODEL_H
