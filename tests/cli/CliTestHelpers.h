#pragma once
// Shared by the velmora-cli tests: the real program run on files in a temporary folder, and the
// folder's raw names (Qt cannot list names that are not UTF-8).

#include "support/TestFiles.h"

#include <QByteArray>
#include <QStringList>

#include <sys/types.h>

namespace CliTest {

// The file helpers shared with the other tests: trailers, songs, raw reads and writes, folders.
using TestFiles::exists;
using TestFiles::oldTimes;
using TestFiles::setTimes;
using TestFiles::timesOf;
using TestFiles::isOwnerWritable;
using TestFiles::readFile;
using TestFiles::song;
using TestFiles::TempFolder;
using TestFiles::trailer;
using TestFiles::writeFile;

QList<QByteArray> namesIn(const QByteArray &folder);  // raw, sorted by bytes, without "." and ".."

struct Run {
    int exitCode = -1;
    QByteArray out, err;
};
// Runs velmora-cli with the arguments in the folder (the arguments go through QProcess as UTF-8;
// names that are not UTF-8 are given in their escaped form). asUser: run with that user and group
// id instead of the test's own. standardOutput: a file to write the output into instead.
Run runCli(const QStringList &arguments, const QByteArray &folder, uid_t asUser = uid_t(-1),
           const QString &standardOutput = QString());
// The same, the test's own event loop running meanwhile (for a server the test serves).
Run runCliWhileServing(const QStringList &arguments, const QByteArray &folder);
// Whether user can run velmora-cli at all: a folder on its path may be closed to other users.
bool runsAs(uid_t user);
// The same with input written to its standard input (then closed).
Run runCliWithInput(const QStringList &arguments, const QByteArray &folder, const QByteArray &input);
// The same under another program: wrapper (e.g. strace and its options, ending in "--") runs
// velmora-cli with the arguments.
Run runCliUnder(const QStringList &wrapper, const QStringList &arguments, const QByteArray &folder);

}  // namespace CliTest
