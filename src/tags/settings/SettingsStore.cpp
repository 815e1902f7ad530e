#include "tags/settings/SettingsStore.h"

#include "tags/text/TextEscape.h"
#include "tags/settings/IniText.h"
#include "tags/files/SmallFile.h"

#include <QDir>
#include <QFile>
#include <QFileInfo>
#include <QSaveFile>

#include <cerrno>
#include <charconv>
#include <cmath>
#include <cstring>
#include <filesystem>
#include <sys/stat.h>
#include <system_error>

namespace {

void setError(QString *error, const QString &text)
{
    if (error)
        *error = text;
}

QString systemText(int code)
{
    return QString::fromLocal8Bit(std::strerror(code));
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

enum class Load { Absent, Loaded, Failed };

// The store's bytes, through the one small-file read: a FIFO or device in the store's place is
// never read, nor a file over the limit; a folder on the way that cannot be entered is a failure
// with its reason, not an absent store.
Load loadFile(const QString &path, QByteArray &data, QString *error)
{
    SmallFile file = readSmallFile(path, SettingsStore::MaxFileBytes);
    if (file.absent())
        return Load::Absent;
    if (!file.status) {
        setError(error, file.status.description());
        return Load::Failed;
    }
    data = std::move(file.bytes);
    return Load::Loaded;
}

// mkdir -p that says which folder could not be made or entered, and why.
bool makeFolder(const QByteArray &folder, QString *error)
{
    struct stat st;
    if (::stat(folder.constData(), &st) == 0) {
        if (S_ISDIR(st.st_mode))
            return true;
        setError(error, QStringLiteral("cannot use %1 as a folder: %2")
                            .arg(QFile::decodeName(folder), systemText(ENOTDIR)));
        return false;
    }
    if (errno != ENOENT) {
        setError(error, QStringLiteral("cannot reach the folder %1: %2").arg(QFile::decodeName(folder), systemText(errno)));
        return false;
    }
    const qsizetype slash = folder.lastIndexOf('/');
    if (slash > 0 && !makeFolder(folder.left(slash), error))
        return false;
    if (::mkdir(folder.constData(), 0700) != 0 && errno != EEXIST) {
        setError(error, QStringLiteral("cannot create the folder %1: %2").arg(QFile::decodeName(folder), systemText(errno)));
        return false;
    }
    return true;
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

QString problem(const QString &application)
{
    const QString path = filePath(application);
    if (path.isEmpty())
        return QString();
    const SmallFile file = readSmallFile(path, MaxFileBytes);
    // A plain file on the way holds no settings either: only writes find fault with it.
    if (file.status || file.absent() || file.status.code() == ENOTDIR)
        return QString();
    return QStringLiteral("The settings file %1 is not read: %2. Velmora goes on with its default "
                          "settings and leaves the file as it is.")
        .arg(TextEscape::shown(QFile::encodeName(path)), file.status.description());
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
    return IniText::value(data, section, key);
}

QString read(const QString &application, const QString &section, const QString &key,
             const QString &defaultValue)
{
    const std::optional<QByteArray> value = readBytes(application, section, key);
    return value ? QString::fromUtf8(*value) : defaultValue;
}

bool writeEntries(const QString &application, const QString &section, const QList<std::pair<QString, QByteArray>> &entries,
                  QString *error)
{
    const QString path = filePath(application);
    bool valid = !path.isEmpty() && validName(section, u']');
    for (const auto &[key, value] : entries)
        valid = valid && validName(key, u'=') && !key.startsWith(u'[') && !key.startsWith(u';') && !key.startsWith(u'#');
    if (!valid) {
        setError(error, systemText(EINVAL));
        return false;
    }
    QByteArray data;
    if (loadFile(path, data, error) == Load::Failed)
        return false;  // rewriting would drop the entries we could not read

    if (!makeFolder(QFile::encodeName(QFileInfo(path).absolutePath()), error))
        return false;
    // QSaveFile writes a temporary file beside the store and renames it over the old one only
    // when everything was written and flushed: the entries are kept all together or not at all.
    QSaveFile file(path);
    file.setDirectWriteFallback(false);
    QByteArray bytes = data;
    for (const auto &[key, value] : entries)
        bytes = IniText::withValue(bytes, section, key, value);
    if (!file.open(QIODevice::WriteOnly) || file.write(bytes) != bytes.size() || !file.commit()) {
        setError(error, file.errorString());
        file.cancelWriting();
        return false;
    }
    return true;
}

bool writeBytes(const QString &application, const QString &section, const QString &key,
                const QByteArray &value, QString *error)
{
    return writeEntries(application, section, {{key, value}}, error);
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
        setError(error, systemText(EINVAL));
        return false;
    }
    const std::filesystem::path native(QFile::encodeName(path).toStdString());
    std::error_code ec;
    const auto status = std::filesystem::symlink_status(native, ec);
    if (ec && ec != std::errc::no_such_file_or_directory && ec != std::errc::not_a_directory) {
        setError(error, QString::fromLocal8Bit(ec.message().c_str()));
        return false;
    }
    if (ec || status.type() == std::filesystem::file_type::not_found)
        return true;  // nothing stored
    if (status.type() == std::filesystem::file_type::directory) {
        setError(error, systemText(EISDIR));
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
