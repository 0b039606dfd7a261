#ifndef MCOCOAFILEOPENER_H
#define MCOCOAFILEOPENER_H

#include "mabstractfileopener.h"

// Opens files through the desktop's application registry. An application is named by the
// file URL of its .desktop file; an empty URL means the default application for the file's
// content type. The file is handed to the application as a URI argument only.
//
// The process identifier is never written: a launched application may hand the file to an
// instance that already runs, or start through a wrapper, so its process cannot be told.
class MCocoaFileOpener : public MAbstractFileOpener
{
    Q_OBJECT
public:
    explicit MCocoaFileOpener(QObject *parent = nullptr);

public slots:
    bool openFile(const QUrl &file, const QUrl &appUrl = QUrl(), qint64 *pid = nullptr) override;
};

#endif // MCOCOAFILEOPENER_H
