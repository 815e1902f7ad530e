#pragma once
// The previous version's journal, a text file "journal" in the journal's folder, read once for
// its import into the database: refused unread unless it is the user's regular file of at most
// 64 MiB, its records parsed with their marks applied. Nothing is written here.

#include "tags/journal/JournalFolder.h"
#include "tags/journal/JournalRecord.h"

#include <QByteArray>

#include <vector>

struct TextJournal {
    std::vector<JournalRecord> records;  // in the file's order, ids as the file gave them
    QByteArray key;                      // device, inode and size: the same file is imported once
};

// Reads folder's text journal into out; a failure says why, to be shown as it stands.
StoreResult readTextJournal(const JournalFolder &folder, TextJournal &out);

// The failure for a text journal that could not be imported, for why.
StoreResult textJournalLeft(const JournalFolder &folder, const QString &why);
