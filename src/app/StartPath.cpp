#include "app/StartPath.h"

#include "tags/files/PatternListing.h"

#include <cerrno>
#include <cstring>
#include <filesystem>
#include <sys/stat.h>

namespace {

QByteArray absoluteNormalPath(const QByteArray &argument, const QByteArray &currentFolder)
{
    std::filesystem::path path(argument.toStdString());
    if (path.is_relative())
        path = std::filesystem::path(currentFolder.toStdString()) / path;
    std::string normal = path.lexically_normal().string();
    while (normal.size() > 1 && normal.back() == '/')
        normal.pop_back();
    return QByteArray::fromStdString(normal);
}

}  // namespace

StartRequest resolveStartPath(const QByteArray &argument, const QByteArray &currentFolder)
{
    const QByteArray path = absoluteNormalPath(argument, currentFolder);
    const QString shown = QString::fromUtf8(argument);
    StartRequest request;
    struct stat info {};
    if (::stat(path.constData(), &info) != 0) {
        const QString reason = QString::fromLocal8Bit(std::strerror(errno));
        request.message = QStringLiteral("Velmora cannot open %1: %2").arg(shown, reason);
        return request;
    }
    if (S_ISDIR(info.st_mode)) {
        request.folder = path;
        return request;
    }
    if (!S_ISREG(info.st_mode)) {
        request.message = QStringLiteral("Velmora cannot open %1: it is neither a file nor a folder.").arg(shown);
        return request;
    }
    const int slash = path.lastIndexOf('/');
    request.folder = slash == 0 ? QByteArray("/") : path.left(slash);
    const QByteArray name = path.mid(slash + 1);
    if (matchesFilePattern(name, mp3Pattern()) && !name.startsWith('.'))
        request.fileName = name;
    else
        request.message = QStringLiteral("%1 is not an MP3 file; Velmora lists only files ending in .mp3 "
                                         "whose names do not begin with a dot.").arg(shown);
    return request;
}
