#include "mclinks.h"

#include "mccontrolslog.h"

#include <QDesktopServices>

namespace MCLinks {

bool isOpenable(const QUrl &url)
{
    const QString scheme = url.scheme().toLower();
    return url.isValid() && (scheme == QLatin1String("http") || scheme == QLatin1String("https") ||
                             scheme == QLatin1String("mailto"));
}

bool open(const QUrl &url)
{
    if (!isOpenable(url)) {
        qCWarning(lcControls) << "Refused to open a link with scheme" << url.scheme();
        return false;
    }
    return QDesktopServices::openUrl(url);
}

} // namespace MCLinks
