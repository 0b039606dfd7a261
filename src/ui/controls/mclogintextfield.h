#ifndef MCLOGINTEXTFIELD_H
#define MCLOGINTEXTFIELD_H

#include <QLabel>
#include <QUrl>

// A label that looks like a hyperlink on the sign-in window ("Forgot your password?"): its text
// is underlined while the pointer is over it, and a click opens link with the desktop's web
// browser. While linkEnabled is off it neither underlines nor opens anything.
class MCLoginTextField : public QLabel
{
    Q_OBJECT
    Q_PROPERTY(QUrl link READ link WRITE setLink)
    Q_PROPERTY(bool linkEnabled READ isLinkEnabled WRITE setLinkEnabled)
public:
    explicit MCLoginTextField(QWidget *parent = nullptr);
    explicit MCLoginTextField(const QString &text, QWidget *parent = nullptr);

    QUrl link() const { return m_link; }
    void setLink(const QUrl &link) { m_link = link; }
    bool isLinkEnabled() const { return m_linkEnabled; }
    void setLinkEnabled(bool enabled);
    bool isUnderlined() const { return font().underline(); }

    // Fits the label to its text and centres it horizontally in its parent.
    void sizeToFit();

signals:
    // The link was clicked and handed to the desktop.
    void linkOpened(const QUrl &link);
    // The link was clicked and nothing on the desktop could open it: the user must be told.
    void linkNotOpened(const QUrl &link);

protected:
    void enterEvent(QEvent *event) override;
    void leaveEvent(QEvent *event) override;
    void mouseReleaseEvent(QMouseEvent *event) override;

private:
    void setUnderlined(bool underlined);

    QUrl m_link;
    bool m_linkEnabled = true;
};

#endif // MCLOGINTEXTFIELD_H
