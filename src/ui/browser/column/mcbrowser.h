#ifndef MCBROWSER_H
#define MCBROWSER_H

#include <QColumnView>

// The column view's browser: each column it opens is set up as the first one is (the keys
// that name and open items, the context menu), and it tells when it opened one, so that the
// controller can size the columns.
class MCBrowser : public QColumnView
{
    Q_OBJECT
public:
    explicit MCBrowser(QWidget *parent = nullptr);

    // Places the columns again after their widths were set.
    void layOutColumns();

signals:
    void columnCreated(QAbstractItemView *column);

protected:
    QAbstractItemView *createColumn(const QModelIndex &rootIndex) override;
};

#endif // MCBROWSER_H
