#include "tags/journal/JournalRecord.h"

#include <QList>

#include <array>

namespace {

using Op = JournalRecord::Op;
using State = JournalRecord::State;

constexpr qsizetype TrailerSize = 128;

const char *const opNames[] = {"write", "append", "cut"};
// The previous version's marks, in the order of the states they become.
const char *const markNames[] = {"open", "nothing", "trailer", "all", "left"};
const State markStates[] = {State::Begun, State::Nothing, State::KeptName, State::Done, State::Left};
const char *const stateNames[] = {"begun", "bytes", "mode", "done", "kept-name", "nothing", "left"};

constexpr int RecordFields = 16;  // with the checksum
constexpr int MarkFields = 4;

QByteArray hexOrDash(const QByteArray &bytes)
{
    return bytes.isEmpty() ? QByteArray("-") : bytes.toHex();
}

bool fromHexOrDash(const QByteArray &text, QByteArray &bytes)
{
    if (text == "-") {
        bytes.clear();
        return true;
    }
    bytes = QByteArray::fromHex(text);
    return bytes.size() == TrailerSize && text.size() == 2 * TrailerSize;
}

// Names are raw bytes: every byte but letters, digits and "-._~" is written %XX, so a name never
// holds the separator and non-UTF-8 bytes survive.
QByteArray encodedName(const QByteArray &name)
{
    return name.toPercentEncoding();
}

// CRC-32 as zlib and PNG compute it, a table at a time: the whole journal is checked at each start.
quint32 crc32(QByteArrayView bytes)
{
    static const auto table = [] {
        std::array<quint32, 256> t{};
        for (quint32 i = 0; i < 256; ++i) {
            quint32 c = i;
            for (int k = 0; k < 8; ++k)
                c = c & 1 ? 0xEDB88320u ^ (c >> 1) : c >> 1;
            t[i] = c;
        }
        return t;
    }();
    quint32 crc = 0xFFFFFFFFu;
    for (const char byte : bytes)
        crc = table[(crc ^ quint8(byte)) & 0xFF] ^ (crc >> 8);
    return crc ^ 0xFFFFFFFFu;
}

QByteArray withChecksum(QByteArray line)
{
    line += '\t' + QByteArray::number(crc32(line), 16).rightJustified(8, '0') + '\n';
    return line;
}

template<typename Enum, size_t N>
bool enumOf(const QByteArray &text, const char *const (&names)[N], Enum &value)
{
    for (size_t i = 0; i < N; ++i) {
        if (text == names[i]) {
            value = Enum(i);
            return true;
        }
    }
    return false;
}

bool parseRecord(const QList<QByteArray> &f, JournalRecord &r)
{
    bool ok[8];
    r.id = f[1].toLongLong(&ok[0]);
    r.batch = f[2].toLongLong(&ok[1]);
    r.undoes = f[3].toLongLong(&ok[2]);
    r.whenMs = f[4].toLongLong(&ok[3]);
    r.lengthBefore = f[6].toLongLong(&ok[4]);
    r.device = f[7].toULongLong(&ok[5]);
    r.inode = f[8].toULongLong(&ok[6]);
    r.mode = f[9].toInt(&ok[7], 8);
    for (bool good : ok)
        if (!good)
            return false;
    r.folder = QByteArray::fromPercentEncoding(f[10]);
    r.oldName = QByteArray::fromPercentEncoding(f[11]);
    r.newName = QByteArray::fromPercentEncoding(f[12]);
    r.state = State::Begun;
    return enumOf(f[5], opNames, r.op) && fromHexOrDash(f[13], r.oldTail) && fromHexOrDash(f[14], r.newTail)
        && r.id > 0 && !r.folder.isEmpty() && !r.oldName.isEmpty() && !r.newName.isEmpty();
}

}  // namespace

qint64 JournalRecord::lengthAfter() const
{
    const qint64 head = newHead.size() - oldHead.size();
    switch (op) {
    case Op::Append:
        return lengthBefore + head + TrailerSize;
    case Op::Cut:
        return lengthBefore + head - TrailerSize;
    case Op::Write:
        break;
    }
    return lengthBefore + head;
}

namespace JournalFormat {

QByteArray recordLine(const JournalRecord &r)
{
    const QByteArray fields[] = {"S",
                                 QByteArray::number(r.id),
                                 QByteArray::number(r.batch),
                                 QByteArray::number(r.undoes),
                                 QByteArray::number(r.whenMs),
                                 opNames[int(r.op)],
                                 QByteArray::number(r.lengthBefore),
                                 QByteArray::number(r.device),
                                 QByteArray::number(r.inode),
                                 QByteArray::number(r.mode, 8),
                                 encodedName(r.folder),
                                 encodedName(r.oldName),
                                 encodedName(r.newName),
                                 hexOrDash(r.oldTail),
                                 hexOrDash(r.newTail)};
    QByteArray line;
    line.reserve(700);
    for (const QByteArray &field : fields) {
        if (!line.isEmpty())
            line += '\t';
        line += field;
    }
    return withChecksum(line);
}

char parseLine(QByteArrayView view, JournalRecord &record)
{
    const QByteArray line = view.toByteArray();
    const qsizetype lastTab = line.lastIndexOf('\t');
    if (lastTab < 0)
        return 0;
    bool ok = false;
    const quint32 sum = line.mid(lastTab + 1).toUInt(&ok, 16);
    if (!ok || line.size() - lastTab != 9 || sum != crc32(QByteArrayView(line).first(lastTab)))
        return 0;
    const QList<QByteArray> f = line.left(lastTab).split('\t');
    if (f[0] == "S" && f.size() == RecordFields - 1)
        return parseRecord(f, record) ? 'S' : 0;
    if (f[0] == "D" && f.size() == MarkFields - 1) {
        record.id = f[1].toLongLong(&ok);
        int mark = 0;
        if (!ok || !enumOf(f[2], markNames, mark))
            return 0;
        record.state = markStates[mark];
        return 'D';
    }
    return 0;
}

const char *opName(JournalRecord::Op op)
{
    return opNames[int(op)];
}

bool opFromName(QByteArrayView name, JournalRecord::Op &op)
{
    return enumOf(name.toByteArray(), opNames, op);
}

const char *stateName(State state)
{
    return stateNames[int(state)];
}

bool stateFromName(QByteArrayView name, State &state)
{
    return enumOf(name.toByteArray(), stateNames, state);
}

}  // namespace JournalFormat
