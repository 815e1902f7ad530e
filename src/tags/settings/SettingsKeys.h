#pragma once
// The one place that names what Velmora keeps in its settings file: the application (the file is
// quorrel.ini, see SettingsStore::filePath), and each entry's section and key. The window and the
// command line read and write the entries by these names only.

#include <QString>

namespace SettingsKeys {

struct Entry {
    QString section;
    QString key;
};

inline const QString application = QStringLiteral("Quorrel");

inline const Entry startPath{QStringLiteral("Startup"), QStringLiteral("Path")};             // raw bytes
inline const Entry supportLfn{QStringLiteral("Startup"), QStringLiteral("Support LFN")};     // True/False
inline const Entry codePage{QStringLiteral("Tags"), QStringLiteral("CodePage")};             // page number, 0 System
inline const Entry keepFileTimes{QStringLiteral("Tags"), QStringLiteral("KeepFileTimes")};   // 1 or 0
inline const Entry writeId3v2{QStringLiteral("Tags"), QStringLiteral("WriteId3v2")};         // 1 or 0
// The file-name patterns last applied, newest first: NamePattern1 to NamePattern5.
// The MusicBrainz server asked for albums (a mirror, or a test's own); unset: the public one.
inline const Entry musicBrainzServer{QStringLiteral("Online"), QStringLiteral("MusicBrainzServer")};
inline const Entry namePatterns{QStringLiteral("Folder Jobs"), QStringLiteral("NamePattern")};
// The rename patterns last applied, newest first: RenamePattern1 to RenamePattern5.
inline const Entry renamePatterns{QStringLiteral("Folder Jobs"), QStringLiteral("RenamePattern")};

}  // namespace SettingsKeys
