#ifndef MCWARNINGVIEWCONTROLLER_H
#define MCWARNINGVIEWCONTROLLER_H

#include <QColor>
#include <QFrame>

class QLabel;

// The strip across the main window that tells why the service cannot be reached. It only
// shows a status; the application delegate places it and decides the status.
class MCWarningViewController : public QFrame
{
    Q_OBJECT
    Q_PROPERTY(qint64 currentStatus READ currentStatus)
public:
    // 0 no internet connection, 1 maintenance, 2 the server cannot be contacted; any other
    // value clears the text and the colours and keeps the icon.
    enum Status : qint64 {
        Hidden = -1,
        NoInternet = 0,
        Maintenance = 1,
        Unreachable = 2,
        UntrustedCertificate = 3
    };

    explicit MCWarningViewController(QWidget *parent = nullptr);

    void setStatus(qint64 status);
    qint64 currentStatus() const { return m_currentStatus; }

    QString text() const;
    QColor fillColor() const { return m_fillColor; }
    // The theme name of the icon shown; empty before the first status that has one.
    QString iconName() const { return m_iconName; }

    // The banner's status for one of the availability facade's connectivity values.
    static qint64 statusForConnectivity(uint connectivity);

private:
    void applyColors();

    QLabel *m_imageView;
    QLabel *m_textField;
    QColor m_borderColor = Qt::transparent;
    QColor m_fillColor = Qt::transparent;
    QString m_iconName;
    qint64 m_currentStatus = Hidden;
};

#endif // MCWARNINGVIEWCONTROLLER_H
