#ifndef MCNEWFILETEMPLATESMODEL_H
#define MCNEWFILETEMPLATESMODEL_H

#include <QAbstractListModel>
#include <QDateTime>
#include <QVariantList>

#include <functional>

class MCOptions;

// The New File menu's templates ("NewFileSettings": a list of {"path", "label"}), one row
// each, in the menu's order. Every change is written to the options at once. Template files
// are copies kept in the templates folder; nothing outside that folder is ever deleted, however
// the stored list names it. The label is editable.
class MCNewFileTemplatesModel : public QAbstractListModel
{
    Q_OBJECT
public:
    enum Role {
        PathRole = Qt::UserRole + 1, // the template file's full path
        SecondLineRole,              // "<extension> - <kind>"
    };

    MCNewFileTemplatesModel(MCOptions *options, const QString &templatesPath,
                            QObject *parent = nullptr);

    int rowCount(const QModelIndex &parent = QModelIndex()) const override;
    QVariant data(const QModelIndex &index, int role = Qt::DisplayRole) const override;
    QVariant headerData(int section, Qt::Orientation orientation,
                        int role = Qt::DisplayRole) const override;
    bool setData(const QModelIndex &index, const QVariant &value, int role = Qt::EditRole) override;
    Qt::ItemFlags flags(const QModelIndex &index) const override;

    QString templatesPath() const { return m_templatesPath; }
    // The stored list again (another window changed it).
    void loadNewFilesInfo();

    // Copies the local file at path into the templates folder under a name of its own and
    // inserts its entry at row; the label is "New <kind>". Answers an empty text, or why
    // nothing was added (not a local file, no extension, a folder, the copy failed).
    QString addElement(const QString &path, bool fromExternal, int row);
    // Removes the row's entries (every equal one) and their file when it lies in the
    // templates folder and no other entry uses it.
    void removeElement(int row);
    // Exchanges the row with the one above (up) or below; answers its new row, or -1 when it
    // cannot move.
    int moveUpDownElement(int row, bool up);

    // The clock that names the copies (seconds since 1 January 2001); tests set their own.
    void setClock(std::function<QDateTime()> now) { m_now = std::move(now); }

private:
    QVariantMap entry(int row) const;
    void store(const QVariantList &elements);
    bool isInsideTemplates(const QString &path) const;

    MCOptions *m_options;
    QString m_templatesPath;
    QVariantList m_elements;
    std::function<QDateTime()> m_now;
    bool m_storing = false;
};

#endif // MCNEWFILETEMPLATESMODEL_H
