#ifndef MCCONTACTCELLVIEW_H
#define MCCONTACTCELLVIEW_H

#include <QWidget>

class QFrame;
class QLabel;

// A plain contact row: the presence dot, the contact's name and a framed picture. The contacts
// pages fill the parts.
class MCContactCellView : public QWidget
{
    Q_OBJECT
public:
    explicit MCContactCellView(QWidget *parent = nullptr);

    QLabel *contactName() const { return m_contactName; }
    QLabel *statusImageView() const { return m_statusImageView; }
    QFrame *boxImage() const { return m_boxImage; }

private:
    QLabel *m_contactName;
    QLabel *m_statusImageView;
    QFrame *m_boxImage;
};

#endif // MCCONTACTCELLVIEW_H
