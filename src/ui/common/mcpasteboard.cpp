#include "mcpasteboard.h"

#include "mcactionslog.h"

#include <QJsonArray>
#include <QJsonDocument>
#include <QMimeData>
#include <QUrl>

namespace MCPasteboard {

const char *const RemoteObjectsMimeType = "application/x-kerlo-objects";
const char *const CopiedFilesMimeType = "x-special/gnome-copied-files";

QMimeData *mimeDataForRemotePaths(const QStringList &remotePaths)
{
    auto *data = new QMimeData;
    data->setData(
        QLatin1String(RemoteObjectsMimeType),
        QJsonDocument(QJsonArray::fromStringList(remotePaths)).toJson(QJsonDocument::Compact));
    return data;
}

QStringList remotePaths(const QMimeData *data)
{
    if (!data || !data->hasFormat(QLatin1String(RemoteObjectsMimeType)))
        return {};
    const QJsonDocument document =
        QJsonDocument::fromJson(data->data(QLatin1String(RemoteObjectsMimeType)));
    QStringList paths;
    const QJsonArray array = document.array();
    for (const QJsonValue &value : array) {
        const QString path = value.toString();
        if (!path.startsWith(QLatin1Char('/'))) {
            qCWarning(lcActions) << "Ignoring a pasted remote object that is not a path";
            return {};
        }
        paths.append(path);
    }
    return paths;
}

static QStringList localPathsOf(const QList<QUrl> &urls)
{
    QStringList paths;
    for (const QUrl &url : urls) {
        if (url.isLocalFile() && !url.toLocalFile().isEmpty())
            paths.append(url.toLocalFile());
        else if (url.isValid() && !url.isEmpty())
            qCWarning(lcActions) << "Ignoring a pasted item that is not a local file:"
                                 << url.scheme();
    }
    return paths;
}

QStringList localFilePaths(const QMimeData *data)
{
    if (!data)
        return {};
    if (data->hasUrls())
        return localPathsOf(data->urls());
    if (!data->hasFormat(QLatin1String(CopiedFilesMimeType)))
        return {};
    const QList<QByteArray> lines = data->data(QLatin1String(CopiedFilesMimeType)).split('\n');
    QList<QUrl> urls;
    for (int i = 1; i < lines.size(); ++i) {
        const QByteArray line = lines.at(i).trimmed();
        if (!line.isEmpty())
            urls.append(QUrl::fromEncoded(line));
    }
    return localPathsOf(urls);
}

} // namespace MCPasteboard
