#pragma once
// ID3v1.1 track numbers survive an edit of the comment: a trailer whose comment byte 28 is NUL and
// byte 29 is not holds a track number there, which a comment written whole, padded with spaces,
// would wipe out.

#include "tags/id3v1/Id3v1.h"

struct TrackKeeping {
    Id3v1::Fields fields;       // what to save
    int track = 0;              // the track number of the trailer read; 0: none
    bool trackGivenUp = false;  // the edited comment needs bytes 28 or 29: the track is lost
};

// Applies the rule to edited fields, given the 128 bytes read (empty when the file had none):
// a comment left as read, or no track number, changes nothing; an edited comment that fits in 28
// bytes is padded to 28 and followed by bytes 28 and 29 as read; a longer one is saved as it is
// and the track gives way (the caller tells the user before saving).
TrackKeeping keepTrackNumber(const Id3v1::Fields &edited, const QByteArray &trailerRead);
