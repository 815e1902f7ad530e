#include "IniText.h"

#include <vector>

namespace {

QByteArray trimmedBlanks(const QByteArray &text)
{
    qsizetype begin = 0;
    qsizetype end = text.size();
    while (begin < end && (text[begin] == ' ' || text[begin] == '\t'))
        ++begin;
    while (end > begin && (text[end - 1] == ' ' || text[end - 1] == '\t'))
        --end;
    return text.mid(begin, end - begin);
}

bool sameName(const QByteArray &a, const QString &b)
{
    return QString::fromUtf8(a).compare(b, Qt::CaseInsensitive) == 0;
}

int hexDigit(char c)
{
    if (c >= '0' && c <= '9')
        return c - '0';
    if (c >= 'a' && c <= 'f')
        return c - 'a' + 10;
    if (c >= 'A' && c <= 'F')
        return c - 'A' + 10;
    return -1;
}

// Length of the valid UTF-8 sequence starting at data[i], or 0 when the byte there does not
// begin one (stray continuation byte, overlong form, surrogate, beyond U+10FFFF, cut short).
int utf8Length(const QByteArray &data, qsizetype i)
{
    const auto b = [&](qsizetype k) { return static_cast<unsigned char>(data[k]); };
    const unsigned char lead = b(i);
    if (lead < 0x80)
        return 1;
    int length = 0;
    unsigned char low = 0x80, high = 0xBF;  // allowed range of the second byte
    if (lead >= 0xC2 && lead <= 0xDF) {
        length = 2;
    } else if (lead >= 0xE0 && lead <= 0xEF) {
        length = 3;
        if (lead == 0xE0)
            low = 0xA0;
        if (lead == 0xED)
            high = 0x9F;
    } else if (lead >= 0xF0 && lead <= 0xF4) {
        length = 4;
        if (lead == 0xF0)
            low = 0x90;
        if (lead == 0xF4)
            high = 0x8F;
    } else {
        return 0;
    }
    if (i + length > data.size())
        return 0;
    if (b(i + 1) < low || b(i + 1) > high)
        return 0;
    for (int k = 2; k < length; ++k)
        if (b(i + k) < 0x80 || b(i + k) > 0xBF)
            return 0;
    return length;
}

// One line of the text: where it lies, its ending, and what it says.
struct Line {
    enum Kind { Other, Section, Entry } kind = Other;
    qsizetype begin = 0;    // first byte
    qsizetype end = 0;      // one past the last byte before the line ending
    qsizetype next = 0;     // first byte of the following line
    QByteArray name;        // section or key, blanks trimmed
    qsizetype equals = -1;  // offset of "=" in an entry
    bool closed = true;     // a section header without "]" opens no section
};

std::vector<Line> linesOf(const QByteArray &text)
{
    std::vector<Line> lines;
    qsizetype begin = text.startsWith("\xef\xbb\xbf") ? 3 : 0;  // a byte order mark is no part of the first line
    while (begin < text.size()) {
        Line line;
        line.begin = begin;
        qsizetype newline = text.indexOf('\n', begin);
        line.next = newline < 0 ? text.size() : newline + 1;
        line.end = newline < 0 ? text.size() : newline;
        if (line.end > begin && text[line.end - 1] == '\r')
            --line.end;
        const QByteArray content = trimmedBlanks(text.mid(begin, line.end - begin));
        if (content.startsWith('[')) {
            const qsizetype close = content.indexOf(']');
            line.kind = Line::Section;
            line.name = close < 0 ? QByteArray() : trimmedBlanks(content.mid(1, close - 1));
            line.closed = close >= 0;
        } else if (!content.isEmpty() && content[0] != ';' && content[0] != '#') {
            const qsizetype equals = text.indexOf('=', begin);
            if (equals > begin && equals < line.end) {
                line.name = trimmedBlanks(text.mid(begin, equals - begin));
                if (!line.name.isEmpty()) {
                    line.kind = Line::Entry;
                    line.equals = equals;
                }
            }
        }
        lines.push_back(std::move(line));
        begin = lines.back().next;
    }
    return lines;
}

// Calls visit(line, inSection) for every line, inSection telling whether it lies in a section
// named section.
template <typename Visit>
void walk(const std::vector<Line> &lines, const QString &section, Visit visit)
{
    bool inSection = false;
    for (const Line &line : lines) {
        if (line.kind == Line::Section)
            inSection = line.closed && sameName(line.name, section);
        visit(line, inSection);
    }
}

}  // namespace

