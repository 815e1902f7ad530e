#pragma once
// The small file operations of the journal of saves, retried when a signal interrupts them.
// The command line writes its messages with writeAll too.

#include <QByteArray>
#include <QByteArrayView>

namespace JournalFiles {

// open() without handing the descriptor to child programs; new files are the user's own (0600).
int openCloexec(const QByteArray &path, int flags);
int flockRetrying(int fd, int operation);
bool writeAll(int fd, QByteArrayView bytes);
// The bytes of path from offset on; empty when there is no such file.
QByteArray readFrom(const QByteArray &path, qint64 offset);
bool fsyncFolder(const QByteArray &folder);

}  // namespace JournalFiles
