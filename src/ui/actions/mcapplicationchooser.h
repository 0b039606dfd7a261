#ifndef MCAPPLICATIONCHOOSER_H
#define MCAPPLICATIONCHOOSER_H

#include <QDialog>

class QDialogButtonBox;
class QLabel;
class QLineEdit;
class QListWidget;

// "Choose Application": the installed applications in a filtered list; the one chosen is
// announced by its .desktop file's path.
class MCApplicationChooser : public QDialog
{
    Q_OBJECT
public:
    explicit MCApplicationChooser(QWidget *parent = nullptr);

    void setMessage(const QString &message);
    QListWidget *applicationList() const { return m_list; }
    QLineEdit *searchField() const { return m_search; }

signals:
    void applicationChosen(const QString &desktopFilePath);

private:
    void filter(const QString &text);
    void choose();

    QLabel *m_message;
    QLineEdit *m_search;
    QListWidget *m_list;
    QDialogButtonBox *m_buttons;
};

#endif // MCAPPLICATIONCHOOSER_H
