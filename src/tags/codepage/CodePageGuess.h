#pragma once
// A suggestion of the code page a folder's tags were written in, from the bytes of their text
// fields that are not plain ASCII, by a detector library made for the job. It only suggests:
// nothing switches by itself.

#include "tags/text/FileStatus.h"

#include <QByteArray>
#include <QByteArrayView>

class CodePageGuess {
public:
    // Fewer bytes above ASCII than this are too little text to tell.
    static constexpr int MinimumBytes = 4;

    // One field's stored bytes. A field of plain ASCII says nothing and is left out.
    void addField(QByteArrayView bytes);
    // The five text fields of a 128-byte trailer.
    void addTrailer(const char *trailer);
    qsizetype nonAsciiBytes() const { return m_nonAscii; }
    // The suggested page's number, or 0 when it cannot tell: all ASCII, too little text, or text
    // the detector finds in none of our pages.
    int suggestion() const;

    // The page of a detector's answer ("WINDOWS-1251", "SHIFT_JIS", "KOI8-R"...): the one of
    // ours that answer's script is written in; 0 for none.
    static int pageOfCharset(QByteArrayView charset);

private:
    QByteArray m_text;  // the fields that hold bytes above ASCII, one per line
    qsizetype m_nonAscii = 0;
};

