#ifndef DELAYPROXY_H
#define DELAYPROXY_H

#include <QHostAddress>
#include <QPointer>
#include <QTcpServer>
#include <QTcpSocket>
#include <QThread>
#include <QTimer>
#include <QUrl>

#include <atomic>

// A TCP relay in front of a loopback service, on a thread of its own, that holds each piece of
// the service's answers for a fixed time before passing it on: replies arrive at the pace of a
// distant service while the requests go out at once. Nothing of it runs on the main thread.
class DelayProxy
{
public:
    DelayProxy(const QUrl &target, int delayMs)
        : m_target(target)
        , m_delayMs(delayMs)
    {}

    ~DelayProxy()
    {
        m_thread.quit();
        m_thread.wait();
    }

    // Listens on a free loopback port; false when it cannot.
    bool start()
    {
        m_context.moveToThread(&m_thread);
        m_thread.start();
        std::atomic<int> port{-1};
        QMetaObject::invokeMethod(
            &m_context,
            [this, &port] {
                auto *server = new QTcpServer;
                QObject::connect(&m_thread, &QThread::finished, server, &QObject::deleteLater);
                QObject::connect(server, &QTcpServer::newConnection, server, [this, server] {
                    while (QTcpSocket *client = server->nextPendingConnection())
                        relay(client);
                });
                port = server->listen(QHostAddress::LocalHost, 0) ? server->serverPort() : 0;
            },
            Qt::BlockingQueuedConnection);
        m_port = port;
        return m_port > 0;
    }

    // The target's address with the relay's port.
    QUrl url() const
    {
        QUrl url = m_target;
        url.setPort(m_port);
        return url;
    }

private:
    void relay(QTcpSocket *client)
    {
        auto *service = new QTcpSocket(client);
        const int delay = m_delayMs;
        QObject::connect(client, &QTcpSocket::readyRead, service,
                         [client, service] { service->write(client->readAll()); });
        QObject::connect(service, &QTcpSocket::readyRead, client, [client, service, delay] {
            const QByteArray bytes = service->readAll();
            QPointer<QTcpSocket> to = client;
            // Equal delays fire in the order they were started: the bytes keep their order.
            QTimer::singleShot(delay, Qt::PreciseTimer, client, [to, bytes] {
                if (to)
                    to->write(bytes);
            });
        });
        QObject::connect(service, &QTcpSocket::disconnected, client, [client, delay] {
            QTimer::singleShot(delay, Qt::PreciseTimer, client,
                               [client] { client->disconnectFromHost(); });
        });
        QObject::connect(client, &QTcpSocket::disconnected, client, &QObject::deleteLater);
        service->connectToHost(QHostAddress::LocalHost, quint16(m_target.port()));
        // What the client sent before the service's connection was made goes out with it.
        if (client->bytesAvailable() > 0)
            service->write(client->readAll());
    }

    QUrl m_target;
    int m_delayMs = 0;
    int m_port = 0;
    QThread m_thread;
    QObject m_context; // lives on m_thread
};

#endif // DELAYPROXY_H
