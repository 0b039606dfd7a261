#ifndef MUNREPEATABLEBODY_H
#define MUNREPEATABLEBODY_H

#include <QByteArray>
#include <QIODevice>
#include <QPointer>

// The body of a request that must not be carried out twice. Qt's HTTP layer sends a request
// once more, rewinding its body, when the connection closes before an answer: the service
// may have acted on the first. This body cannot be rewound, so Qt gives the request up
// instead (QNetworkReply::ContentReSendError). Reads either its own bytes or, from its
// position at the start, a random-access source that the caller keeps alive.
class MUnrepeatableBody : public QIODevice
{
    Q_OBJECT
public:
    MUnrepeatableBody(const QByteArray &bytes, QObject *parent);
    MUnrepeatableBody(QIODevice *source, QObject *parent);

    bool isSequential() const override;
    qint64 size() const override;
    bool seek(qint64 pos) override;
    bool reset() override;

protected:
    qint64 readData(char *data, qint64 maxSize) override;
    qint64 writeData(const char *data, qint64 maxSize) override;

private:
    QByteArray m_bytes;
    QPointer<QIODevice> m_source;
    qint64 m_sourceStart = 0;
};

#endif // MUNREPEATABLEBODY_H
