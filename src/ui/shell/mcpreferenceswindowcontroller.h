#ifndef MCPREFERENCESWINDOWCONTROLLER_H
#define MCPREFERENCESWINDOWCONTROLLER_H

#include <QDialog>
#include <QIcon>

class QActionGroup;
class QStackedWidget;
class QToolBar;

// A pane of the preferences window: its page, and the toolbar item that selects it.
class MCPreferencesPane
{
public:
    virtual ~MCPreferencesPane() = default;
    virtual QWidget *paneWidget() = 0;
    virtual QString identifier() const = 0;
    virtual QIcon toolbarItemImage() const = 0;
    virtual QString toolbarItemLabel() const = 0;
};

// The preferences window: a toolbar with one item per pane and the chosen pane below it. The
// window owns its panes.
class MCPreferencesWindowController : public QDialog
{
    Q_OBJECT
public:
    MCPreferencesWindowController(const QList<MCPreferencesPane *> &panes, const QString &title,
                                  QWidget *parent = nullptr);
    ~MCPreferencesWindowController() override;

    QToolBar *toolbar() const { return m_toolbar; }
    // The pane shown.
    QString selectedIdentifier() const;

signals:
    // The window was closed; the options it changed are to be saved.
    void windowWillClose();

protected:
    void done(int result) override;

private:
    QList<MCPreferencesPane *> m_panes;
    QToolBar *m_toolbar;
    QActionGroup *m_items;
    QStackedWidget *m_stack;
};

#endif // MCPREFERENCESWINDOWCONTROLLER_H
