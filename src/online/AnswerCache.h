#pragma once
// The service's answers kept for a day in the state folder ($XDG_STATE_HOME/velmora/musicbrainz),
// one file per request, so that opening the same release again asks nothing. The cache is a help,
// never a need: a folder that cannot be made or a file that cannot be written only means the next
// request asks again. Only answers that were read whole are kept. Beside them, the time of the
// last request sent by any Velmora process.

#include <QByteArray>
#include <QUrl>

#include <optional>

class AnswerCache {
public:
    static constexpr qint64 KeepSeconds = 24 * 60 * 60;
    static constexpr qint64 MaxAnswerBytes = 8 * 1024 * 1024;

    // folder: empty keeps nothing, as does a relative one (a HOME that is not a path).
    explicit AnswerCache(QByteArray folder) : m_folder(folder.startsWith('/') ? std::move(folder) : QByteArray()) {}

    // $XDG_STATE_HOME/velmora/musicbrainz, beside the journal.
    static QByteArray defaultFolder();

    // The answer kept for url, when one younger than a day is there.
    std::optional<QByteArray> find(const QUrl &url) const;
    void keep(const QUrl &url, const QByteArray &answer) const;

    // When a Velmora process last sent a request (milliseconds since 1970; 0: unknown), so that
    // commands run one after another keep their requests apart too.
    qint64 lastRequestMs() const;
    void noteRequest() const;

private:
    QByteArray fileOf(const QUrl &url) const;
    bool makeFolder() const;

    QByteArray m_folder;
};
