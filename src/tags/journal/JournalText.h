#pragma once
// What the lists of the journal of saves show of a record: the fields its change gave new values
// and the time it was made.

#include "tags/journal/JournalRecord.h"

#include <QByteArrayList>
#include <QDateTime>

namespace JournalText {

// The names of the fields whose values the change altered ("title", "artist", "album", "year",
// "comment", "genre"), in that order. A file without a tag counts as empty fields and genre 0.
QByteArrayList changedFields(const JournalRecord &record);

// The local time of ms since the epoch at today's offset from UTC: asking the time zone for every
// row of a long journal takes a second.
QDateTime localTime(qint64 ms);

}  // namespace JournalText
