#ifndef MCBROWSERCOLUMN_H
#define MCBROWSERCOLUMN_H

#include <QListView>

// One column of the column view. The browser hands its selection model from column to column
// when a move to another column ends, a moment after the row was chosen; a name edit begun on
// the row meanwhile (a new folder's) stays open through that hand-over, as it would were the
// move instant.
class MCBrowserColumn : public QListView
{
    Q_OBJECT
public:
    explicit MCBrowserColumn(QWidget *parent = nullptr);

    void setSelectionModel(QItemSelectionModel *selectionModel) override;

protected slots:
    void commitData(QWidget *editor) override;
    void closeEditor(QWidget *editor, QAbstractItemDelegate::EndEditHint hint) override;

private:
    bool m_handingOver = false;
};

#endif // MCBROWSERCOLUMN_H
