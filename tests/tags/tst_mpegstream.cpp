// The music's length read from the MPEG frames: files made by real encoders in every stream kind
// we meet (MPEG 1, 2 and 2.5, constant and variable bitrate, with and without a VBR header, behind
// an ID3v2 tag and before a trailer), and streams that are no streams.

#include "support/Id3v2Files.h"
#include "support/TestFiles.h"
#include "tags/mpeg/MpegStream.h"

#include <QTemporaryDir>
#include <QTest>

class TestMpegStream : public QObject {
    Q_OBJECT

private slots:
    void headersAreReadByTheirBits_data();
    void headersAreReadByTheirBits();
    void encodedFilesHaveTheirLength_data();
    void encodedFilesHaveTheirLength();
    void junkBeforeTheFirstFrameIsPassedOver();
    void noStreamHasNoLength_data();
    void noStreamHasNoLength();
};

void TestMpegStream::headersAreReadByTheirBits_data()
{
    QTest::addColumn<QByteArray>("bytes");
    QTest::addColumn<int>("version");
    QTest::addColumn<int>("layer");
    QTest::addColumn<int>("kbps");
    QTest::addColumn<int>("rate");
    QTest::addColumn<int>("frameBytes");  // 0: not a header
    QTest::newRow("MPEG 1 layer III 128 stereo") << QByteArray("\xFF\xFB\x90\x64", 4) << 10 << 3 << 128 << 44100 << 417;
    QTest::newRow("padded") << QByteArray("\xFF\xFB\x92\x64", 4) << 10 << 3 << 128 << 44100 << 418;
    QTest::newRow("MPEG 2 layer III 24 22.05 mono") << QByteArray("\xFF\xF3\x30\xC4", 4) << 20 << 3 << 24 << 22050 << 78;
    QTest::newRow("MPEG 2.5 layer III 8 8k") << QByteArray("\xFF\xE3\x18\xC4", 4) << 25 << 3 << 8 << 8000 << 72;
    QTest::newRow("MPEG 1 layer II 192 48k") << QByteArray("\xFF\xFD\xA4\x00", 4) << 10 << 2 << 192 << 48000 << 576;
    QTest::newRow("MPEG 1 layer I 384 32k") << QByteArray("\xFF\xFF\xC8\x00", 4) << 10 << 1 << 384 << 32000 << 576;
    QTest::newRow("reserved version") << QByteArray("\xFF\xEB\x90\x64", 4) << 0 << 0 << 0 << 0 << 0;
    QTest::newRow("free bitrate") << QByteArray("\xFF\xFB\x00\x64", 4) << 0 << 0 << 0 << 0 << 0;
    QTest::newRow("bad bitrate") << QByteArray("\xFF\xFB\xF0\x64", 4) << 0 << 0 << 0 << 0 << 0;
    QTest::newRow("bad rate") << QByteArray("\xFF\xFB\x9C\x64", 4) << 0 << 0 << 0 << 0 << 0;
    QTest::newRow("no sync") << QByteArray("\xFF\x1B\x90\x64", 4) << 0 << 0 << 0 << 0 << 0;
}

void TestMpegStream::headersAreReadByTheirBits()
{
    QFETCH(QByteArray, bytes);
    QFETCH(int, frameBytes);
    const auto header = MpegStream::parseFrameHeader(reinterpret_cast<const uchar *>(bytes.constData()));
    QCOMPARE(header.has_value(), frameBytes > 0);
    if (!header)
        return;
    QTEST(header->version, "version");
    QTEST(header->layer, "layer");
    QTEST(header->bitrateKbps, "kbps");
    QTEST(header->sampleRate, "rate");
    QCOMPARE(header->frameBytes, frameBytes);
}

