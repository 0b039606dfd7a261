#include "mclinks.h"

#include "desktopapplications.h"
#include "mccontrolslog.h"

#include <QDesktopServices>

namespace MCLinks {

bool isOpenable(const QUrl &url)
{
    const QString scheme = url.scheme().toLower();
    return url.isValid() && (scheme == QLatin1String("http") || scheme == QLatin1String("https") ||
                             scheme == QLatin1String("mailto"));
}

bool hasDesktopHandler(const QUrl &url)
{
    return isOpenable(url) && DesktopApplications::defaultForContentType(
                                  QStringLiteral("x-scheme-handler/") + url.scheme().toLower())
                                  .isValid();
}

namespace {

// What open() hands to the desktop; empty when nothing may be opened.
QUrl openedUrl(const QUrl &url)
{
    if (!isOpenable(url))
        return QUrl();
    if (url.scheme().compare(QLatin1String("mailto"), Qt::CaseInsensitive) != 0)
        return url;
    // The address alone: a mail link's query can set headers, the body or files to attach
    // ("?attach=/etc/passwd"), which the writer of the link must not choose for the user.
    if (url.path().isEmpty())
        return QUrl();
    QUrl address;
    address.setScheme(QStringLiteral("mailto"));
    address.setPath(url.path());
    return address;
}

} // namespace

bool open(const QUrl &url)
{
    const QUrl opened = openedUrl(url);
    if (opened.isEmpty()) {
        qCWarning(lcControls) << "Refused to open a link with scheme" << url.scheme();
        return false;
    }
    return QDesktopServices::openUrl(opened);
}

} // namespace MCLinks
