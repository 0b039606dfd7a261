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
    void deselectItemIfNecessary(const QString &path);
    void checkCorrectSelection();

signals:
    // A row was chosen: "home" or a page's pseudo-URL.
    void placeChosen(const QString &place);

private:
    QListWidget *m_list;
    bool m_selectionDisabled = true;
};

#endif // MCSIDEBARCONTROLLER_H
