#pragma once
// Save keeps an ID3v1.1 track number: an edited comment that fits in 28 bytes leaves it in place;
// a longer one takes its bytes only when the user agrees, asked before anything is written.

#include "tags/id3v1/Id3v1.h"

#include <QString>

struct TagReading;

// Applies the track rule to the fields a save is about to write. False when the comment needs the
// track number's bytes and the user said no (or no one could answer): nothing is to be written.
bool keepTrackOnSave(Id3v1::Fields &fields, const TagReading &reading);

// The question asked before a comment overwrites track number track.
QString trackQuestionText(int track);
