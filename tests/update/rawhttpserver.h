#pragma once

#include <QByteArray>
#include <QList>
#include <QTcpServer>
#include <QTcpSocket>
#include <QTimer>

// A tiny HTTP server on loopback for what nginx does not do on request: it records each raw
// request (head and body) and answers every one with the same canned response, then closes.
class RawHttpServer : public QObject {
public:
    explicit RawHttpServer(const QByteArray& response) : m_response(response)
    {
        m_server.listen(QHostAddress::LocalHost, 0);
        connect(&m_server, &QTcpServer::newConnection, this, [this] {
            while (QTcpSocket* socket = m_server.nextPendingConnection()) {
                m_requests.append(QByteArray());
                const int index = m_requests.size() - 1;
                connect(socket, &QTcpSocket::readyRead, this, [this, socket, index] {
                    m_requests[index] += socket->readAll();
                    if (isComplete(m_requests[index]))
                        answer(socket, 0);
                });
                connect(socket, &QTcpSocket::disconnected, socket, &QObject::deleteLater);
            }
        });
    }

    // Sends the response in pieces of this size, 20 ms apart, instead of all at once.
    void setPieceSize(int size) { m_pieceSize = size; }

    QString url(const QString& path) const
    {
        return QStringLiteral("http://127.0.0.1:%1%2").arg(m_server.serverPort()).arg(path);
    }
    const QList<QByteArray>& requests() const { return m_requests; }

    static QByteArray head(const QByteArray& request) { return request.left(request.indexOf("\r\n\r\n")); }
    static QByteArray body(const QByteArray& request) { return request.mid(request.indexOf("\r\n\r\n") + 4); }
    static QByteArray header(const QByteArray& request, const QByteArray& name)
    {
        for (const QByteArray& line : head(request).split('\n')) {
            if (line.toLower().startsWith(name.toLower() + ":"))
                return line.mid(name.size() + 1).trimmed();
        }
        return QByteArray();
    }

private:
    void answer(QTcpSocket* socket, int from)
    {
        const int size = m_pieceSize > 0 ? m_pieceSize : m_response.size();
        socket->write(m_response.mid(from, size));
        if (from + size >= m_response.size()) {
            socket->disconnectFromHost();
            return;
        }
        QTimer::singleShot(20, socket, [this, socket, from, size] { answer(socket, from + size); });
    }

    static bool isComplete(const QByteArray& request)
    {
        const int end = request.indexOf("\r\n\r\n");
        if (end < 0)
            return false;
        return body(request).size() >= header(request, "Content-Length").toInt();
    }

    QTcpServer m_server;
    QByteArray m_response;
    int m_pieceSize = 0;
    QList<QByteArray> m_requests;
};
