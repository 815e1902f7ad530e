#include "tags/id3v1/TrackKeeping.h"

TrackKeeping keepTrackNumber(const Id3v1::Fields &edited, const QByteArray &trailerRead)
{
    TrackKeeping result;
    result.fields = edited;
    if (!Id3v1::hasMarker(trailerRead))
        return result;
    result.track = Id3v1::trackNumber(trailerRead);
    if (result.track == 0 || edited.comment == Id3v1::parse(trailerRead).comment)
        return result;
    const int needed = Id3v1::trimmedLength(edited.comment.constData(), int(edited.comment.size()));
    if (needed > Id3v1::CommentBesideTrackWidth) {
        result.trackGivenUp = true;
        return result;
    }
    result.fields.comment = edited.comment.left(needed).leftJustified(Id3v1::CommentBesideTrackWidth, ' ')
        + trailerRead.mid(Id3v1::TrackMarkerOffset, 2);
    return result;
}
