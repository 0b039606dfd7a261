#ifndef MCSHARELINKCELL_H
#define MCSHARELINKCELL_H

#include <QWidget>

class MCMouseDownTextField;
class QLabel;
class QToolButton;

// A share-link row's name cell: the file's icon, its name either as a clickable link (a live
// link) or as plain text (a revoked or expired one), a second line under it, and a button
// that goes to the file. The owner fills and wires the parts; every text is plain text. A name
// longer than its room is shortened in the middle, the whole name in its tool tip.
class MCShareLinkCell : public QWidget
{
    Q_OBJECT
public:
    explicit MCShareLinkCell(QWidget *parent = nullptr);

    QLabel *imageView() const { return m_imageView; }
    QLabel *textField() const { return m_textField; }
    MCMouseDownTextField *hyperlinkTextField() const { return m_hyperlinkTextField; }
    QLabel *additionalTextfield() const { return m_additionalTextfield; }
    QToolButton *buttonGoToFile() const { return m_buttonGoToFile; }

    // The file's name, shown in both name fields.
    void setName(const QString &name);
    QString name() const { return m_name; }
    // The second line as lead (isolated, cut with "..." to the room) followed by kept, which
    // always shows whole: a long name never hides the date after it.
    void setSecondLine(const QString &lead, const QString &kept);

protected:
    bool eventFilter(QObject *watched, QEvent *event) override;

private:
    void fitName(QLabel *label);
    void fitSecondLine();

    QString m_name;
    QString m_lead;
    QString m_kept;
    QLabel *m_imageView;
    QLabel *m_textField;
    MCMouseDownTextField *m_hyperlinkTextField;
    QLabel *m_additionalTextfield;
    QToolButton *m_buttonGoToFile;
};

#endif // MCSHARELINKCELL_H
