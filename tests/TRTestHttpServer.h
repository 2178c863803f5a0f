#pragma once

// A small HTTP/1.1 server on 127.0.0.1 for tests of the web view: fixed
// responses by path, and a record of every request it was sent.

#include <QByteArray>
#include <QHash>
#include <QList>
#include <QTcpServer>
#include <QUrl>

class TRTestHttpServer : public QObject
{
    Q_OBJECT

public:
    struct Response
    {
        int status = 200;
        QByteArray body;
        QList<QPair<QByteArray, QByteArray>> headers;
    };
    struct Request
    {
        QByteArray path;
        QHash<QByteArray, QByteArray> headers; // names in lower case
    };

    explicit TRTestHttpServer(QObject *parent = nullptr);

    bool listen();
    QUrl url(const QString &path) const;

    // An HTML page with this title and body.
    void addPage(const QByteArray &path, const QByteArray &title, const QByteArray &body = {});
    void addResponse(const QByteArray &path, const Response &response);

    QList<Request> requests;
    int requestCount(const QByteArray &path) const;

private:
    void handle(class QTcpSocket *socket);

    QTcpServer m_server;
    QHash<QByteArray, Response> m_responses;
};
