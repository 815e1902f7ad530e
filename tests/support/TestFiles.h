#pragma once
// Real files for the tests: MP3-like files with hand-made trailers in fresh temporary folders, a
// message recorder, and a way to act as an ordinary user when the tests run as root (root
// ignores permission bits).

#include "tags/text/Message.h"

#include <QByteArray>
#include <QString>
#include <QStringList>

namespace TestFiles {


// A 128-byte trailer built byte by byte here, independently of the program's own builder. Each
// text is padded with pad (or cut) to its width.
QByteArray trailer(const QByteArray &title, const QByteArray &artist = {}, const QByteArray &album = {},
                   const QByteArray &year = {}, const QByteArray &comment = {}, quint8 genre = 0,
                   char pad = ' ');

// A trailer padded with NUL bytes, as most encoders write it: "Song" by "The Artist", 2001,
// track 7 in the last byte of the comment, genre 17.
QByteArray nulPaddedTrailer();

// size bytes of audio-like filler (no "TAG" anywhere), then the trailer when one is given.
QByteArray song(int size, const QByteArray &trailer = {});

bool writeFile(const QByteArray &path, const QByteArray &bytes);
QByteArray readFile(const QByteArray &path);
bool exists(const QByteArray &path);
bool isOwnerWritable(const QByteArray &path);
QStringList namesIn(const QByteArray &folder);  // sorted, decoded

// A file's access and modification times, nanoseconds since the epoch.
struct FileTimes {
    qint64 accessNs = 0;
    qint64 modifiedNs = 0;
    bool operator==(const FileTimes &) const = default;
};
FileTimes timesOf(const QByteArray &path);  // zero when it cannot be looked at
bool setTimes(const QByteArray &path, const FileTimes &times);
// Times long past, with nanoseconds that a save could only keep on purpose.
constexpr FileTimes oldTimes{1000000000123456789, 1200000000987654321};

// A fresh folder under the temporary folder, open to every user, removed with everything in it
// (names that are not UTF-8 and entries without permissions included).
class TempFolder {
public:
    TempFolder();
    ~TempFolder();
    bool isValid() const { return !m_path.isEmpty(); }
    QByteArray path() const { return m_path; }
    QByteArray file(const QByteArray &name) const { return m_path + '/' + name; }
    QByteArray subfolder(const QByteArray &name) const;  // created

private:
    QByteArray m_path;
};

// While it lives, XDG_STATE_HOME names a fresh folder (or the path given), so the journal of saves
// begins empty.
class StateHome {
public:
    explicit StateHome(const QByteArray &path = {});
    ~StateHome();
    QByteArray journalFolder() const { return m_path + "/velmora"; }

private:
    TempFolder m_folder;
    QByteArray m_path, m_previous;
};

// Takes every message shown while it lives; questions are recorded and get answer.
class MessageLog {
public:
    MessageLog();
    ~MessageLog();
    QStringList texts;
    QStringList questions;
    bool answer = false;
    void clear() { texts.clear(); questions.clear(); }

private:
    Message::Handler m_previous;
    Message::Question m_previousQuestion;
};

// While it lives, the process acts with the rights of an ordinary user when it runs as root, so
// permission bits take effect. Files meant for that user must be handed over with giveAway().
class ActAsUser {
public:
    ActAsUser();
    ~ActAsUser();
    static bool needed();  // running as root
    static void giveAway(const QByteArray &path);  // chown to the ordinary user (root only)

private:
    bool m_switched = false;
};

}  // namespace TestFiles
