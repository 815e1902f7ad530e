#include "HelpText.h"

QByteArray helpText()
{
    return R"(Usage: velmora-cli COMMAND [OPTIONS] [FILES]
Lists, sets and renames by the ID3v1 tags (the last 128 bytes) of MP3 files, the way Velmora does.

Commands:
  list [FOLDER] [--json]
      One line per MP3 file of FOLDER (default: the current folder): file, title, artist,
      album, year, comment, genre, genre_number, v2 and track, separated by tabs, after a header
      line. v2 is the version of an ID3v2 tag at the start of the file ("2.3"), track the
      ID3v1.1 track number; both are empty when there is none. --json prints a JSON array of
      objects with the same keys instead; genre_number and track are null when there is none,
      and id3v2 is null or an object with the tag's version, title, artist, album, year (or
      recording date), comment and genre (or a "problem" when it cannot be read). Text is shown
      up to its first NUL, trailing spaces removed.
  set FILE|FOLDER... [--title T] [--artist A] [--album L] [--year Y] [--comment C]
                     [--genre NAME|NUMBER] [--from-v2] [--dry-run]
      Writes the given fields and leaves every other byte of the file as it was. A file without
      a tag gets one appended, starting from empty fields and genre 255. --genre takes a genre
      name in any letter case, a number from 0 to 255, or "" for 255 (no genre). Texts are
      stored in the system's code page and may not be longer than their field (30 characters,
      the year 4). A read-only file is made writable, as Velmora's Save Tags does. An ID3v1.1
      track number is kept while the comment fits in 28 characters; a longer one gives it up,
      which is said on standard error.
      --from-v2 first fills the fields from the ID3v2 tag at the start of each file, each cut to
      what its field holds (said on standard error; the comment is cut to 28 characters when
      the file has a track number); fields given as options win. Files without an ID3v2 tag are
      left alone unless fields are given. The ID3v2 tag itself is never changed.
      --dry-run prints "FILE: field "old" -> "new", ..." for each file that would change and
      changes nothing.
  rename FILE|FOLDER... [--style long|8.3] [--dry-run]
      Renames each tagged file to the name Velmora proposes: "Artist-Song.MP3" (long, the
      default) or the first four letters and digits of each, "ARTISONG.MP3" (8.3). Files
      without a tag, an artist or a song name keep their name. A name that is already taken
      is never replaced: that file is reported and left alone. The tag is written back as it
      is, through the same save as set. Prints "old -> new" for each file; --dry-run only
      prints and changes nothing.

A FOLDER stands for its MP3 files as Velmora lists them: regular files whose names end in
".mp3" in any letter case and do not begin with ".", sorted by name without regard to case.
"--" ends the options.

Names and texts that are not plain printable UTF-8 are shown escaped, the same way in text
and JSON: \t a tab, \n a newline, \\ a backslash, \xNN any other control character or a byte
that is not valid UTF-8 (for tag text: the tag's byte in the code page). Arguments are read
back the same way, so a name can be copied from the output; a backslash in a file name or a
field must therefore be written \\.

Other options:
  -h, --help     this text
  --version      the version

Exit status: 0 when everything asked was done, 1 when some file (or folder) failed (the
others are still done; the reasons go to standard error), 2 for bad usage (nothing is done).
A progress line goes to standard error for more than 1,000 files when it is a terminal.

Examples:
  velmora-cli list ~/Music/Album --json
  velmora-cli set ~/Music/Album --album "Blue Album" --year 1994 --genre Rock
  velmora-cli set ~/Music/Album --from-v2 --dry-run
  velmora-cli rename ~/Music/Album --dry-run
)";
}
