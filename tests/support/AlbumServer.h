#pragma once
// An album lookup's outside world for tests: a loopback HTTP server serving recorded web-service
// answers (each request recorded with its User-Agent and when it came), and files of real MPEG
// audio of a given length.

#include <QByteArray>
#include <QElapsedTimer>
#include <QList>
#include <QMap>
#include <QObject>
#include <QTcpServer>

class QTcpSocket;
#include <QUrl>

namespace AlbumFiles {

// Silent MPEG-1 Layer III frames (32 kbit/s, 32 kHz, mono: 144 bytes, 36 ms each) lasting ms.
QByteArray mpegAudio(qint64 ms);

// A recorded answer from tests/online/answers.
QByteArray recorded(const char *name);

// The recorded vinyl release (release-vinyl.json): its id and its ten titles, track k lasting 3k s.
extern const QString vinylId;
QStringList vinylTitles();
// Its files without tags, "01.mp3" to "10.mp3" in the tracks' order, or named by their titles
// (so listed in another order); false when one cannot be written.
bool writeNumberedAlbum(const QByteArray &folder);
bool writeTitledAlbum(const QByteArray &folder);

}  // namespace AlbumFiles

class AlbumServer : public QObject {
    Q_OBJECT
public:
    struct Answer {
        int status = 200;
        QByteArray body;
        bool silent = false;  // never answers: past any timeout
    };
    struct Request {
        QByteArray target;  // path and query as sent
        QByteArray userAgent;
        qint64 atMs = 0;    // since the server started
    };

    AlbumServer();
    QUrl url() const;  // http://127.0.0.1:PORT

    // Answers for requests whose path (query aside) ends with pathEnd, in turn; the last stays.
    void answer(const QByteArray &pathEnd, const QList<Answer> &answers);
    void answer(const QByteArray &pathEnd, const QByteArray &body) { answer(pathEnd, {{200, body}}); }

    QList<Request> requests;

private:
    void serve(QTcpSocket *socket);

    QTcpServer m_server;
    QElapsedTimer m_clock;
    QList<QPair<QByteArray, QList<Answer>>> m_answers;
    QMap<QTcpSocket *, QByteArray> m_heads;  // what came of each request so far
};
Q_DECLARE_METATYPE(AlbumServer::Answer)
