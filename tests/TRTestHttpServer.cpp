#include "TRTestHttpServer.h"

#include <QTcpSocket>

TRTestHttpServer::TRTestHttpServer(QObject *parent)
    : QObject(parent)
{
    connect(&m_server, &QTcpServer::newConnection, this, [this] {
        while (QTcpSocket *socket = m_server.nextPendingConnection()) {
            connect(socket, &QTcpSocket::readyRead, this, [this, socket] { handle(socket); });
            connect(socket, &QTcpSocket::disconnected, socket, &QObject::deleteLater);
        }
    });
}

bool TRTestHttpServer::listen()
{
    return m_server.listen(QHostAddress::LocalHost);
}

QUrl TRTestHttpServer::url(const QString &path) const
{
    return QUrl(QStringLiteral("http://127.0.0.1:%1%2").arg(m_server.serverPort()).arg(path));
}

void TRTestHttpServer::addPage(const QByteArray &path, const QByteArray &title,
                               const QByteArray &body)
{
    Response response;
    response.body = "<!DOCTYPE html><html><head><meta charset=\"utf-8\"><title>" + title +
                    "</title></head><body>" + body + "</body></html>";
    response.headers.append(
        qMakePair(QByteArray("Content-Type"), QByteArray("text/html; charset=utf-8")));
    m_responses.insert(path, response);
}

void TRTestHttpServer::addResponse(const QByteArray &path, const Response &response)
{
    m_responses.insert(path, response);
}

int TRTestHttpServer::requestCount(const QByteArray &path) const
{
    int count = 0;
    for (const Request &request : requests) {
        count += request.path == path ? 1 : 0;
    }
    return count;
}

void TRTestHttpServer::handle(QTcpSocket *socket)
{
    // Requests from the web engine are GETs without a body; wait for the
    // blank line that ends the head.
    QByteArray head = socket->property("head").toByteArray() + socket->readAll();
    const qsizetype end = head.indexOf("\r\n\r\n");
    if (end < 0) {
        socket->setProperty("head", head);
        return;
    }
    socket->setProperty("head", head.mid(end + 4));
    const QList<QByteArray> lines = head.left(end).split('\n');
    Request request;
    const QList<QByteArray> requestLine = lines.value(0).trimmed().split(' ');
    request.path = requestLine.value(1);
    for (qsizetype i = 1; i < lines.size(); ++i) {
        const qsizetype colon = lines[i].indexOf(':');
        if (colon > 0) {
            request.headers.insert(lines[i].left(colon).trimmed().toLower(),
                                   lines[i].mid(colon + 1).trimmed());
        }
    }
    requests.append(request);

    const QByteArray path = request.path.split('?').value(0);
    Response response = m_responses.value(path, Response{404, "not found", {}});
    QByteArray reply = "HTTP/1.1 " + QByteArray::number(response.status) + " Status\r\n";
    for (const auto &[name, value] : response.headers) {
        reply += name + ": " + value + "\r\n";
    }
    reply += "Content-Length: " + QByteArray::number(response.body.size()) + "\r\n";
    reply += "Cache-Control: no-store\r\nConnection: close\r\n\r\n" + response.body;
    socket->write(reply);
    socket->disconnectFromHost();
}
