#include "mcdownloadmarks.h"

#include "downloadmark.h"

#include <QDateTime>
#include <QFile>
#include <QFileInfo>

MCDownloadMarks::MCDownloadMarks()
{
    // One thread: the marks of a file are made in the order they were asked for.
    m_pool.setMaxThreadCount(1);
}

MCDownloadMarks::~MCDownloadMarks()
{
    waitForDone();
}

void MCDownloadMarks::addPlaceholder(const QString &destination)
{
    m_pool.start([this, destination] {
        if (QFileInfo::exists(destination) || QFileInfo(destination).isSymLink())
            return;
        QFile placeholder(destination);
        if (placeholder.open(QIODevice::WriteOnly | QIODevice::NewOnly))
            m_placeholders.insert(destination);
    });
}

void MCDownloadMarks::setFractionCompleted(const QString &destination, double fraction)
{
    m_pool.start(
        [destination, fraction] { DownloadMark::setFractionCompleted(destination, fraction); });
}

void MCDownloadMarks::finish(const QString &destination)
{
    m_pool.start([this, destination] {
        m_placeholders.remove(destination);
        DownloadMark::clear(destination);
        QFile file(destination);
        if (file.open(QIODevice::ReadOnly))
            file.setFileTime(QDateTime::currentDateTimeUtc(), QFileDevice::FileModificationTime);
    });
}

void MCDownloadMarks::abandon(const QString &destination)
{
    m_pool.start([this, destination] {
        if (m_placeholders.remove(destination) && QFileInfo(destination).size() == 0)
            QFile::remove(destination);
    });
}

void MCDownloadMarks::waitForDone()
{
    m_pool.waitForDone();
}
