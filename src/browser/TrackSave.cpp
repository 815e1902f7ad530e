#include "browser/TrackSave.h"

#include "tags/text/Message.h"
#include "tags/trailer/TagCore.h"
#include "tags/id3v1/TrackKeeping.h"

QString trackQuestionText(int track)
{
    return QStringLiteral("The comment needs the bytes of track number %1; save it without the track number?")
        .arg(track);
}

bool keepTrackOnSave(Id3v1::Fields &fields, const TagReading &reading)
{
    const TrackKeeping kept = keepTrackNumber(fields, reading.tagged ? reading.trailer : QByteArray());
    if (kept.trackGivenUp && !Message::ask(trackQuestionText(kept.track)))
        return false;
    fields = kept.fields;
    return true;
}
