#include "support/AlbumServer.h"

#include <QFile>
#include <QTcpSocket>


QByteArray AlbumFiles::mpegAudio(qint64 ms)
{
    QByteArray frame(144, '\0');
    frame[0] = char(0xFF);
    frame[1] = char(0xFB);  // MPEG 1, Layer III, no CRC
    frame[2] = char(0x18);  // 32 kbit/s, 32 kHz, no padding
    frame[3] = char(0xC0);  // mono
    return frame.repeated((ms + 18) / 36);
}

QByteArray AlbumFiles::recorded(const char *name)
{
    QFile file(QStringLiteral(VELMORA_SOURCE_DIR "/tests/online/answers/") + QLatin1String(name));
    if (!file.open(QIODevice::ReadOnly))
        qFatal("recorded answer %s is missing", name);
    return file.readAll();
}

AlbumServer::AlbumServer()
{
    m_clock.start();
    connect(&m_server, &QTcpServer::newConnection, this, [this] {
        while (QTcpSocket *socket = m_server.nextPendingConnection()) {
            socket->setParent(this);
            connect(socket, &QTcpSocket::readyRead, this, [this, socket] { serve(socket); });
        }
    });
    if (!m_server.listen(QHostAddress::LocalHost))
        qFatal("the test's server cannot listen");
}

QUrl AlbumServer::url() const
{
    return QUrl(QStringLiteral("http://127.0.0.1:%1").arg(m_server.serverPort()));
}

void AlbumServer::answer(const QByteArray &pathEnd, const QList<Answer> &answers)
{
    m_answers.append({pathEnd, answers});
}

void AlbumServer::serve(QTcpSocket *socket)
{
    QByteArray &head = m_heads[socket];
    head += socket->readAll();
    const qsizetype end = head.indexOf("\r\n\r\n");
    if (end < 0)
        return;
    const QList<QByteArray> lines = head.left(end).split('\n');
    Request request;
    request.target = lines.value(0).split(' ').value(1);
    for (const QByteArray &line : lines) {
        if (line.toLower().startsWith("user-agent:"))
            request.userAgent = line.mid(11).trimmed();
    }
    request.atMs = m_clock.elapsed();
    requests.append(request);
    m_heads.remove(socket);

    const QByteArray path = request.target.split('?').value(0);
    for (auto &[pathEnd, answers] : m_answers) {
        if (!path.endsWith(pathEnd))
            continue;
        const Answer answer = answers.size() > 1 ? answers.takeFirst() : answers.value(0);
        if (answer.silent)
            return;
        const QByteArray reason = answer.status == 200 ? "OK" : answer.status == 503 ? "Service Unavailable" : "Error";
        socket->write("HTTP/1.1 " + QByteArray::number(answer.status) + ' ' + reason
                      + "\r\nContent-Type: application/json\r\nConnection: close\r\nContent-Length: "
                      + QByteArray::number(answer.body.size()) + "\r\n\r\n" + answer.body);
        socket->disconnectFromHost();
        return;
    }
    socket->write("HTTP/1.1 404 Not Found\r\nConnection: close\r\nContent-Length: 0\r\n\r\n");
    socket->disconnectFromHost();
}
