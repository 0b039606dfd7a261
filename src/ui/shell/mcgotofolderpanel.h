#ifndef MCGOTOFOLDERPANEL_H
#define MCGOTOFOLDERPANEL_H

#include <QDialog>

class QLabel;
class QLineEdit;
class QPushButton;
class YRKSpinningProgressIndicator;

// The Go to Folder sheet: a folder path typed by the user, a Go button, a spinner while the
// folder is looked for and the text that says it was not found. The sheet only asks; the
// application delegate looks the folder up and closes the sheet when it is found.
class MCGoToFolderPanel : public QDialog
{
    Q_OBJECT
public:
    explicit MCGoToFolderPanel(QWidget *parent = nullptr);

    QLineEdit *panelInputTextField() const { return m_input; }
    QLabel *panelTextStatic() const { return m_notFound; }
    QPushButton *panelButtonGo() const { return m_go; }
    YRKSpinningProgressIndicator *loadingSpin() const { return m_spinner; }

    // Opens the sheet on its window with the not-found text hidden.
    void begin();
    // The folder was looked for: not found shows the text; the spinner stops either way.
    void showNotFound();
    void setSearching(bool searching);
    bool isSearching() const { return m_searching; }

signals:
    // Go was chosen with this text.
    void goRequested(const QString &text);

private:
    QLineEdit *m_input;
    QLabel *m_notFound;
    QPushButton *m_go;
    YRKSpinningProgressIndicator *m_spinner;
    bool m_searching = false;
};

#endif // MCGOTOFOLDERPANEL_H
