#ifndef MCDOWNLOADMARKS_H
#define MCDOWNLOADMARKS_H

#include <QSet>
#include <QString>
#include <QThreadPool>

// The marks on the local files that downloads are writing: an empty file standing for a
// download that has not written yet, its progress attribute, and a fresh date once it ends.
// Each is disk work (creating thousands of files can take seconds), so it runs on a thread
// of its own, one mark after the other in the order asked: a download's stand-in is made
// before it is marked or removed. Calls come from the main thread; the destructor waits for
// the marks asked for.
class MCDownloadMarks
{
public:
    MCDownloadMarks();
    ~MCDownloadMarks();

    // An empty file at destination, unless a file (or a link) is there.
    void addPlaceholder(const QString &destination);
    void setFractionCompleted(const QString &destination, double fraction);
    // The download wrote destination: unmarked, dated now.
    void finish(const QString &destination);
    // Cancelled or failed before writing: the empty stand-in goes.
    void abandon(const QString &destination);
    // Blocks until the marks asked for are made; for shutting down.
    void waitForDone();

private:
    QThreadPool m_pool;
    // The stand-ins made and not yet replaced or removed; touched on the pool's thread only.
    QSet<QString> m_placeholders;
};

#endif // MCDOWNLOADMARKS_H
