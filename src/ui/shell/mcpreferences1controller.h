#ifndef MCPREFERENCES1CONTROLLER_H
#define MCPREFERENCES1CONTROLLER_H

#include "mcpreferenceswindowcontroller.h"

#include <QWidget>

class Autostart;
class MCOptions;
class QCheckBox;
class QLabel;

// The General pane of the preferences: five check boxes over the application's options. A
// change reaches the options at once; start at login also adds or removes the desktop's
// autostart entry, and its box shows that entry rather than the stored option.
class MCPreferences1Controller
    : public QWidget
    , public MCPreferencesPane
{
    Q_OBJECT
public:
    MCPreferences1Controller(MCOptions *options, Autostart *autostart, QWidget *parent = nullptr);

    // MCPreferencesPane
    QWidget *paneWidget() override { return this; }
    QString identifier() const override;
    QIcon toolbarItemImage() const override;
    QString toolbarItemLabel() const override;

    // Sets the boxes from the options and the autostart entry.
    void loadState();

    QCheckBox *buttonFinderDragDefaultAction() const { return m_finderDrag; }
    QCheckBox *buttonStartAtLogin() const { return m_startAtLogin; }
    QCheckBox *buttonSoundsEnabled() const { return m_sounds; }
    QCheckBox *buttonOpenArchiveEnabled() const { return m_openArchive; }
    QCheckBox *buttonDeleteConfirmation() const { return m_deleteConfirmation; }
    // The line that tells when the autostart entry could not be changed.
    QLabel *messageLabel() const { return m_message; }

protected:
    void showEvent(QShowEvent *event) override;

private:
    void actionStartAtLogin(bool checked);

    MCOptions *m_options;
    Autostart *m_autostart;
    QCheckBox *m_finderDrag;
    QCheckBox *m_startAtLogin;
    QCheckBox *m_sounds;
    QCheckBox *m_openArchive;
    QCheckBox *m_deleteConfirmation;
    QLabel *m_message;
};

#endif // MCPREFERENCES1CONTROLLER_H
