#include "tags/trailer/NameBuilder.h"

#include "tags/codepage/CodePage.h"

namespace {

bool isAsciiLetterOrDigit(QChar c)
{
    const char16_t u = c.unicode();
    return (u >= u'0' && u <= u'9') || (u >= u'A' && u <= u'Z') || (u >= u'a' && u <= u'z');
}

// Only the space character counts: tabs and other white space are part of the name.
QString trimSpaces(const QString &text)
{
    qsizetype first = 0;
    qsizetype last = text.size();
    while (first < last && text.at(first) == u' ')
        ++first;
    while (last > first && text.at(last - 1) == u' ')
        --last;
    return text.mid(first, last - first);
}

// Encoders pad fields with NUL: for a file name the text ends at the first one. A byte kept as
// it is (half of a character cut off by the end of a field), or the replacement mark the panel
// shows for it, stands for nothing in a name.
QString beforeNul(const QString &text)
{
    const qsizetype nul = text.indexOf(QChar(0));
    QString name = nul < 0 ? text : text.left(nul);
    name.removeIf([](QChar c) { return CodePage::isKeptByte(c) || c == QChar::ReplacementCharacter; });
    return name;
}

}  // namespace

QString DOSFileName(const QString &text)
{
    QString result;
    for (const QChar c : text) {
        if (!isAsciiLetterOrDigit(c))
            continue;
        result.append(c.toUpper());
        if (result.size() == 4)
            break;
    }
    return result;
}

QString proposeFileName(const QString &song, const QString &artist, bool longNames,
                        const QString &currentFileName)
{
    if (longNames) {
        const QString songText = beforeNul(song), artistText = beforeNul(artist);
        if (songText.isEmpty() || artistText.isEmpty())
            return currentFileName;
        return trimSpaces(artistText) + u'-' + trimSpaces(songText) + QStringLiteral(".MP3");
    }
    if (song.isEmpty() || artist.isEmpty())
        return currentFileName;
    return DOSFileName(artist) + DOSFileName(song) + QStringLiteral(".MP3");
}
