#ifndef MCERRORSCONTROLLER_H
#define MCERRORSCONTROLLER_H

#include <QWidget>

class Clock;
class MCErrorsFilterModel;
class MCErrorsModel;
class MONotificationCenter;
class QAbstractButton;
class QButtonGroup;
class QLabel;
class QTableView;

// The errors page, "errors://" (the console): every message of the core for the user since
// the session started (bounded, oldest dropped first), with date, type and text, a four-way
// filter and a summary line. It only reads the messages.
class MCErrorsController : public QWidget
{
    Q_OBJECT
public:
    // center: where "MONotification" is posted; clock (optional) dates the entries.
    MCErrorsController(MONotificationCenter *center, Clock *clock = nullptr,
                       QWidget *parent = nullptr);

    QString title() const;

    MCErrorsModel *errors() const { return m_errors; }
    MCErrorsFilterModel *filteredErrors() const { return m_filtered; }
    QTableView *tableView() const { return m_tableView; }
    QAbstractButton *segmentButton(int segment) const;
    QLabel *bottomText() const { return m_bottomText; }

    // 0 errors, 1 warnings, 2 information, any other everything.
    void filterErrors(int segment);

    // The height of a row whose message is textHeight high in a column width wide: one row
    // when it fits, else the smallest multiple of rowHeight, at least two, that holds it; one
    // row in a column narrower than 147.
    static int heightOfRow(int textHeight, int rowHeight, int width);

private:
    void updateBottomText();
    void updateRowHeights(int first, int last);

    MCErrorsModel *m_errors;
    MCErrorsFilterModel *m_filtered;
    QTableView *m_tableView;
    QButtonGroup *m_segmentedControl;
    QLabel *m_bottomText;
};

#endif // MCERRORSCONTROLLER_H
