#include "support/Id3v2Files.h"

#include "support/TestFiles.h"

#include <QProcess>

#include <unistd.h>

namespace Id3v2Files {

namespace {

QByteArray bigEndian(quint32 value, int bytes)
{
    QByteArray out(bytes, '\0');
    for (int i = bytes - 1; i >= 0; --i, value >>= 8)
        out[i] = char(value & 0xFF);
    return out;
}

QByteArray syncSafe(quint32 value)
{
    QByteArray out(4, '\0');
    for (int i = 3; i >= 0; --i, value >>= 7)
        out[i] = char(value & 0x7F);
    return out;
}

QByteArray littleEndian(quint32 value)
{
    QByteArray out(4, '\0');
    for (int i = 0; i < 4; ++i, value >>= 8)
        out[i] = char(value & 0xFF);
    return out;
}

QByteArray frameBytes(int major, const Frame &frame)
{
    if (major == 2)
        return frame.id + bigEndian(quint32(frame.contents.size()), 3) + frame.contents;
    const QByteArray size = major == 3 ? bigEndian(quint32(frame.contents.size()), 4) : syncSafe(quint32(frame.contents.size()));
    return frame.id + size + '\0' + char(frame.formatFlags) + frame.contents;
}

// A 0x00 after every 0xFF that a reader could take for the start of a sync word.
QByteArray unsynchronise(const QByteArray &bytes)
{
    QByteArray out;
    for (qsizetype i = 0; i < bytes.size(); ++i) {
        out.append(bytes.at(i));
        const bool ff = quint8(bytes.at(i)) == 0xFF;
        if (ff && (i + 1 == bytes.size() || quint8(bytes.at(i + 1)) >= 0xE0 || bytes.at(i + 1) == '\0'))
            out.append('\0');
    }
    return out;
}

QByteArray audio(int size)
{
    return TestFiles::song(size);
}

Id3v2Values values(int version, const QString &title, const QString &year = QStringLiteral("2001"))
{
    return {version, title, QStringLiteral("Red Kettle"), QStringLiteral("Blue Hours"), year,
            QStringLiteral("Recorded live"), QStringLiteral("Rock")};
}

QList<Frame> frames(int major, const QByteArray &title, const QByteArray &year = "2001")
{
    if (major == 2)
        return {{"TT2", title}, {"TP1", latin1("Red Kettle")}, {"TAL", latin1("Blue Hours")},
                {"TYE", latin1(year)}, {"COM", latin1Comment("Recorded live")}, {"TCO", latin1("(17)")}};
    return {{"TIT2", title}, {"TPE1", latin1("Red Kettle")}, {"TALB", latin1("Blue Hours")},
            {major == 3 ? "TYER" : "TDRC", latin1(year)}, {"COMM", latin1Comment("Recorded live")},
            {"TCON", latin1("(17)")}};
}

}  // namespace

QByteArray latin1(const QByteArray &text)
{
    return '\0' + text;
}

QByteArray utf16WithBom(const QString &text)
{
    QByteArray out("\x01\xFF\xFE", 3);
    for (QChar c : text)
        out += char(c.unicode() & 0xFF), out += char(c.unicode() >> 8);
    return out;
}

QByteArray utf16BigEndian(const QString &text)
{
    QByteArray out("\x02", 1);
    for (QChar c : text)
        out += char(c.unicode() >> 8), out += char(c.unicode() & 0xFF);
    return out;
}

QByteArray utf8(const QString &text)
{
    return '\x03' + text.toUtf8();
}

QByteArray latin1Comment(const QByteArray &text)
{
    return QByteArray("\0eng\0", 5) + text;
}

QByteArray tag(int major, const QList<Frame> &frameList, const Layout &layout)
{
    // Version 4 unsynchronises frame by frame, each frame saying so; older ones the whole tag.
    const bool perFrame = layout.unsynchronised && major == 4;
    QByteArray body;
    if (layout.extendedHeader) {
        body += major == 3 ? bigEndian(6, 4) + QByteArray(6, '\0')  // size, flags, padding size
                           : syncSafe(6) + QByteArray("\x01\x00", 2);  // size, one flag byte, no flags
    }
    for (const Frame &frame : frameList)
        body += frameBytes(major, perFrame ? Frame{frame.id, unsynchronise(frame.contents), quint8(frame.formatFlags | 0x02)}
                                           : frame);
    body += QByteArray(layout.padding, '\0');
    if (layout.unsynchronised && !perFrame)
        body = unsynchronise(body);
    const char flags = char((layout.unsynchronised ? 0x80 : 0) | (layout.extendedHeader ? 0x40 : 0)
                            | (layout.footer ? 0x10 : 0));
    const QByteArray rest = char(major) + QByteArray(1, '\0') + flags + syncSafe(quint32(body.size()));
    return "ID3" + rest + body + (layout.footer ? "3DI" + rest : QByteArray());
}

QByteArray apeTag()
{
    const QByteArray item = littleEndian(5) + littleEndian(0) + QByteArray("Artist\0", 7) + "Other";
    const auto frame = [&](quint32 flags) {
        return "APETAGEX" + littleEndian(2000) + littleEndian(quint32(item.size() + 32)) + littleEndian(1)
            + littleEndian(flags) + QByteArray(8, '\0');
    };
    return frame(0xA0000000) + item + frame(0x80000000);
}

QByteArray sampleTrailer()
{
    QByteArray t = TestFiles::trailer("Morning Walk (v1)", "Red Kettle", "", "1999", "old note", 12);
    t[125] = '\0';
    t[126] = '\7';
    return t;
}

QByteArray filledSampleTrailer(const QByteArray &title, bool tracked)
{
    QByteArray t = TestFiles::trailer(title, "Red Kettle", "Blue Hours", "2001", "Recorded live", 17);
    if (tracked) {
        t[125] = '\0';
        t[126] = '\7';
    }
    return t;
}

QList<Sample> samples()
{
    const QString accented = QStringLiteral("Evening Walk \u00FF\u00E9\u20AC");
    const QByteArray trailer = sampleTrailer();
    Layout unsynchronised;
    unsynchronised.unsynchronised = true;
    Layout extended;
    extended.extendedHeader = true;
    extended.padding = 300;
    Layout footer;
    footer.extendedHeader = true;
    footer.footer = true;
    Layout padded;
    padded.padding = 2000;
    return {
        {"v22.mp3", tag(2, frames(2, latin1("Evening Walk"))) + audio(3000) + trailer,
         values(2, QStringLiteral("Evening Walk"))},
        {"v23-unsynchronised.mp3", tag(3, frames(3, utf16WithBom(accented)), unsynchronised) + audio(3000) + trailer,
         values(3, accented)},
        {"v23-extended.mp3", tag(3, frames(3, latin1("Evening Walk")), extended) + audio(3000) + trailer,
         values(3, QStringLiteral("Evening Walk"))},
        {"v24-footer.mp3", tag(4, frames(4, utf8(accented), "2001-05-03"), footer) + audio(3000) + trailer,
         values(4, accented, QStringLiteral("2001-05-03"))},
        {"v24-unsynchronised.mp3", tag(4, frames(4, utf16WithBom(accented)), unsynchronised) + audio(3000) + trailer,
         values(4, accented)},
        {"v24-padding.mp3", tag(4, frames(4, utf16BigEndian(accented)), padded) + audio(3000) + trailer,
         values(4, accented)},
        {"v23-ape.mp3", tag(3, frames(3, latin1("Evening Walk"))) + audio(3000) + apeTag() + trailer,
         values(3, QStringLiteral("Evening Walk"))},
        {"v23-untagged.mp3", tag(3, frames(3, latin1("Evening Walk"))) + audio(3000),
         values(3, QStringLiteral("Evening Walk"))},
    };
}

bool run(const QString &program, const QStringList &arguments)
{
    QProcess process;
    process.start(program, arguments);
    if (!process.waitForFinished(60000) || process.exitStatus() != QProcess::NormalExit || process.exitCode() != 0) {
        qWarning("%s failed: %s%s", qPrintable(program), process.readAllStandardError().constData(),
                 qPrintable(process.errorString()));
        return false;
    }
    return true;
}

QList<QByteArray> realFiles(const QByteArray &folder)
{
    const QString dir = QString::fromUtf8(folder) + '/';
    // A second of silence, as raw samples for lame.
    if (!TestFiles::writeFile(folder + "/silence.raw", QByteArray(44100 * 2, '\0')))
        return {};
    const QStringList tags = {"--tt", "Evening Walk", "--ta", "Red Kettle", "--tl", "Blue Hours", "--ty", "2001",
                              "--tc", "Recorded live", "--tg", "Rock"};
    const QStringList raw = {"--quiet", "-r", "-s", "44.1", "--bitwidth", "16", "-m", "m", dir + "silence.raw"};
    const bool made = run("lame", raw + tags + QStringList{"--tn", "7", "--add-id3v2", dir + "lame.mp3"})
        && run("lame", raw + QStringList{"--id3v1-only", dir + "id3v2.mp3"})
        && run("id3v2", {"--id3v2-only", "-t", "Evening Walk", "-a", "Red Kettle", "-A", "Blue Hours", "-y", "2001",
                         "-c", "Recorded live", "-g", "17", dir + "id3v2.mp3"})
        && run("lame", raw + QStringList{"--id3v1-only", dir + "mid3v2.mp3"})
        && run("mid3v2", {"-t", "Evening Walk", "-a", "Red Kettle", "-A", "Blue Hours", "-y", "2001", "-c",
                          "Recorded live", "-g", "Rock", dir + "mid3v2.mp3"});
    ::unlink((folder + "/silence.raw").constData());
    return made ? QList<QByteArray>{"lame.mp3", "id3v2.mp3", "mid3v2.mp3"} : QList<QByteArray>{};
}

bool writeSampleSeeds(const QByteArray &folder)
{
    for (const Sample &sample : samples())
        if (!TestFiles::writeFile(folder + '/' + sample.name, sample.bytes.left(4000)))
            return false;
    return true;
}

}  // namespace Id3v2Files
