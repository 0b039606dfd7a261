#ifndef MCPLACEHOLDERPAGE_H
#define MCPLACEHOLDERPAGE_H

#include <QWidget>

// A page of the main window that is not built yet: it carries the page's pseudo-URL as its
// title, so that the history finds it again, and says what it will show.
class MCPlaceholderPage : public QWidget
{
    Q_OBJECT
public:
    MCPlaceholderPage(const QString &title, const QString &caption, QWidget *parent = nullptr);

    // The page's location ("transfers://", ...).
    QString title() const { return m_title; }

private:
    QString m_title;
};

#endif // MCPLACEHOLDERPAGE_H
