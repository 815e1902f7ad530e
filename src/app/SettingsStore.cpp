#include "SettingsStore.h"

#include <QDir>
#include <QFile>
#include <QFileInfo>
#include <QSaveFile>

#include <cerrno>
#include <charconv>
#include <cstring>
#include <cmath>
#include <filesystem>
#include <system_error>
#include <vector>

namespace {

struct Entry {
    QByteArray key;    // as written in the file
    QByteArray value;  // unescaped bytes
};

struct Section {
    QByteArray name;
    std::vector<Entry> entries;
};

using Document = std::vector<Section>;

void setError(QString *error, const QString &text)
{
    if (error)
        *error = text;
}

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

bool validName(const QString &name, QChar forbidden)
{
    if (name.trimmed().isEmpty() || name.trimmed() != name)
        return false;
    for (QChar c : name)
        if (c == u'\n' || c == u'\r' || c == QChar(0) || c == forbidden)
            return false;
    return true;
}

Document parse(const QByteArray &data)
{
    Document doc;
    Section *current = nullptr;  // entries outside a valid section header are ignored
    for (QByteArray line : data.split('\n')) {
        if (line.endsWith('\r'))
            line.chop(1);
        line = trimmedBlanks(line);
        if (line.isEmpty() || line.startsWith(';') || line.startsWith('#'))
            continue;
        if (line.startsWith('[')) {
            const qsizetype close = line.indexOf(']');
            if (close < 0) {
                current = nullptr;
                continue;
            }
            doc.push_back(Section{trimmedBlanks(line.mid(1, close - 1)), {}});
            current = &doc.back();
            continue;
        }
        const qsizetype equals = line.indexOf('=');
        if (!current || equals <= 0)
            continue;
        const QByteArray key = trimmedBlanks(line.left(equals));
        if (key.isEmpty())
            continue;
        current->entries.push_back(Entry{key, unescape(trimmedBlanks(line.mid(equals + 1)))});
    }
    return doc;
}

QByteArray serialise(const Document &doc)
{
    QByteArray out;
    for (const Section &section : doc) {
        if (!out.isEmpty())
            out += '\n';
        out += '[' + section.name + "]\n";
        for (const Entry &entry : section.entries)
            out += entry.key + '=' + escape(entry.value) + '\n';
    }
    return out;
}

enum class Load { Absent, Loaded, Failed };

Load loadFile(const QString &path, QByteArray &data, QString *error)
{
    const QFileInfo info(path);
    if (!info.exists())
        return Load::Absent;
    if (info.isDir()) {
        setError(error, QString::fromLocal8Bit(std::strerror(EISDIR)));
        return Load::Failed;
    }
    if (!info.isFile()) {
        // A FIFO or device in the store's place: opening it could block or never end.
        setError(error, QString::fromLocal8Bit(std::strerror(EINVAL)));
        return Load::Failed;
    }
    QFile file(path);
    if (!file.open(QIODevice::ReadOnly)) {
        setError(error, file.errorString());
        return Load::Failed;
    }
    data = file.readAll();
    if (file.error() != QFileDevice::NoError) {
        setError(error, file.errorString());
        return Load::Failed;
    }
    return Load::Loaded;
}

QString configFolder()
{
    // Only an absolute XDG_CONFIG_HOME counts; a relative one would depend on the current folder.
    const QString configured = QFile::decodeName(qgetenv("XDG_CONFIG_HOME"));
    if (!configured.isEmpty() && QDir::isAbsolutePath(configured))
        return QDir::cleanPath(configured);
    return QDir::homePath() + QStringLiteral("/.config");
}

}  // namespace

