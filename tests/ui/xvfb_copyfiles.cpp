// Puts files on the X clipboard as a desktop file manager's Copy does (text/uri-list and
// x-special/gnome-copied-files) and keeps them there until the process is ended; prints
// "copied" once the clipboard is set. Usage: xvfb_copyfiles <file>...
#include <QClipboard>
#include <QFileInfo>
#include <QGuiApplication>
#include <QMimeData>
#include <QUrl>

#include <cstdio>

int main(int argc, char **argv)
{
    QGuiApplication app(argc, argv);
    QList<QUrl> urls;
    QByteArray copied("copy");
    for (const QString &argument : QCoreApplication::arguments().mid(1)) {
        const QUrl url = QUrl::fromLocalFile(QFileInfo(argument).absoluteFilePath());
        urls.append(url);
        copied += '\n' + url.toEncoded();
    }
    if (urls.isEmpty()) {
        std::fprintf(stderr, "usage: xvfb_copyfiles <file>...\n");
        return 2;
    }
    auto *data = new QMimeData;
    data->setUrls(urls);
    data->setData(QStringLiteral("x-special/gnome-copied-files"), copied);
    QGuiApplication::clipboard()->setMimeData(data);
    std::printf("copied\n");
    std::fflush(stdout);
    return app.exec();
}
