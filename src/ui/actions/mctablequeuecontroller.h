#ifndef MCTABLEQUEUECONTROLLER_H
#define MCTABLEQUEUECONTROLLER_H

#include <QWidget>

class Clock;
class MCCounters;
class MCOperationsFilterModel;
class MCTableQueueDelegate;
class MCTableQueueModel;
class MOObjectsManager;
class QAbstractButton;
class QButtonGroup;
class QLabel;
class QTableView;

// The transfers page, "transfers://": the transfers since the session started (the newest
// 1,000 that are over, and all those under way) with their live progress, rate and time left and
// its pause, resume and abort buttons, the queued ones that wait for another account, with why
// (they can only be aborted), and a log of folders created, objects deleted and objects copied,
// filtered by four segments. Made at the session's start, so that it records every transfer from
// then on.
class MCTableQueueController : public QWidget
{
    Q_OBJECT
public:
    // counters (optional) get the running counts; clock (optional) dates rows and statistics.
    MCTableQueueController(MOObjectsManager *objects, MCCounters *counters, Clock *clock = nullptr,
                           QWidget *parent = nullptr);
    ~MCTableQueueController() override;

    // The page's location in the history.
    QString title() const;

    MCTableQueueModel *model() const { return m_model; }
    MCOperationsFilterModel *arrangedObjects() const { return m_filter; }
    QTableView *tableView() const { return m_tableView; }
    QAbstractButton *segmentButton(int segment) const;
    QLabel *viewDescription() const { return m_viewDescription; }
    MCTableQueueDelegate *delegate() const { return m_delegate; }

    // Shows the rows of a segment: 0 downloads and uploads, 1 downloads, 2 uploads, any
    // other every row.
    void filterSelection(int segment);

protected:
    bool eventFilter(QObject *watched, QEvent *event) override;

private:
    void buttonAction(const QModelIndex &index, const QString &identifier);

    MCTableQueueModel *m_model;
    MCOperationsFilterModel *m_filter;
    MCTableQueueDelegate *m_delegate;
    QTableView *m_tableView;
    QButtonGroup *m_segmentedControl;
    QLabel *m_viewDescription;
};

#endif // MCTABLEQUEUECONTROLLER_H