namespace IniText {

QByteArray unescape(const QByteArray &text)
{
    QByteArray out;
    out.reserve(text.size());
    for (qsizetype i = 0; i < text.size(); ++i) {
        const char c = text[i];
        if (c != '\\' || i + 1 >= text.size()) {
            out += c;
            continue;
        }
        const char next = text[i + 1];
        if (next == '\\') {
            out += '\\';
            ++i;
        } else if (next == 'n') {
            out += '\n';
            ++i;
        } else if (next == 'r') {
            out += '\r';
            ++i;
        } else if (next == 't') {
            out += '\t';
            ++i;
        } else if (next == 'x' && i + 3 < text.size() && hexDigit(text[i + 2]) >= 0
                   && hexDigit(text[i + 3]) >= 0) {
            out += char(hexDigit(text[i + 2]) * 16 + hexDigit(text[i + 3]));
            i += 3;
        } else {
            // A lone backslash (as in a hand-typed Windows path) stands for itself.
            out += c;
        }
    }
    return out;
}

QByteArray escape(const QByteArray &value)
{
    static const char digits[] = "0123456789ABCDEF";
    QByteArray out;
    out.reserve(value.size() + 8);
    const auto hex = [&](unsigned char byte) {
        out += "\\x";
        out += digits[byte >> 4];
        out += digits[byte & 15];
    };
    qsizetype i = 0;
    while (i < value.size()) {
        const unsigned char c = static_cast<unsigned char>(value[i]);
        const bool edge = i == 0 || i == value.size() - 1;
        if (c == '\\') {
            out += "\\\\";
        } else if (c < 0x20 || c == 0x7F || (edge && c == ' ')) {
            // Line breaks would end the entry and outer blanks are trimmed when read.
            hex(c);
        } else if (c >= 0x80) {
            const int length = utf8Length(value, i);
            if (length == 0) {
                hex(c);
            } else {
                out += value.mid(i, length);
                i += length;
                continue;
            }
        } else {
            out += char(c);
        }
        ++i;
    }
    return out;
}

std::optional<QByteArray> value(const QByteArray &text, const QString &section, const QString &key)
{
    std::optional<QByteArray> found;
    walk(linesOf(text), section, [&](const Line &line, bool inSection) {
        if (!found && inSection && line.kind == Line::Entry && sameName(line.name, key))
            found = unescape(trimmedBlanks(text.mid(line.equals + 1, line.end - line.equals - 1)));
    });
    return found;
}

QByteArray withValue(const QByteArray &text, const QString &section, const QString &key,
                     const QByteArray &value)
{
    const std::vector<Line> lines = linesOf(text);
    QByteArray out = text.left(lines.empty() ? text.size() : lines.front().begin);
    bool stored = false;
    qsizetype insertAt = -1;     // in out: after the first matching section's last entry
    bool pastFirstSection = false;
    QByteArray lineEnd = "\n";  // the ending of the line there, for the new one
    walk(lines, section, [&](const Line &line, bool inSection) {
        const QByteArray ending = text.mid(line.end, line.next - line.end);
        if (inSection && line.kind == Line::Entry && sameName(line.name, key)) {
            if (!stored) {
                qsizetype valueAt = line.equals + 1;  // the blanks after "=" stay as they were
                while (valueAt < line.end && (text[valueAt] == ' ' || text[valueAt] == '\t'))
                    ++valueAt;
                out += text.mid(line.begin, valueAt - line.begin) + escape(value) + ending;
            }
            stored = true;  // a later entry of the key is dropped: it could only mislead
            return;
        }
        out += text.mid(line.begin, line.next - line.begin);
        pastFirstSection = pastFirstSection || (insertAt >= 0 && !inSection);
        if (inSection && !pastFirstSection && line.kind != Line::Other) {
            insertAt = out.size();
            if (ending.endsWith('\n'))
                lineEnd = ending;
        }
    });
    if (stored)
        return out;
    const QByteArray entry = key.toUtf8() + '=' + escape(value);
    if (insertAt >= 0) {
        // Only the last line can lack an ending (or have a lone "\r"); the new entry then needs one
        // before it.
        QByteArray before;
        if (insertAt == out.size() && !out.endsWith('\n'))
            before = out.endsWith('\r') ? QByteArray("\n") : lineEnd;
        return out.insert(insertAt, before + entry + lineEnd);
    }
    if (!lines.empty())
        out += out.endsWith('\n') ? "\n" : "\n\n";
    return out + '[' + section.toUtf8() + "]\n" + entry + '\n';
}

}  // namespace IniText