namespace SettingsStore {

QString filePath(const QString &application)
{
    if (application.isEmpty() || application == u"." || application == u".."
        || application.contains(u'/') || application.contains(QChar(0)))
        return {};
    return configFolder() + u'/' + application.toLower() + QStringLiteral(".ini");
}

std::optional<QByteArray> readBytes(const QString &application, const QString &section,
                                    const QString &key)
{
    const QString path = filePath(application);
    if (path.isEmpty())
        return std::nullopt;
    QByteArray data;
    if (loadFile(path, data, nullptr) != Load::Loaded)
        return std::nullopt;
    for (const Section &s : parse(data)) {
        if (!sameName(s.name, section))
            continue;
        for (const Entry &e : s.entries)
            if (sameName(e.key, key))
                return e.value;
    }
    return std::nullopt;
}

QString read(const QString &application, const QString &section, const QString &key,
             const QString &defaultValue)
{
    const std::optional<QByteArray> value = readBytes(application, section, key);
    return value ? QString::fromUtf8(*value) : defaultValue;
}

bool writeBytes(const QString &application, const QString &section, const QString &key,
                const QByteArray &value, QString *error)
{
    const QString path = filePath(application);
    if (path.isEmpty() || !validName(section, u']') || !validName(key, u'=')
        || key.startsWith(u'[') || key.startsWith(u';') || key.startsWith(u'#')) {
        setError(error, QString::fromLocal8Bit(std::strerror(EINVAL)));
        return false;
    }
    QByteArray data;
    if (loadFile(path, data, error) == Load::Failed)
        return false;  // rewriting would drop the entries we could not read

    Document doc = parse(data);
    bool stored = false;
    for (Section &s : doc) {
        if (!sameName(s.name, section))
            continue;
        for (auto it = s.entries.begin(); it != s.entries.end();) {
            if (!sameName(it->key, key)) {
                ++it;
            } else if (!stored) {
                it->value = value;
                stored = true;
                ++it;
            } else {
                it = s.entries.erase(it);  // a later duplicate would be shadowed anyway
            }
        }
    }
    if (!stored) {
        Section *target = nullptr;
        for (Section &s : doc)
            if (sameName(s.name, section)) {
                target = &s;
                break;
            }
        if (!target) {
            doc.push_back(Section{section.toUtf8(), {}});
            target = &doc.back();
        }
        target->entries.push_back(Entry{key.toUtf8(), value});
    }

    std::error_code ec;
    const std::filesystem::path folder(QFile::encodeName(QFileInfo(path).absolutePath()).toStdString());
    std::filesystem::create_directories(folder, ec);
    if (ec) {
        setError(error, QString::fromLocal8Bit(ec.message().c_str()));
        return false;
    }
    // QSaveFile writes a temporary file beside the store and renames it over the old one only
    // when everything was written and flushed.
    QSaveFile file(path);
    file.setDirectWriteFallback(false);
    const QByteArray bytes = serialise(doc);
    if (!file.open(QIODevice::WriteOnly) || file.write(bytes) != bytes.size() || !file.commit()) {
        setError(error, file.errorString());
        file.cancelWriting();
        return false;
    }
    return true;
}

bool write(const QString &application, const QString &section, const QString &key,
           const QString &text, QString *error)
{
    return writeBytes(application, section, key, text.toUtf8(), error);
}

bool remove(const QString &application, QString *error)
{
    const QString path = filePath(application);
    if (path.isEmpty()) {
        setError(error, QString::fromLocal8Bit(std::strerror(EINVAL)));
        return false;
    }
    const std::filesystem::path native(QFile::encodeName(path).toStdString());
    std::error_code ec;
    const auto status = std::filesystem::symlink_status(native, ec);
    if (ec || status.type() == std::filesystem::file_type::not_found)
        return true;  // nothing stored
    if (status.type() == std::filesystem::file_type::directory) {
        setError(error, QString::fromLocal8Bit(std::strerror(EISDIR)));
        return false;
    }
    if (!std::filesystem::remove(native, ec) && ec) {
        setError(error, QString::fromLocal8Bit(ec.message().c_str()));
        return false;
    }
    return true;
}

}  // namespace SettingsStore

std::optional<bool> parseSupportLfn(const QString &text)
{
    const QString t = text.trimmed();
    if (t.compare(u"true", Qt::CaseInsensitive) == 0)
        return true;
    if (t.compare(u"false", Qt::CaseInsensitive) == 0)
        return false;
    // A plain decimal number, independent of the user's locale: digits, one point, an exponent.
    QByteArray number = t.toLatin1();
    if (number.startsWith('+')) {
        number.remove(0, 1);
        if (number.startsWith('+') || number.startsWith('-'))
            return std::nullopt;
    }
    for (char c : number)
        if (!((c >= '0' && c <= '9') || c == '.' || c == '-' || c == '+' || c == 'e' || c == 'E'))
            return std::nullopt;
    double value = 0;
    const char *end = number.constData() + number.size();
    const auto result = std::from_chars(number.constData(), end, value);
    if (result.ec != std::errc() || result.ptr != end || !std::isfinite(value))
        return std::nullopt;
    return value != 0;
}

QString supportLfnText(bool value)
{
    return value ? QStringLiteral("True") : QStringLiteral("False");
}
