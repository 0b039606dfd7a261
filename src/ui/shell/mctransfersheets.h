#ifndef MCTRANSFERSHEETS_H
#define MCTRANSFERSHEETS_H

#include "alert.h"
#include "mopostednotification.h"

#include <QDateTime>
#include <QElapsedTimer>
#include <QList>
#include <QObject>
#include <QPointer>

#include <functional>

class AlertPresenter;
class Clock;
class MCNavigation;
class MCTransfers;
class MOCoreNotification;
class MOObjectTransferRequest;
class QTimer;
class QWidget;

// The core's failures asked about in sheets on the main window, one at a time, and what the
// answers start: a transfer again, or a conflicted copy kept beside the user's edited file.
class MCTransferSheets : public QObject
{
    Q_OBJECT
public:
    // navigation: the view that renames a folder whose name was taken; transfers: where the
    // answers send their transfers.
    MCTransferSheets(MCNavigation *navigation, MCTransfers *transfers, QObject *parent = nullptr);

    // Sheets on window through alerts; clock dates conflicted copies. Registers
    // tolvoLibNotification() for the core's messages. None is owned.
    void setup(AlertPresenter *alerts, QWidget *window, Clock *clock);
    // A core message: a sheet for the failures the user can answer (an existing name, an
    // outdated local copy), a plain alert for other errors.
    void tolvoLibNotification(const MOPostedNotification &notification);
    // The free name beside localPath for its conflicted copy made at localTime:
    // "<name> - conflicted yyyy-MM-dd at HH.mm.<ext>", with " 2", " 3"... when taken.
    static QString conflictedCopyPath(const QString &localPath, const QDateTime &localTime);
    // Sheets waiting behind the one shown (which is not counted).
    int queuedSheetCount() const { return m_sheets.size(); }
    bool isShowingSheet() const { return m_sheetShown; }

private:
    struct Sheet
    {
        Alert alert;
        std::function<void(int button)> answered;
        QString key;   // equal keys are one question: a repeat joins the one waiting
        QString kind;  // failures of one kind (code and action) gather into one sheet...
        int count = 1; // ...which counts them
    };
    // A warning with core's message, keyed so that a burst of the same failure is asked once.
    static Sheet sheetAbout(const MOCoreNotification &core);
    void presentSheet(Sheet sheet);
    // A plain failure: gathered with the others of its kind that come in a burst.
    void presentFailure(const MOCoreNotification &core);
    void presentGatheredFailures();
    void showNextSheet();
    void alertObjectExists(const MOPostedNotification &notification);
    void alertNameTaken(const MOPostedNotification &notification);
    void alertOutdatedLocalCopy(const MOPostedNotification &notification);
    void keepConflictedCopy(const MOObjectTransferRequest &request);

    MCNavigation *m_navigation;
    MCTransfers *m_transfers;
    AlertPresenter *m_alerts = nullptr;
    QPointer<QWidget> m_sheetWindow;
    Clock *m_clock = nullptr;
    QList<Sheet> m_sheets;
    bool m_sheetShown = false;
    QString m_shownSheetKey;
    QList<Sheet> m_gathering;
    QTimer *m_failureBurst = nullptr;
    QElapsedTimer m_burstAge;
};

#endif // MCTRANSFERSHEETS_H
