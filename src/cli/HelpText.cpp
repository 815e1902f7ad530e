#include "cli/HelpText.h"

QByteArray helpText()
{
    return R"help(Usage: velmora-cli COMMAND [OPTIONS] [FILES]
Lists, sets and renames by the ID3v1 tags (the last 128 bytes) of MP3 files, the way Velmora does.

Commands:
  list [FOLDER] [--json] [--codepage PAGE]
      One line per MP3 file of FOLDER (default: the current folder): file, title, artist,
      album, year, comment, genre, genre_number, v2 and track, separated by tabs, after a header
      line. v2 is the version of an ID3v2 tag at the start of the file ("2.3"), track the
      ID3v1.1 track number; both are empty when there is none. --json prints a JSON array of
      objects with the same keys instead; genre_number and track are null when there is none,
      and id3v2 is null or an object with the tag's version, title, artist, album, year (or
      recording date), comment and genre (or a "problem" when it cannot be read). Text is shown
      up to its first NUL, trailing spaces removed.
  set FILE|FOLDER... [--title T] [--artist A] [--album L] [--year Y] [--comment C]
                     [--genre NAME|NUMBER] [--from-v2] [--dry-run] [--codepage PAGE]
                     [--no-journal] [--keep-times] [--write-v2|--no-write-v2]
      Writes the given fields and leaves every other byte of the file as it was. A file without
      a tag gets one appended, starting from empty fields and genre 255. --genre takes a genre
      name in any letter case, a number from 0 to 255, or "" for 255 (no genre). Texts are
      stored in the tags' code page and may not take more bytes than their field (30, the
      year 4). A read-only file is made writable, as Velmora's Save Tags does. An ID3v1.1
      track number is kept while the comment fits in 28 bytes; a longer one gives it up,
      which is said on standard error.
      --from-v2 first fills the fields from the ID3v2 tag at the start of each file, each cut to
      what its field holds (said on standard error; the comment is cut to 28 bytes when
      the file has a track number); fields given as options win. Files without an ID3v2 tag are
      left alone unless fields are given. The ID3v2 tag itself is changed only with --write-v2.
      --dry-run prints "FILE: field "old" -> "new", ..." for each file that would change and
      changes nothing.
      --keep-times gives each file back its modification and access times after the write.
      --write-v2 writes the fields into an ID3v2.3 or 2.4 tag at the start of each file too
      (every other frame kept byte for byte); a tag that cannot be kept whole skips its file.
      --no-write-v2 does not; without either, the window's Tags > "Also Write ID3v2" choice
      (the settings' [Tags] WriteId3v2) holds. The folder jobs below take both as well.
  rename FILE|FOLDER... [--style long|8.3 | --pattern P] [--dry-run] [--json] [--codepage PAGE]
                        [--no-journal] [--keep-times]
      Renames each tagged file to the name Velmora proposes: "Artist-Song.MP3" (long, the
      default) or the first four letters and digits of each, "ARTISONG.MP3" (8.3). Files
      without a tag, an artist or a song name keep their name. A name that is already taken
      is never replaced: that file is reported and left alone. The tag is written back as it
      is, through the same save as set. Prints "old -> new" for each file; --dry-run only
      prints and changes nothing; with --json it prints the preview of from-names with the
      field name. A name holding "/" or a control character, or beginning with ".", is
      refused. All renames of a run are one batch of the journal. --keep-times: as for set.
      --pattern names each file by the codes of from-names ("%n - %t" gives "07 - Up.mp3"):
      %n is written with two digits, three when a track number of the run is above 99; the
      extension stays as the file has it. A file without a tag or with an empty field that
      the pattern names keeps its name, said on standard error.
  from-names FILE|FOLDER... [--pattern P] [--underscores] [--dry-run] [--json]
                            [--codepage PAGE] [--no-journal] [--keep-times]
      Fills the fields a pattern names from each file's name (without its extension):
      %t title, %a artist, %l album, %y year, %c comment, %n track number (ID3v1.1, 1 to
      255), %g genre by name, %x text that is not kept, %% a percent sign; every other
      character matches itself. A code takes the shortest text up to the text that follows
      it, the last code the rest, so "01 - T-Pain - Up" with "%n - %a - %t" gives artist
      "T-Pain" and title "Up". Spaces around each value are removed; %n and %y take digits
      only. --underscores reads "_" as a space. Without --pattern the pattern that matches
      most names is guessed and printed on standard error with its count ("matches 12 of 13
      files"). A file whose name does not match, whose value cannot be stored in the code
      page or does not fit its field's bytes, or whose comment is longer than 28 bytes beside
      a track number, is skipped and said so on standard error; nothing is ever cut. Only
      files that change are written, as set writes them, all as one batch of the journal
      (undo --batch takes the run back). --dry-run prints the preview instead: file, state
      ("will change", "unchanged", "skipped"), reason, then old and new of each field the
      pattern names, separated by tabs after a header line; with --json an array of objects
      with the keys file, state, reason and fields ({"title": {"old": ..., "new": ...}}).
  from-list TEXTFILE|- FILE|FOLDER... [--field F] [--keep-numbers] [--keep-durations]
                                     [--dry-run] [--json] [--codepage PAGE] [--no-journal]
                                     [--keep-times]
      Fills one field (title by default; --field artist, album, year or comment) from a UTF-8
      text of one line per file (at most 1 MiB; - reads standard input), the first line for
      the first file and so on. Blank lines are left out. A leading number ("1.", "01 -",
      "1)", "A1") and a trailing duration ("3:45", "(3:45)") are removed from each line,
      unless --keep-numbers or --keep-durations is given. When the counts of lines and files
      differ it is said on standard error ("13 lines for 12 files") and only the files with a
      line are written; a file whose line is empty once cleaned is skipped. Preview, skipped
      files, journal and exit status as for from-names.
  case FILE|FOLDER... --title|--sentence|--upper|--lower [--trim] [--fields LIST]
                      [--dry-run] [--json] [--codepage PAGE] [--no-journal] [--keep-times]
      Changes the letter case of the fields in LIST (title, artist, album, comment, separated
      by commas; all four by default), as text in the code page. --title: each word's first
      letter up and the rest down, small words ("a", "of", "the", ...) down unless they begin
      or end the text or a part of it, a letter after an apostrophe down ("Don't"); --sentence:
      the first letter of each sentence up. --trim alone or beside them removes spaces at both
      ends and makes each run of spaces one. A result the code page cannot store or that no
      longer fits its field skips that file. Preview, journal and exit status as for
      from-names.
  replace FROM TO FILE|FOLDER... [--regex] [--ignore-case] [--fields LIST] [--dry-run] [--json]
                                 [--codepage PAGE] [--no-journal] [--keep-times]
      Replaces FROM with TO in the fields in LIST (as for case; year may be named too). FROM
      and TO are taken as typed, without the escapes below. --regex: FROM is a regular
      expression (Perl-like) and \1 to \99 in TO are its captures. An invalid expression is bad
      usage. Skipped files, preview, journal and exit status as for case.
  codepage [FOLDER]
      Prints the code page suggested for the tags of FOLDER (default: the current folder),
      or why it cannot tell, and the page in use. Changes nothing.
  history [FOLDER] [--folder FOLDER] [--limit N] [--json]
      The journal of saves, newest first (only FOLDER's with a folder, only the newest N
      with --limit): id, time, batch, undoes, state, undone_by, folder, old_name, new_name
      and changed (the fields).
  undo [ID | --batch] [--dry-run]
      Undoes the last save, with --batch the last command that saved as a whole, or change ID:
      the old tag bytes, permissions and name come back. Refused, with nothing written, when
      the file has changed since. Prints "ID<TAB>path -> path" for each; --dry-run only checks.
      A step that fails (permissions, name) fails the undo (exit 1); it is finished later.
  number FILE|FOLDER... [--start N] [--only-missing] [--cut-comments] [--dry-run] [--json]
                        [--codepage PAGE] [--no-journal] [--keep-times]
      Numbers the files in their order as ID3v1.1 tracks (byte 125 of the file's last 128
      is 0, byte 126 the number): the first file N (default 1, at most 255), each next one
      more. --only-missing leaves files that hold a number as they are; the others still get
      the number of their place. A comment longer than 28 bytes cannot sit beside a number:
      such a file is skipped ("comment would be cut to 28 bytes") unless --cut-comments accepts the
      cut, which never splits a character of a double-byte page. Preview, journal batch and
      output as for from-names, the fields shown being comment and track.
  lookup FOLDER [--artist A] [--album B] [--release MBID] [--list] [--dry-run] [--json]
                [--server URL] [--codepage PAGE] [--no-journal] [--keep-times]
      Fills title, artist, album, year and track number from an album's release on MusicBrainz.
      The search is for the artist and album most of the files share (else the folder's name
      read as "Artist - Album"); --artist and --album replace them. --list prints the releases
      found (mbid, score, title, artist, date, tracks; with --json an array) and writes nothing.
      Without --release the best-scoring release with as many tracks as FOLDER has files is
      chosen and named on standard error; when there is none, nothing is written (exit 1).
      Each file is matched to a track by its track number, else by how alike its name or title
      and the track's title are, else by its length, else in the list's order; each match, its
      rule and the difference in length go to standard error. A value longer than its field is
      cut to fit ("will be cut to fit: title"). --server (or [Online] MusicBrainzServer in the
      settings file) names another server than https://musicbrainz.org. Answers are kept a day in
      $XDG_STATE_HOME/velmora/musicbrainz. A server that is busy, slow (15 s), unreachable or
      answers what MusicBrainz does not is said so and nothing is written (exit 1). Preview,
      journal and exit status as for from-names.
  export FOLDER [-r] [--format csv|tsv|json] [--bom] [--codepage PAGE]
      Prints a tag list: one row per file with its path below FOLDER (in the escaped form
      below), then title, artist, album, year, comment (each decoded from the code page),
      track (empty for none) and genre (its name, else its number; empty for none). CSV (the
      default) is quoted as RFC 4180 says, lines ended by CR LF, in UTF-8; --bom puts the
      byte-order mark first, for spreadsheet programs that need it. TSV writes a tab, newline
      or backslash in a value as \t, \n or \\; JSON is an array of objects, one per line.
  import LIST|- FOLDER [--dry-run] [--json] [--codepage PAGE] [--no-journal] [--keep-times]
      Writes a tag list (as export writes it, in any of its formats, found from the text)
      into the files below FOLDER that its rows name. A column may be left out; a cell equal
      to the file's field as export shows it leaves the field as it is, so a list given back
      unchanged writes nothing. A row whose file is missing or not a plain path below FOLDER,
      a value that does not fit its field or the code page, a control character, a track
      that is not 1 to 255, an unknown genre, or a second row for a file, is said with the
      list's line number and skips only that row; a column the list names that is not one of
      export's is said at line 1 and left out. Preview, journal batch and exit status as for
      from-names.
  playlist FOLDER [-r] [-o FILE] [--force] [--codepage PAGE]
      Writes an M3U8 playlist (UTF-8, #EXTM3U, "#EXTINF:seconds,Artist - Title" from the tags
      and the length of the music, -1 when it cannot be found) of FOLDER's files in track
      order, files without a number after them in list order, each by its path from the
      playlist's folder. The playlist goes to FILE, by default FOLDER/<folder's name>.m3u8,
      written whole or not at all; a file there is replaced only with --force.

-r, --recursive (list, codepage, set, rename, from-names, number, from-list, case, replace,
lookup, export, playlist): each FOLDER stands for itself and every folder under it, each one
an album: a job numbers or pairs lines with the files of each folder in their own order,
lookup searches and matches each folder on its own (not with --list or --release), and
from-names guesses one pattern for the names of them all. Hidden folders and links to
folders are not entered (how many were passed over is said on standard error). list and
export name each file by its path below FOLDER; codepage prints a line for each folder. One
run is one batch of the journal, undone whole by undo --batch. On a terminal, a run of
more than a second shows "folders N/M, N written" on standard error. Ctrl+C stops a run that
writes after the file in hand (exit status 130): what was written is journalled and undone
by undo --batch; a second Ctrl+C ends it at once.

Every command that saves records each save in the journal of saves, the SQLite database
$XDG_STATE_HOME/velmora/journal.sqlite, before the file changes, and refuse to save when it
cannot be written; --no-journal saves without it. At start, a save or an undo that a crash
cut short is put right, and said so.

A FOLDER stands for its MP3 files as Velmora lists them: regular files whose names end in
".mp3" in any letter case and do not begin with ".", sorted by name without regard to case.
"--" ends the options.

Names and texts that are not plain printable UTF-8 are shown escaped, the same way in text,
JSON and messages: \t a tab, \n a newline, \\ a backslash, \xNN any other control character
or a byte that is not valid UTF-8 (for tag text: the tag's byte in the code page). Arguments
are read back the same way, so a name can be copied from the output; a backslash in a file
name or a field must therefore be written \\.

The tags' code page (--codepage PAGE for list and every command that saves): a number (874, 1250 to 1258,
932 Japanese, 936 Chinese Simplified, 949 Korean, 950 Chinese Traditional), a name such as
cp1251, shift_jis, gbk, euc-kr, big5 or Cyrillic, or "system" for the locale's page. Without
it, the page chosen in the window ([Tags] CodePage in $XDG_CONFIG_HOME/quorrel.ini), else the
locale's. A byte of a double-byte page that stands for nothing on its own is shown as \xNN.

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
  velmora-cli from-list sleeve.txt ~/Music/Album --dry-run
  velmora-cli case --title --trim ~/Music/Album
  velmora-cli replace --regex '^(\w+), (\w+)$' '\2 \1' --fields artist ~/Music/Album
  velmora-cli number -r ~/Music --dry-run
  velmora-cli export ~/Music -r > tags.csv
  velmora-cli import tags.csv ~/Music --dry-run
  velmora-cli playlist ~/Music/Album
  velmora-cli lookup ~/Music/Album --dry-run
  velmora-cli undo --batch
)help";
}
