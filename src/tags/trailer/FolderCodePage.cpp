#include "tags/trailer/FolderCodePage.h"

#include "tags/codepage/CodePageGuess.h"
#include "tags/files/PatternListing.h"
#include "tags/trailer/BulkTrailerReader.h"

FolderGuess guessFolderCodePage(const QByteArray &folder)
{
    FolderGuess result;
    std::vector<ListedFile> files;
    result.status = listFolderFiles(folder, mp3Pattern(), files);
    if (!result.status)
        return result;
    result.files = int(files.size());
    CodePageGuess guess;
    readFolderTrailers(folder, files, [&](int, const RawTrailer &raw) {
        if (!raw.status || !raw.tagged())
            return;
        ++result.tagged;
        guess.addTrailer(raw.bytes);
    });
    result.nonAsciiBytes = guess.nonAsciiBytes();
    result.page = guess.suggestion();
    return result;
}
