#pragma once
// Per-user settings: one small INI file per application, addressed by section and key.
//
// The file is $XDG_CONFIG_HOME (or ~/.config when that is unset, empty or relative) followed by
// "/<application name in lower case>.ini", so application names are matched without regard to
// letter case. Sections and keys are matched without regard to letter case as well. Every call
// reads the file afresh (no cache), so a value written by another process is seen at once.
// Writes replace the whole file atomically (a new file renamed over the old one), so a crash or a
// full disk never leaves a half-written store; they change only the line of their entry, so
// comments, blank lines, other sections and keys the program does not know stay as they were.
//
// Values are stored as text. Bytes that would break the line format (control characters, a
// backslash, leading or trailing blanks, bytes that are not UTF-8) are written as \xHH escapes,
// so any value, including a folder path with raw non-UTF-8 bytes, reads back unchanged.
//
// The file is read through readSmallFile (SmallFile.h): a FIFO, a device or a link to one in its
// place, or a file over MaxFileBytes, is refused at once. Reads then give the defaults, problem()
// says why for the caller to tell the user, and writes refuse, so that the file is never replaced.
// The window and velmora-cli read the same file through this store (entries: SettingsKeys.h).

#include <QByteArray>
#include <QList>
#include <QString>
#include <optional>
#include <utility>

namespace SettingsStore {

// A settings file is a few lines; a larger one is not read, and not written over.
constexpr qint64 MaxFileBytes = 1024 * 1024;

// The store's file for an application; empty when the name cannot be a file name (empty, ".",
// "..", or holding "/" or a NUL), which makes every operation below refuse it.
QString filePath(const QString &application);

// Empty when application's file is absent (also behind a plain file on the way) or can be read;
// else a message naming the file and the reason (e.g. too large, not a regular file, permission
// denied), saying that the defaults are used.
QString problem(const QString &application);

// The stored text, or defaultValue when the file, the section or the key is absent or the file
// cannot be read.
QString read(const QString &application, const QString &section, const QString &key,
             const QString &defaultValue);

// The same for a value kept as raw bytes (a native path); std::nullopt when absent.
std::optional<QByteArray> readBytes(const QString &application, const QString &section,
                                    const QString &key);

// Creates or replaces the entry. False when nothing was stored: the folder or file cannot be
// written, an existing file cannot be read (its other entries would be lost; a file too large to
// be read is one), or the section or key is not a valid name (empty, or holding a line break,
// "=" in a key, "]" in a section).
// *error, when given, receives the reason: the system's description of the failure, naming the
// folder concerned when it is a folder on the way that cannot be made or entered.
bool write(const QString &application, const QString &section, const QString &key,
           const QString &text, QString *error = nullptr);
bool writeBytes(const QString &application, const QString &section, const QString &key,
                const QByteArray &value, QString *error = nullptr);
// Several entries of one section in one rewrite of the file, as write() would each: all or none.
bool writeEntries(const QString &application, const QString &section,
                  const QList<std::pair<QString, QByteArray>> &entries, QString *error = nullptr);

// Deletes the application's file, and with it every section and key. True when the file is gone
// afterwards (also when nothing was stored); false when it could not be deleted.
bool remove(const QString &application, QString *error = nullptr);

}  // namespace SettingsStore

// The "Support LFN" text as a Boolean: "True" or "False" in any letter case, or a decimal number
// (zero false, any other number true), blanks around it allowed. Anything else, the empty text
// included, is std::nullopt: the caller's load failure.
std::optional<bool> parseSupportLfn(const QString &text);

// "True" or "False", the only texts the program writes.
QString supportLfnText(bool value);
