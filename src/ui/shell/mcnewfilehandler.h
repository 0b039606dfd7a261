#ifndef MCNEWFILEHANDLER_H
#define MCNEWFILEHANDLER_H

#include <QDialog>

class MCNewFileTemplatesModel;
class MCOptions;
class QDropEvent;
class QLabel;
class QMimeData;
class QToolButton;
class QTreeView;

// The window behind New File's "Customize this menu...": a one-column table of the templates in
// the menu's order under a MCNewFileHeaderCell header. A file dropped from the file manager
// becomes a template where it is dropped; the selected one can be removed, moved up or down,
// and renamed in place.
class MCNewFileHandler : public QDialog
{
    Q_OBJECT
public:
    MCNewFileHandler(MCOptions *options, const QString &templatesPath, QWidget *parent = nullptr);

    MCNewFileTemplatesModel *model() const { return m_model; }
    QTreeView *tableView() const { return m_tableView; }
    QLabel *messageField() const { return m_messageField; }
    QToolButton *removeButton() const { return m_remove; }
    QToolButton *upButton() const { return m_up; }
    QToolButton *downButton() const { return m_down; }

    // Whether data dropped from source (null: another program) is taken; the message says why
    // not. Exposed for the drop handling and its tests alike.
    bool validateDrop(const QMimeData *data, QObject *source);
    // Adds the dropped file at row (the end for -1).
    bool acceptDrop(const QMimeData *data, QObject *source, int row);

    void removeElement();
    void moveUpDownElement(bool up);

signals:
    // The window was closed: the templates it changed are to be saved.
    void windowWillClose();

protected:
    bool eventFilter(QObject *watched, QEvent *event) override;
    void done(int result) override;

private:
    int dropRow(QDropEvent *event) const;
    void setMessage(const QString &text);
    void updateButtons();

    MCNewFileTemplatesModel *m_model;
    QTreeView *m_tableView;
    QLabel *m_messageField;
    QToolButton *m_remove;
    QToolButton *m_up;
    QToolButton *m_down;
};

#endif // MCNEWFILEHANDLER_H