void TestMpegStream::encodedFilesHaveTheirLength_data()
{
    QTest::addColumn<QStringList>("soxFormat");  // rate and channels of the sound lame is given
    QTest::addColumn<QStringList>("lameOptions");
    QTest::addColumn<int>("seconds");
    QTest::addColumn<bool>("exact");  // the encoder wrote a header saying what it added
    QTest::newRow("constant 128 with an Info header") << QStringList{"-r", "44100", "-c", "2"}
                                                       << QStringList{"-b", "128"} << 3 << true;
    QTest::newRow("constant 128 without one") << QStringList{"-r", "44100", "-c", "2"}
                                               << QStringList{"-b", "128", "-t"} << 3 << false;
    QTest::newRow("variable with a Xing header") << QStringList{"-r", "44100", "-c", "2"}
                                                  << QStringList{"-V", "4"} << 5 << true;
    QTest::newRow("MPEG 2 mono") << QStringList{"-r", "22050", "-c", "1"} << QStringList{"-b", "24", "-t"} << 4 << false;
    // Frames of 72 bytes have no room for the header.
    QTest::newRow("MPEG 2.5") << QStringList{"-r", "8000", "-c", "1"} << QStringList{"-b", "8"} << 7 << false;
    QTest::newRow("behind an ID3v2 tag with padding, before a trailer")
        << QStringList{"-r", "44100", "-c", "2"}
        << QStringList{"-b", "160", "-t", "--add-id3v2", "--pad-id3v2-size", "3000", "--tt", "Evening Walk"} << 2 << false;
}

void TestMpegStream::encodedFilesHaveTheirLength()
{
    QFETCH(QStringList, soxFormat);
    QFETCH(QStringList, lameOptions);
    QFETCH(int, seconds);
    QFETCH(bool, exact);
    QTemporaryDir dir;
    const QString wav = dir.filePath("tone.wav"), mp3 = dir.filePath("tone.mp3");
    QVERIFY(Id3v2Files::run("sox", QStringList{"-q", "-n"} + soxFormat
                                       + QStringList{"-b", "16", wav, "synth", QString::number(seconds), "sine", "440"}));
    QVERIFY(Id3v2Files::run("lame", QStringList{"--quiet"} + lameOptions + QStringList{wav, mp3}));

    const auto length = MpegStream::lengthMs(mp3);
    QVERIFY(length.has_value());
    // Exact where the encoder says what it added; without its header, the encoder's delay (1,105
    // samples) and the last frame's filling stay: 210 ms at most at 8 kHz.
    QVERIFY2(*length >= seconds * 1000 - 2 && *length <= seconds * 1000 + (exact ? 2 : 220),
             qPrintable(QString::number(*length)));
}

void TestMpegStream::junkBeforeTheFirstFrameIsPassedOver()
{
    // Three frames of silence at 128 kbps (417 bytes each), after junk holding a false sync whose
    // successor is no frame.
    QByteArray frame(417, '\0');
    frame.replace(0, 4, QByteArray("\xFF\xFB\x90\x64", 4));
    const QByteArray junk("\xFF\xFB\x90\x64junk", 8);
    const QByteArray stream = junk + frame + frame + frame;
    const auto length = MpegStream::lengthMsOf(stream, stream.size());
    QVERIFY(length.has_value());
    QCOMPARE(*length, qint64(3 * 417 * 8 / 128));
}

void TestMpegStream::noStreamHasNoLength_data()
{
    QTest::addColumn<QByteArray>("bytes");
    QTest::newRow("empty") << QByteArray();
    QTest::newRow("text") << QByteArray("not music at all, only words").repeated(100);
    QTest::newRow("only a trailer") << TestFiles::trailer("Song");
    QTest::newRow("ones") << QByteArray(5000, '\xFF');
}

void TestMpegStream::noStreamHasNoLength()
{
    QFETCH(QByteArray, bytes);
    QTemporaryDir dir;
    const QByteArray path = QFile::encodeName(dir.filePath("x.mp3"));
    QVERIFY(TestFiles::writeFile(path, bytes));
    QVERIFY(!MpegStream::lengthMs(QFile::decodeName(path)).has_value());
    QVERIFY(!MpegStream::lengthMs(dir.filePath("missing.mp3")).has_value());
}

QTEST_GUILESS_MAIN(TestMpegStream)
#include "tst_mpegstream.moc"
