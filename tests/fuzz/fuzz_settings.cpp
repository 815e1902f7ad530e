// The settings store on a file of any content: after a write the value reads back, every other
// entry reads as before, every line it did not write is still there in order, and writing the
// same value again changes nothing. The input is the value, a NUL, then the file's bytes.

#include "FuzzCheck.h"
#include "tags/settings/IniText.h"
#include "ScratchFile.h"
#include "tags/settings/SettingsStore.h"

#include <QFile>

#include <cstdlib>

namespace {

const QString app = QStringLiteral("Quorrel");
const QString section = QStringLiteral("Startup");
const QString key = QStringLiteral("Path");

QString storePath()
{
    static const QString path = [] {
        qputenv("XDG_CONFIG_HOME", scratchFolder());
        std::atexit([] {
            QFile::remove(SettingsStore::filePath(app));
            ::rmdir(scratchFolder().constData());
        });
        return SettingsStore::filePath(app);
    }();
    return path;
}

// Whether every line of before that is no entry of the key written appears in after, in order.
bool keepsOtherLines(QByteArray before, QByteArray after)
{
    // A byte order mark stays in front, also of a section added to a file that held nothing else.
    const QByteArray mark = "\xef\xbb\xbf";
    if (before.startsWith(mark)) {
        if (!after.startsWith(mark))
            return false;
        before.remove(0, mark.size());
        after.remove(0, mark.size());
    }
    const QList<QByteArray> kept = after.split('\n');
    const QList<QByteArray> lines = before.isEmpty() ? QList<QByteArray>() : before.split('\n');
    qsizetype at = 0;
    for (qsizetype i = 0; i < lines.size(); ++i) {
        const QByteArray &line = lines[i];
        const QByteArray probe = "[" + section.toUtf8() + "]\n" + line;
        if (IniText::value(probe, section, key))
            continue;  // may be the entry written
        // A last line without an ending may get the file's "\r\n" when an entry follows it.
        const bool last = i == lines.size() - 1;
        while (at < kept.size() && kept[at] != line && !(last && kept[at] == line + '\r'))
            ++at;
        if (at == kept.size())
            return false;
        ++at;
    }
    return true;
}

}  // namespace

extern "C" int LLVMFuzzerTestOneInput(const uint8_t *data, size_t size)
{
    const QByteArray input = fuzzBytes(data, size);
    const qsizetype nul = input.indexOf('\0');
    const QByteArray value = nul < 0 ? input : input.left(nul);
    const QByteArray before = nul < 0 ? QByteArray() : input.mid(nul + 1);
    const QString path = storePath();
    FUZZ_CHECK(TestFiles::writeFile(QFile::encodeName(path), before));

    const auto other = IniText::value(before, QStringLiteral("Other"), QStringLiteral("Colour"));
    const auto lfn = IniText::value(before, section, QStringLiteral("Support LFN"));
    FUZZ_CHECK(SettingsStore::writeBytes(app, section, key, value));
    FUZZ_CHECK(SettingsStore::readBytes(app, section, key) == value);
    const QByteArray after = TestFiles::readFile(QFile::encodeName(path));
    FUZZ_CHECK(IniText::value(after, QStringLiteral("Other"), QStringLiteral("Colour")) == other);
    FUZZ_CHECK(IniText::value(after, section, QStringLiteral("Support LFN")) == lfn);
    FUZZ_CHECK(keepsOtherLines(before, after));

    FUZZ_CHECK(SettingsStore::writeBytes(app, section, key, value));
    FUZZ_CHECK(TestFiles::readFile(QFile::encodeName(path)) == after);
    return 0;
}
