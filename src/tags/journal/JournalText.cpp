#include "tags/journal/JournalText.h"

#include "tags/id3v1/Id3v1.h"

#include <utility>

namespace {

Id3v1::Fields fieldsOf(const QByteArray &tail)
{
    if (tail.size() == Id3v1::TrailerSize && Id3v1::hasMarker(tail))
        return Id3v1::parse(tail);
    return Id3v1::Fields{{}, {}, {}, {}, {}, 0};
}

}  // namespace

namespace JournalText {

QByteArrayList changedFields(const JournalRecord &record)
{
    const Id3v1::Fields a = fieldsOf(record.oldTail), b = fieldsOf(record.newTail);
    QByteArrayList names;
    const std::pair<const char *, bool> fields[] = {
        {"title", a.title != b.title},       {"artist", a.artist != b.artist},
        {"album", a.album != b.album},       {"year", a.year != b.year},
        {"comment", a.comment != b.comment}, {"genre", a.genre != b.genre}};
    for (const auto &[name, differs] : fields)
        if (differs)
            names << name;
    return names;
}

QDateTime localTime(qint64 ms)
{
    static const int offset = QDateTime::currentDateTime().offsetFromUtc();
    return QDateTime::fromMSecsSinceEpoch(ms, Qt::OffsetFromUTC, offset);
}

}  // namespace JournalText
