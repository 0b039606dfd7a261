#ifndef MCSPACEBOX_H
#define MCSPACEBOX_H

#include <QFrame>

// The account page's space bar: a track with the used space and, right after it, the shared
// space, each a child frame whose colour the owner sets through its palette (Window role).
// Widths are proportional to the account's total space; with no total both bars are empty, and
// bars that would run past the track are cut at its end.
class MCSpaceBox : public QFrame
{
    Q_OBJECT
public:
    explicit MCSpaceBox(QWidget *parent = nullptr);

    void setAccountSpace(qint64 account, qint64 used, qint64 shared);
    double accountSpace() const { return m_accountSpace; }
    double usedSpace() const { return m_usedSpace; }
    double sharedSpace() const { return m_sharedSpace; }

    QFrame *boxUsedSpace() const { return m_boxUsedSpace; }
    QFrame *boxSharedSpace() const { return m_boxSharedSpace; }

    QSize sizeHint() const override { return QSize(202, 25); }

protected:
    void resizeEvent(QResizeEvent *event) override;

private:
    void layoutBars();

    QFrame *m_boxUsedSpace;
    QFrame *m_boxSharedSpace;
    double m_accountSpace = 0;
    double m_usedSpace = 0;
    double m_sharedSpace = 0;
};

#endif // MCSPACEBOX_H
