#ifndef ALERT_H
#define ALERT_H

#include <QMetaType>
#include <QPixmap>
#include <QStringList>

// What an alert shows: the counterpart of a configured NSAlert.
struct Alert
{
    enum Style { Informational, Warning, Critical };

    Style style = Informational;
    QString windowTitle;     // empty: the application's name
    QString messageText;     // the bold first line
    QString informativeText; // the smaller text under it
    // Button titles, left to right in reading order as the alert states them: the first is
    // the default button unless defaultButton says otherwise. Empty: one "OK" button.
    QStringList buttons;
    int defaultButton = 0; // index into buttons, the one Return presses
    // The one Escape presses: -1 picks a button titled "Cancel", if there is one.
    int escapeButton = -1;
    // Title of the suppression check box ("Don't ask me again"); empty: no check box.
    QString suppressionText;
    QPixmap icon; // null: the style's icon
};

// The user's answer.
struct AlertAnswer
{
    int button = -1;         // index into Alert::buttons (0 when buttons was empty)
    bool suppressed = false; // the suppression box was ticked
};

Q_DECLARE_METATYPE(Alert)
Q_DECLARE_METATYPE(AlertAnswer)

#endif // ALERT_H
