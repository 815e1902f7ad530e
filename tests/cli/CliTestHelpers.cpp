#include "CliTestHelpers.h"

#include <QEventLoop>
#include <QTimer>

#include <QDir>
#include <QProcess>

#include <algorithm>
#include <dirent.h>
#include <fcntl.h>
#include <filesystem>
#include <sys/stat.h>
#include <unistd.h>

namespace CliTest {

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

namespace {

Run finished(QProcess &process)
{
    Run run;
    if (!process.waitForFinished(60000) || process.exitStatus() != QProcess::NormalExit)
        return run;
    run.exitCode = process.exitCode();
    run.out = process.readAllStandardOutput();
    run.err = process.readAllStandardError();
    return run;
}

}  // namespace

Run runCliUnder(const QStringList &wrapper, const QStringList &arguments, const QByteArray &folder)
{
    QProcess process;
    process.setWorkingDirectory(QString::fromUtf8(folder));
    process.start(wrapper.first(), wrapper.mid(1) + QStringList{QStringLiteral(VELMORA_CLI)} + arguments);
    return finished(process);
}

Run runCliWithInput(const QStringList &arguments, const QByteArray &folder, const QByteArray &input)
{
    QProcess process;
    process.setWorkingDirectory(QString::fromUtf8(folder));
    process.start(QStringLiteral(VELMORA_CLI), arguments);
    process.write(input);
    process.closeWriteChannel();
    return finished(process);
}

Run runCli(const QStringList &arguments, const QByteArray &folder, uid_t asUser, const QString &standardOutput)
{
    QProcess process;
    process.setWorkingDirectory(QString::fromUtf8(folder));
    if (!standardOutput.isEmpty())
        process.setStandardOutputFile(standardOutput);
    if (asUser != uid_t(-1)) {
        process.setChildProcessModifier([asUser] {
            if (::setgid(asUser) != 0 || ::setuid(asUser) != 0)
                ::_exit(99);
        });
    }
    process.start(QStringLiteral(VELMORA_CLI), arguments);
    return finished(process);
}

Run runCliWhileServing(const QStringList &arguments, const QByteArray &folder)
{
    QProcess process;
    process.setWorkingDirectory(QString::fromUtf8(folder));
    QEventLoop loop;
    QObject::connect(&process, &QProcess::finished, &loop, &QEventLoop::quit);
    QObject::connect(&process, &QProcess::errorOccurred, &loop, &QEventLoop::quit);
    QTimer::singleShot(60000, &loop, &QEventLoop::quit);
    process.start(QStringLiteral(VELMORA_CLI), arguments);
    loop.exec();
    Run run;
    if (process.state() == QProcess::NotRunning && process.exitStatus() == QProcess::NormalExit
        && process.error() == QProcess::UnknownError) {
        run.exitCode = process.exitCode();
        run.out = process.readAllStandardOutput();
        run.err = process.readAllStandardError();
    }
    return run;
}

bool runsAs(uid_t user)
{
    return runCli({QStringLiteral("--version")}, "/", user).exitCode == 0;
}

}  // namespace CliTest
