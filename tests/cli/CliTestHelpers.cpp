#include "CliTestHelpers.h"

#include <QDir>
#include <QProcess>

#include <algorithm>
#include <dirent.h>
#include <fcntl.h>
#include <filesystem>
#include <sys/stat.h>
#include <unistd.h>

namespace CliTest {

QByteArray trailer(const QByteArray &title, const QByteArray &artist, const QByteArray &album,
                   const QByteArray &year, const QByteArray &comment, quint8 genre, char pad)
{
    auto field = [pad](const QByteArray &text, int width) { return text.left(width).leftJustified(width, pad); };
    return "TAG" + field(title, 30) + field(artist, 30) + field(album, 30) + field(year, 4) + field(comment, 30) +
           char(genre);
}

QByteArray song(int size, const QByteArray &trailer)
{
    QByteArray bytes(size, Qt::Uninitialized);
    for (int i = 0; i < size; ++i)
        bytes[i] = char('a' + i % 19);
    return bytes + trailer;
}

bool writeFile(const QByteArray &path, const QByteArray &bytes)
{
    const int fd = ::open(path.constData(), O_WRONLY | O_CREAT | O_TRUNC | O_CLOEXEC, 0644);
    if (fd < 0)
        return false;
    const bool ok = ::write(fd, bytes.constData(), bytes.size()) == bytes.size();
    return ::close(fd) == 0 && ok;
}

QByteArray readFile(const QByteArray &path)
{
    const int fd = ::open(path.constData(), O_RDONLY | O_CLOEXEC);
    if (fd < 0)
        return "<missing>";
    QByteArray bytes;
    char block[4096];
    ssize_t n;
    while ((n = ::read(fd, block, sizeof block)) > 0)
        bytes.append(block, n);
    ::close(fd);
    return bytes;
}

QList<QByteArray> namesIn(const QByteArray &folder)
{
    QList<QByteArray> names;
    if (DIR *dir = ::opendir(folder.constData())) {
        while (const dirent *entry = ::readdir(dir)) {
            const QByteArray name(entry->d_name);
            if (name != "." && name != "..")
                names.append(name);
        }
        ::closedir(dir);
    }
    std::sort(names.begin(), names.end());
    return names;
}

bool isOwnerWritable(const QByteArray &path)
{
    struct stat st;
    return ::stat(path.constData(), &st) == 0 && (st.st_mode & S_IWUSR);
}

Run runCli(const QStringList &arguments, const QByteArray &folder, uid_t asUser)
{
    QProcess process;
    process.setWorkingDirectory(QString::fromUtf8(folder));
    if (asUser != uid_t(-1)) {
        process.setChildProcessModifier([asUser] {
            if (::setgid(asUser) != 0 || ::setuid(asUser) != 0)
                ::_exit(99);
        });
    }
    process.start(QStringLiteral(VELMORA_CLI), arguments);
    Run run;
    if (!process.waitForFinished(60000) || process.exitStatus() != QProcess::NormalExit)
        return run;
    run.exitCode = process.exitCode();
    run.out = process.readAllStandardOutput();
    run.err = process.readAllStandardError();
    return run;
}

TempFolder::TempFolder()
{
    QByteArray path = QFile::encodeName(QDir::tempPath()) + "/velmora-cli-test-XXXXXX";
    if (::mkdtemp(path.data()) && ::chmod(path.constData(), 0777) == 0)
        m_path = path;
}

TempFolder::~TempFolder()
{
    if (m_path.isEmpty())
        return;
    std::error_code error;
    std::filesystem::remove_all(std::filesystem::path(m_path.toStdString()), error);
}

}  // namespace CliTest
