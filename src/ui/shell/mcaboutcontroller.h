#ifndef MCABOUTCONTROLLER_H
#define MCABOUTCONTROLLER_H

#include "bundlevalues.h"

#include <QDialog>
#include <QUrl>

class MCLinkTextField;
class QLabel;
class QToolButton;

// The About window: the application's name, version and build, when it was built, and links to
// the service's web site and its support address. The logo opens the web site too.
class MCAboutController : public QDialog
{
    Q_OBJECT
public:
    // site: the service's web site (an https URL); its host gives the support address.
    MCAboutController(const BundleValues &bundle, const QUrl &site, QWidget *parent = nullptr);

    QToolButton *logoButton() const { return m_logoButton; }
    QLabel *applicationNameTextField() const { return m_name; }
    QLabel *versionTextField() const { return m_version; }
    QLabel *buildLabel() const { return m_build; }
    MCLinkTextField *linkLabel() const { return m_link; }
    MCLinkTextField *supportMailTo() const { return m_support; }

    // "Built <date>" for an ISO 8601 build date in UTC ("2026-12-07T14:18:08Z").
    static QString buildText(const QString &buildDate);

    void goToHomepage();

private:
    QUrl m_site;
    QToolButton *m_logoButton;
    QLabel *m_name;
    QLabel *m_version;
    QLabel *m_build;
    MCLinkTextField *m_link;
    MCLinkTextField *m_support;
};

#endif // MCABOUTCONTROLLER_H
