#pragma once
// The text of a small INI file, read and changed one entry at a time. A change touches only the
// line of its entry (or adds one); comments, blank lines, other sections, unknown keys and line
// endings stay byte for byte.
//
// Lines are "[Section]" and "Key=Value" with blanks around names and values ignored, ";" and "#"
// begin comments; sections and keys are matched without regard to letter case, and the first
// entry of a key counts. Values are stored in the printable form of tags/TextEscape.h, with outer
// blanks escaped too, so that any bytes fit on one line; a backslash that begins no escape (as in
// a hand-written Windows path) stands for itself.

#include <QByteArray>
#include <QString>

#include <optional>

namespace IniText {

// The unescaped value of key in section, or std::nullopt when there is none.
std::optional<QByteArray> value(const QByteArray &text, const QString &section, const QString &key);

// text with key in section set to value: its first entry rewritten in place (later entries of
// the same key dropped, they could only mislead), else a line added after the section's last
// entry, else the section added at the end.
QByteArray withValue(const QByteArray &text, const QString &section, const QString &key,
                     const QByteArray &value);

}  // namespace IniText
