#include "cli/Console.h"

#include "tags/journal/JournalFiles.h"
#include "tags/text/TextEscape.h"

#include <QByteArray>

#include <unistd.h>

namespace {

constexpr qsizetype ProgressAbove = 1000;
constexpr std::chrono::milliseconds ProgressInterval(100);
constexpr std::chrono::seconds TreeProgressAfter(1);

}  // namespace

void writeToStandardError(QByteArrayView bytes)
{
    JournalFiles::writeAll(STDERR_FILENO, bytes);  // a failure leaves nowhere to tell of it
}

Console::Console() : m_terminal(::isatty(STDERR_FILENO) == 1), m_started(std::chrono::steady_clock::now()) {}

void Console::fileFailed(QByteArrayView path, const QString &reason)
{
    m_failed = true;
    fileNote(path, reason);
}

void Console::fileNote(QByteArrayView path, const QString &reason)
{
    hideProgress();
    QByteArray line("velmora-cli: ");
    TextEscape::append(line, path);
    // Reasons may quote what a file holds: nothing in them may act on the terminal.
    line += ": " + TextEscape::visible(reason, false).toLocal8Bit() + '\n';
    writeToStandardError(line);
}

void Console::usageError(const QString &message)
{
    writeToStandardError("velmora-cli: " + TextEscape::visible(message, false).toLocal8Bit() +
                         "\nTry 'velmora-cli --help'.\n");
}

void Console::startProgress(const char *what, qsizetype total)
{
    m_what = what;
    m_total = m_terminal && total > ProgressAbove ? total : 0;
    m_lastDrawn = {};
}

void Console::progress(qsizetype done)
{
    if (m_total == 0)
        return;
    const auto now = std::chrono::steady_clock::now();
    if (now - m_lastDrawn < ProgressInterval)
        return;
    m_lastDrawn = now;
    writeProgress(done);
}

void Console::endProgress()
{
    hideProgress();
    m_total = 0;
    m_folders = 0;
}

void Console::writeProgress(qsizetype done)
{
    writeToStandardError("\r" + QByteArray(m_what) + ' ' + QByteArray::number(done) + '/' +
                         QByteArray::number(m_total) + "\033[K");
    m_showing = true;
}

void Console::hideProgress()
{
    if (m_showing)
        writeToStandardError("\r\033[K");
    m_showing = false;
}

void Console::startTreeProgress(qsizetype folders)
{
    m_folders = m_terminal ? folders : 0;
    m_lastDrawn = {};
}

void Console::treeProgress(qsizetype foldersDone, qsizetype written)
{
    if (m_folders == 0)
        return;
    const auto now = std::chrono::steady_clock::now();
    if (now - m_started < TreeProgressAfter || now - m_lastDrawn < ProgressInterval)
        return;
    m_lastDrawn = now;
    const QByteArray files = written < 0 ? QByteArray() : ", " + QByteArray::number(written) + " written";
    writeToStandardError("\rfolders " + QByteArray::number(foldersDone) + '/' + QByteArray::number(m_folders) + files
                         + "\033[K");
    m_showing = true;
}
