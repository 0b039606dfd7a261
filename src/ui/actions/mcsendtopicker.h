#ifndef MCSENDTOPICKER_H
#define MCSENDTOPICKER_H

#include <QDialog>
#include <QList>
#include <QPair>
#include <QPointer>

class MCSocialEntity;
class QLineEdit;
class QListView;
class QPushButton;
class QSortFilterProxyModel;
class QStandardItemModel;

// Every contact or group a Send to submenu has no room for: a list that scrolls, narrowed by a
// search field, each name plain text. Return, a double-click or Send chooses the current row.
class MCSendToPicker : public QDialog
{
    Q_OBJECT
public:
    explicit MCSendToPicker(const QString &title, QWidget *parent = nullptr);

    // The rows, in the order given, each named by its (service) name; the search is emptied.
    void setEntities(const QList<QPair<QString, MCSocialEntity *>> &entities);

    // A name as a row or a menu item shows it: plain, one line, cut with "..." to about 40
    // characters (a third of widget's screen at most).
    static QString shownName(const QString &name, const QWidget *widget);

    QLineEdit *searchField() const { return m_searchField; }
    QListView *listView() const { return m_listView; }

signals:
    // entity was chosen; the picker has closed.
    void entityChosen(MCSocialEntity *entity);

protected:
    void showEvent(QShowEvent *event) override;

private:
    void searchChanged(const QString &text);
    void chooseCurrent();

    QList<QPointer<MCSocialEntity>> m_entities;
    QStandardItemModel *m_model;
    QSortFilterProxyModel *m_filter;
    QLineEdit *m_searchField;
    QListView *m_listView;
    QPushButton *m_buttonSend;
};

#endif // MCSENDTOPICKER_H
