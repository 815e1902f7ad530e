#include "support/AlbumServer.h"

#include <QFile>
#include <QTcpSocket>

#include <functional>


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

const QString AlbumFiles::vinylId = QStringLiteral("5f1e6c3a-7b2d-4c8e-9a10-2b3c4d5e6f70");

QStringList AlbumFiles::vinylTitles()
{
    return {"Harbour Lights", "Salt and Iron", "The Long Tide", "Paper Moons", "Keeper's Song", "Northern Wire",
            "Glass Weather", "A Lantern for the Drowned Sailors of Morrow Bay", "Rust", "Last Ferry Home"};
}

namespace {

bool writeAlbum(const QByteArray &folder, const std::function<QString(int)> &nameOf)
{
    for (int track = 1; track <= 10; ++track) {
        QFile file(QFile::decodeName(folder) + QLatin1Char('/') + nameOf(track));
        if (!file.open(QIODevice::WriteOnly) || file.write(AlbumFiles::mpegAudio(3000 * track)) < 0)
            return false;
    }
    return true;
}

}  // namespace

bool AlbumFiles::writeNumberedAlbum(const QByteArray &folder)
{
    return writeAlbum(folder, [](int track) { return QStringLiteral("%1.mp3").arg(track, 2, 10, QLatin1Char('0')); });
}

bool AlbumFiles::writeTitledAlbum(const QByteArray &folder)
{
    return writeAlbum(folder, [](int track) { return vinylTitles().at(track - 1) + QStringLiteral(".mp3"); });
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
