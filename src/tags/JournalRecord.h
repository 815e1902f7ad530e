#pragma once
// One change of one file as the journal of saves keeps it: enough to tell, later, whether the file
// is as it was before or after the change, and to put it back.

#include <QByteArray>
#include <QtGlobal>

struct JournalRecord {
    // What the change does to the end of the file: write 128 bytes over the last 128, append 128
    // bytes, or cut the last 128 off (an undone append).
    enum class Op { Write, Append, Cut };
    // What the completion mark says: not yet marked (a change in progress, or one cut short), the
    // file left as it was, the new trailer written but the name kept, everything done, or a file
    // found in neither state and left alone.
    enum class Outcome { Open, Nothing, Trailer, All, Left };

    qint64 id = 0;
    qint64 batch = 0;   // the id of the first record of the command that made it
    qint64 undoes = 0;  // the record this one undoes; 0 for a save
    qint64 whenMs = 0;  // milliseconds since the epoch
    QByteArray folder;  // absolute, every link resolved
    QByteArray oldName, newName;  // equal when the file keeps its name
    Op op = Op::Write;
    qint64 lengthBefore = 0;
    QByteArray oldTail;  // the last 128 bytes before; empty for a shorter file
    QByteArray newTail;  // the last 128 bytes after; empty for a shorter file
    quint64 device = 0, inode = 0;
    int mode = 0;  // the permission bits before

    Outcome outcome = Outcome::Open;
    qint64 undoneBy = 0;  // the finished record that undid this one, if any

    qint64 lengthAfter() const;
    bool renames() const { return oldName != newName; }
    // A finished change that wrote something and has not been undone.
    bool undoable() const { return undoneBy == 0 && (outcome == Outcome::Trailer || outcome == Outcome::All); }
    // The name the file has after the change, as far as it went.
    QByteArray currentName() const { return outcome == Outcome::All ? newName : oldName; }
    QByteArray pathOf(const QByteArray &name) const { return folder + '/' + name; }
};

// The journal's text form: one line per record ("S ...") and per completion mark ("D ..."), each
// ending in a checksum of the line, so that a damaged or cut-off line is recognised and skipped.
namespace JournalFormat {

extern const QByteArray Header;  // the first line, naming the format and its version

QByteArray recordLine(const JournalRecord &record);
QByteArray markLine(qint64 id, JournalRecord::Outcome outcome);

// Parses one line (without its newline). Returns 'S' for a record, 'D' for a mark (id and
// outcome in record), 0 for anything else: the header, a damaged line, an unknown version's line.
char parseLine(QByteArrayView line, JournalRecord &record);

const char *outcomeName(JournalRecord::Outcome outcome);

}  // namespace JournalFormat
