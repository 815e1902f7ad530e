#pragma once
// The one small file operation left of the text journal: a write retried when a signal interrupts
// it. The command line writes its messages with it.

#include <QByteArrayView>

namespace JournalFiles {

bool writeAll(int fd, QByteArrayView bytes);

}  // namespace JournalFiles
