#ifndef MCLINKTEXTFIELD_H
#define MCLINKTEXTFIELD_H

#include <QLabel>
#include <QUrl>

// Plain text that behaves as a hyperlink: underlined while the pointer is over it (when
// underlining is on), and a click hands link to the desktop. Only web and mail links are ever
// opened (MCLinks).
class MCLinkTextField : public QLabel
{
    Q_OBJECT
    Q_PROPERTY(QUrl link READ link WRITE setLink)
    Q_PROPERTY(bool underlineEnabled READ isUnderlineEnabled WRITE setUnderlineEnabled)
public:
    explicit MCLinkTextField(QWidget *parent = nullptr);
    explicit MCLinkTextField(const QString &text, QWidget *parent = nullptr);

    QUrl link() const { return m_link; }
    void setLink(const QUrl &link) { m_link = link; }
    // Hover underlining; a click still opens the link while it is off.
    bool isUnderlineEnabled() const { return m_underlineEnabled; }
    void setUnderlineEnabled(bool enabled);
    bool isUnderlined() const { return font().underline(); }

    // Fits the field to its text and centres it horizontally in its parent.
    void sizeToFit();

signals:
    // The link was clicked and handed to the desktop.
    void linkOpened(const QUrl &link);
    // The link was clicked and nothing on the desktop could open it: the user must be told.
    void linkNotOpened(const QUrl &link);

protected:
    // Whether a click opens the link now; subclasses may switch clicking off.
    virtual bool opensLink() const { return true; }

    void enterEvent(QEvent *event) override;
    void leaveEvent(QEvent *event) override;
    void mouseReleaseEvent(QMouseEvent *event) override;

private:
    void setUnderlined(bool underlined);

    QUrl m_link;
    bool m_underlineEnabled = true;
};

#endif // MCLINKTEXTFIELD_H
