#ifndef MCBOTTOMVIEWCONTROLLER_H
#define MCBOTTOMVIEWCONTROLLER_H

#include <QWidget>

class MOUserAccount;
class QLabel;
class QToolButton;

// The status bar: the account button, the selection and space texts.
class MCBottomViewController : public QWidget
{
    Q_OBJECT
public:
    explicit MCBottomViewController(QWidget *parent = nullptr);

    QToolButton *popupUsername() const { return m_username; }
    QLabel *infoTextField() const { return m_info; }
    void setAccount(const MOUserAccount &account);
    void setSelectedCount(qint64 count);
    void setTotalCount(qint64 count);

private:
    void updateInfo();

    QToolButton *m_username;
    QLabel *m_info;
    QLabel *m_space;
    qint64 m_selected = 0;
    qint64 m_total = 0;
};

#endif // MCBOTTOMVIEWCONTROLLER_H
