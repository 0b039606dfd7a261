#ifndef MABSTRACTFILEOPENER_H
#define MABSTRACTFILEOPENER_H

#include <QObject>
#include <QUrl>

// Opens a local file in a desktop application. The core never opens files itself: the
// application installs the platform's opener at start-up.
class MAbstractFileOpener : public QObject
{
    Q_OBJECT
public:
    explicit MAbstractFileOpener(QObject *parent = nullptr);

    // The installed opener; null when none is installed (or it was destroyed), which callers
    // treat as "cannot open". Safe from any thread.
    static MAbstractFileOpener *instance();
    // Installs opener (null uninstalls); the caller keeps ownership.
    static void setInstance(MAbstractFileOpener *opener);

public slots:
    // Opens file with the application at appUrl, or with the default application for the file
    // when appUrl is empty. When pid is given and the implementation can tell, receives the
    // process identifier of the application. False when nothing could be opened.
    virtual bool openFile(const QUrl &file, const QUrl &appUrl = QUrl(), qint64 *pid = nullptr) = 0;
};

#endif // MABSTRACTFILEOPENER_H
