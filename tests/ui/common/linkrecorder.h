#pragma once

#include <QList>
#include <QObject>
#include <QUrl>

// Records the addresses handed to the desktop to open, in place of a browser or mail program
// (QDesktopServices::setUrlHandler(scheme, &recorder, "open")).
class LinkRecorder : public QObject
{
    Q_OBJECT
public:
    QList<QUrl> opened;
public slots:
    void open(const QUrl &url);
};
