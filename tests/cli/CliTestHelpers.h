#pragma once
// Shared by the velmora-cli tests: files with hand-made trailers in a temporary folder (by raw
// path, since Qt cannot open names that are not UTF-8), and the real program run on them.

#include <QByteArray>
#include <QStringList>

#include <sys/types.h>

namespace CliTest {

// A 128-byte trailer built here byte by byte, each text padded (or cut) to its width with pad.
QByteArray trailer(const QByteArray &title, const QByteArray &artist, const QByteArray &album = {},
                   const QByteArray &year = {}, const QByteArray &comment = {}, quint8 genre = 0, char pad = ' ');
// size bytes of filler without "TAG", then the trailer if any.
QByteArray song(int size, const QByteArray &trailer = {});

bool writeFile(const QByteArray &path, const QByteArray &bytes);
QByteArray readFile(const QByteArray &path);  // "<missing>" when it cannot be read
QList<QByteArray> namesIn(const QByteArray &folder);  // raw, sorted by bytes, without "." and ".."
bool isOwnerWritable(const QByteArray &path);

struct Run {
    int exitCode = -1;
    QByteArray out, err;
};
// Runs velmora-cli with the arguments in the folder (the arguments go through QProcess as UTF-8;
// names that are not UTF-8 are given in their escaped form). asUser: run with that user and group
// id instead of the test's own.
Run runCli(const QStringList &arguments, const QByteArray &folder, uid_t asUser = uid_t(-1));

// A fresh folder, removed with everything in it.
class TempFolder {
public:
    TempFolder();
    ~TempFolder();
    QByteArray path() const { return m_path; }
    QByteArray file(const QByteArray &name) const { return m_path + '/' + name; }

private:
    QByteArray m_path;
};

}  // namespace CliTest
