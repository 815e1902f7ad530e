// Tags > "Also Write ID3v2" in the real window: ticked, Save Tags writes the ID3v2 tag too, which
// mutagen then reads, and the "≠" marks are gone; the choice is kept in the settings file.

#include "support/EditorTestHelpers.h"
#include "support/Id3v2Files.h"

#include "app/FrmMain.h"
#include "tags/settings/SettingsStore.h"

#include <QAction>
#include <QLabel>
#include <QProcess>
#include <QStandardPaths>
#include <QtTest>

using namespace EditorTest;

namespace {

QAction *action(FrmMain &window, const char *name)
{
    return window.findChild<QAction *>(QLatin1String(name));
}

// The marks shown beside the boxes.
int marksShown(FrmMain &window)
{
    int shown = 0;
    for (QLabel *mark : window.findChildren<QLabel *>())
        shown += mark->objectName().startsWith(QLatin1String("Id3v2Mark")) && mark->isVisible();
    return shown;
}

}  // namespace

class TestAlsoWriteId3v2 : public FolderTestCase {
    Q_OBJECT

private slots:
    void saveTagsWritesTheId3v2TagToo()
    {
        if (QStandardPaths::findExecutable(QStringLiteral("mid3v2")).isEmpty())
            QSKIP("mid3v2 (python3-mutagen) is not installed");
        using namespace Id3v2Files;
        const QByteArray head = tag(3, {{"TIT2", latin1("Walk")}, {"TPE1", latin1("Red Kettle")},
                                        {"APIC", QByteArray("\0image/png\0\3\0", 13) + QByteArray(2000, 'p')}},
                                    {.padding = 200});
        QVERIFY(writeFile(file("a.mp3"), head + song(700, trailer("Old Walk", "Red Kettle", "", "", "", 255))));
        Window w(m_folder);
        QAction *writeV2 = action(w.main(), "mnuWriteId3v2");
        QVERIFY(writeV2 && writeV2->isCheckable());
        QVERIFY(!writeV2->isChecked());  // off by default
        writeV2->trigger();
        w.clickRow(0);
        QCOMPARE(marksShown(w.main()), 1);  // the title differs
        w.typeInto(0, QStringLiteral("Evening Walk"));
        w.save();
        QProcess mid3v2;
        mid3v2.start(QStringLiteral("mid3v2"), {QStringLiteral("-l"), QString::fromUtf8(file("a.mp3"))});
        QVERIFY(mid3v2.waitForFinished(60000));
        const QString listing = QString::fromUtf8(mid3v2.readAllStandardOutput());
        QVERIFY2(listing.contains(QStringLiteral("TIT2=Evening Walk")), qPrintable(listing));
        QVERIFY2(listing.contains(QStringLiteral("TPE1=Red Kettle")), qPrintable(listing));
        QVERIFY2(listing.contains(QStringLiteral("APIC=")), qPrintable(listing));
        QCOMPARE(readFile(file("a.mp3")).size(), head.size() + 700 + 128);  // written in its padding
        w.clickRow(0);
        QCOMPARE(marksShown(w.main()), 0);
    }

    void theChoiceIsStoredWithTheSettings()
    {
        {
            FrmMain w([] {});
            w.Form_Load();
            action(w, "mnuWriteId3v2")->trigger();
            w.mnuQuit_Click();
        }
        QCOMPARE(SettingsStore::read(QStringLiteral("Quorrel"), QStringLiteral("Tags"), QStringLiteral("WriteId3v2"), {}),
                 QStringLiteral("1"));
        FrmMain again([] {});
        again.Form_Load();
        QVERIFY(action(again, "mnuWriteId3v2")->isChecked());
    }
};

QTEST_MAIN(TestAlsoWriteId3v2)
#include "tst_alsowriteid3v2.moc"
