#ifndef MCSIDEBARCONTROLLER_H
#define MCSIDEBARCONTROLLER_H

#include <QWidget>

class QListWidget;

// The main window's left pane: the home folder and the pages. This one only lists them; the
// sidebar proper (contacts, groups, counters) replaces it.
class MCSidebarController : public QWidget
{
    Q_OBJECT
public:
    explicit MCSidebarController(QWidget *parent = nullptr);

    bool selectionDisabled() const { return m_selectionDisabled; }
    void setSelectionDisabled(bool disabled);
    void updateContactsList();
    // The browser went to path: the home row loses its selection away from "/".
    void deselectItemIfNecessary(const QString &path);
    // After a page switch: the row of the page shown (of the home folder when the browser
    // shows "/") becomes the only selected one; none for anything else.
    void checkCorrectSelection();

signals:
    // A row was chosen: "home" or a page's pseudo-URL.
    void placeChosen(const QString &place);

private:
    QListWidget *m_list;
    bool m_selectionDisabled = true;
};

#endif // MCSIDEBARCONTROLLER_H
