#pragma once
// One change of one file as the journal of saves keeps it: enough to tell, later, whether the file
// is as it was before or after the change, and to put it back. A row of the table "change" of the
// journal's database (JournalStore.h); the lowest file of the journal, it includes nothing of ours.

#include <QByteArray>
#include <QtGlobal>

struct JournalRecord {
    // What the change does to the end of the file: write 128 bytes over the last 128, append 128
    // bytes, or cut the last 128 off (an undone append).
    enum class Op { Write, Append, Cut };
    // How far the change went, each step written down once it is done. A save goes Begun, Bytes,
    // then Done (or KeptName when the rename was refused); an undo goes Begun, Bytes, Mode, then
    // Done. Begun, Bytes and Mode are unfinished: a crash stopped the change there, or it is in
    // progress. Nothing: stopped before it changed anything (or put back so). Left: found in
    // neither state after a crash, or failing a check, and left as it is.
    enum class State { Begun, Bytes, Mode, Done, KeptName, Nothing, Left };

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
    int mode = 0;       // the permission bits before (0777 at most)
    int modeAfter = 0;  // the permission bits the change leaves
    // The ID3v2 tag opening the file before and after, when the change writes it too (both empty
    // when it does not): written over itself when the two are as long, else the file is written
    // anew beside itself and renamed over the old one, and inodeAfter is the new file's.
    QByteArray oldHead, newHead;
    quint64 inodeAfter = 0;  // 0: the change keeps the file

    State state = State::Begun;
    qint64 undoneBy = 0;  // the record that undid (or is undoing) this one, if any
    QByteArray note;      // the last message recovery gave about it, so that it is said once
    QByteArray unreadable;  // a column read back missing or of another type: the record proves nothing

    qint64 lengthAfter() const;
    bool writesHead() const { return !oldHead.isEmpty() || !newHead.isEmpty(); }
    bool rewrites() const { return oldHead.size() != newHead.size(); }
    bool renames() const { return oldName != newName; }
    bool unfinished() const { return state == State::Begun || state == State::Bytes || state == State::Mode; }
    // A finished change that wrote something and has not been undone.
    bool undoable() const { return undoneBy == 0 && (state == State::Done || state == State::KeptName); }
    // The name the file has after the change, as far as it went.
    QByteArray currentName() const { return state == State::Done ? newName : oldName; }
    QByteArray pathOf(const QByteArray &name) const { return folder + '/' + name; }
};

// The names of ops and states as the database stores them.
namespace JournalFormat {

const char *opName(JournalRecord::Op op);
bool opFromName(QByteArrayView name, JournalRecord::Op &op);
const char *stateName(JournalRecord::State state);
bool stateFromName(QByteArrayView name, JournalRecord::State &state);

// The text journal of the previous version (one "S ..." line per record, one "D ..." per mark,
// each with a checksum), read once to be imported. Parses one line (without its newline): 'S'
// for a record, 'D' for a mark (id and state in record), 0 for anything else.
char parseLine(QByteArrayView line, JournalRecord &record);
// A record's line in that format: for the tests of the import.
QByteArray recordLine(const JournalRecord &record);

}  // namespace JournalFormat
