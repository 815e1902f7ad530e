// The main window as the user meets it: its controls, the load handling with the stored settings,
// the splash hand-over, quitting and the frame close.

#include "browser/FolderTree.h"
#include "app/Form1.h"
#include "app/FrmMain.h"
#include "browser/GenreBox.h"
#include "app/InstructionsFile.h"
#include "tags/text/Message.h"
#include "browser/Mp3List.h"
#include "player/PlayerController.h"
#include "player/PlayerPanel.h"
#include "tags/settings/SettingsStore.h"

#include "support/SettingsTestCase.h"
#include "support/WindowControls.h"

#include <QAction>
#include <QCheckBox>
#include <QDesktopServices>
#include <QDir>
#include <QElapsedTimer>
#include <QFile>
#include <QGroupBox>
#include <QLabel>
#include <QLineEdit>
#include <QMenu>
#include <QPushButton>
#include <QSettings>
#include <QSlider>
#include <QTemporaryDir>
#include <QTimer>
#include <QToolButton>
#include <QtTest>

namespace {

// Writes the two stored settings the way a quit leaves them.
void storeSettings(const QString &path, const QString &lfn)
{
    QVERIFY(SettingsStore::write(QStringLiteral("Quorrel"), QStringLiteral("Startup"), QStringLiteral("Path"), path));
    QVERIFY(SettingsStore::write(QStringLiteral("Quorrel"), QStringLiteral("Startup"), QStringLiteral("Support LFN"), lfn));
}

void writeTagged(const QString &path, const QByteArray &title)
{
    QByteArray trailer("TAG");
    trailer += title.leftJustified(30, ' ');
    trailer += QByteArray(30 * 3 + 4, ' ');
    trailer += char(17);
    QFile file(path);
    QVERIFY(file.open(QIODevice::WriteOnly));
    file.write(QByteArray(1000, 'x') + trailer);
}

}  // namespace

// Stands in for the desktop's opener, which tests must not start.
class UrlRecorder : public QObject {
    Q_OBJECT
public:
    QList<QUrl> opened;
    Q_INVOKABLE void open(const QUrl &url) { opened << url; }
};

class TestMainWindow : public SettingsTestCase {
    Q_OBJECT

private slots:
    void controlsStandWhereTheLayoutPutsThem()
    {
        FrmMain w;
        QCOMPARE(w.windowTitle(), QStringLiteral("Velmora"));
        QCOMPARE(w.centralWidget()->size(), QSize(687, 678));
        QCOMPARE(w.minimumSize(), w.maximumSize());  // fixed size
        QVERIFY(!w.windowIcon().isNull());

        struct Expect {
            const char *name;
            QRect geometry;
            QString text;
            QString tooltip;
        };
        const Expect expected[] = {
            {"DrvOpen", {8, 48, 169, 21}, {}, "Drive"},
            {"DirOpen", {8, 72, 169, 201}, {}, "Directory"},
            {"lv1", {8, 296, 667, 289}, {}, "MP3 List "},
            {"TxtDispTag0", {256, 144, 393, 19}, {}, "Song Name"},
            {"TxtDispTag3", {256, 216, 393, 19}, {}, "Year"},
            {"CmbGenre", {256, 264, 393, 21}, {}, "Genre"},
            {"ChkKeepTag5", {664, 264, 17, 17}, "Check1", "Check to use the current value again"},
            {"CmdSave", {8, 592, 673, 25}, "&Save Tags", {}},
            {"ChkRenFile", {8, 624, 89, 17}, "Rename File", "Check to rename MP3 using name to the right"},
            {"TxtNewFilename", {368, 624, 313, 19}, {}, "New Filename if \"Rename File\" is checked"},
            {"Cmdswap", {8, 648, 137, 25}, "S&wap Song Name->Artist",
             "Swap what is showing as the song name with what is showing for the artist name"},
            {"Cmdfilesong", {152, 648, 137, 25}, " &Filename->Song Name", "Make the song name the same as the filename"},
            {"CmdQuit", {616, 648, 65, 25}, "&Quit", "Quit Program"},
            {"Frame1", {280, 0, 401, 121}, {}, {}},
            {"Command6", {296, 16, 33, 33}, {}, "Rewind"},
            {"Command5", {328, 16, 33, 33}, {}, "Play"},
            {"Command7", {360, 16, 33, 33}, {}, "Fast Forward"},
            {"Command3", {392, 16, 33, 33}, {}, "Pause"},
            {"Command1", {424, 16, 33, 33}, {}, "Stop"},
            {"Text4", {296, 48, 265, 19}, {}, "Filename"},
            {"pb1", {296, 72, 353, 17}, {}, {}},
            {"Slider1", {288, 88, 369, 25}, {}, "Change song position"},
            {"Text2", {568, 16, 97, 17}, "Time Remaining", {}},
            {"Text1", {568, 32, 81, 38}, "0:00", {}},
            {"Text3", {658, 8, 17, 17}, "Vol", {}},
            {"Slider2", {658, 24, 17, 89}, {}, "Volume"},
            {"Label1", {8, 0, 249, 41}, "Velmora", {}},
            {"Image1", {192, 48, 84, 56}, {}, {}},
            {"Label13", {296, 624, 73, 17}, "New Filename:", {}},
            {"Label2", {192, 144, 65, 17}, "Song Name:", {}},
            {"Label7", {192, 264, 73, 17}, "Genre:", {}},
        };
        for (const Expect &e : expected) {
            auto *widget = w.findChild<QWidget *>(QLatin1String(e.name));
            QVERIFY2(widget, e.name);
            QCOMPARE(QRect(widget->mapTo(w.centralWidget(), QPoint()), widget->size()), e.geometry);
            QCOMPARE(widget->toolTip(), e.tooltip);
            if (!e.text.isEmpty()) {
                const QVariant text = widget->property("text");
                QCOMPARE(text.toString(), e.text);
            }
        }
        const int limits[] = {30, 30, 30, 4, 30};
        for (int k = 0; k < 5; ++k)
            QCOMPARE(controls(w).TxtDispTag[k]->maxLength(), limits[k]);
        QCOMPARE(controls(w).Frame1->title(), QStringLiteral("Play File"));
        QCOMPARE(controls(w).Slider1->maximum(), 250);
        QCOMPARE(controls(w).Slider2->maximum(), 3000);
        const PlayerController &player = w.playerController();
        QCOMPARE(player.Timer1->interval(), 1000);
        QVERIFY(!player.Timer1->isActive() && !player.Timer2->isActive() && !player.Timer3->isActive());
        QCOMPARE(controls(w).Text4->palette().color(QPalette::Text), QColor(64, 0, 64));
        QVERIFY(controls(w).Text1->font().italic());
        QVERIFY(w.Label1->font().bold() && w.Label1->font().italic());

        // Every caption shows whole, up to the box beside it ("Album Name:" is the widest).
        for (int k = 0; k < 6; ++k) {
            const QWidget *box = k < 5 ? static_cast<QWidget *>(controls(w).TxtDispTag[k]) : controls(w).CmbGenre;
            QVERIFY2(QFontMetrics(controls(w).TagLabels[k]->font()).horizontalAdvance(controls(w).TagLabels[k]->text())
                         <= box->x() - controls(w).TagLabels[k]->x(),
                     qPrintable(controls(w).TagLabels[k]->text()));
        }
        QVERIFY(QFontMetrics(controls(w).Label13->font()).horizontalAdvance(controls(w).Label13->text())
                <= controls(w).TxtNewFilename->x() - controls(w).Label13->x());
        // The frame's top line, drawn where no control covers it, passes above the buttons.
        const QImage frame = controls(w).Frame1->grab().toImage();
        const int free = frame.width() - 3;
        int line = 0;
        while (line < frame.height() && frame.pixel(free, line) == frame.pixel(free, 0))
            ++line;
        QVERIFY2(line > 0 && line < controls(w).Command6->y(), qPrintable(QString::number(line)));

        QCOMPARE(w.mnuHelp->title(), QStringLiteral("Help"));
        QStringList captions;
        for (QAction *action : w.mnuHelp->actions())
            captions << action->objectName() + '=' + action->text();
        QCOMPARE(captions, (QStringList{"mnuinstr=&Instructions", "mnuSettings=&Settings", "mnuAbout=&About",
                                        "mnuQuit=&Quit"}));
        QCOMPARE(controls(w).lv1->model()->columnCount(), 7);
    }

    void tabWalksTheTagFieldsInOrder()
    {
        FrmMain w;
        QCOMPARE(controls(w).TxtDispTag[0]->nextInFocusChain(), controls(w).TxtDispTag[1]);
        QCOMPARE(controls(w).TxtDispTag[4]->nextInFocusChain(), static_cast<QWidget *>(controls(w).CmbGenre));
        QVERIFY(controls(w).CmdSave->nextInFocusChain() == controls(w).ChkRenFile);
    }

    void firstStartUsesDefaults()
    {
        const QByteArray before = QFile::encodeName(QDir::currentPath());
        FrmMain w;
        w.Form_Load();
        QVERIFY(log.texts.isEmpty());
        QVERIFY(w.state().SupportLFN);
        QCOMPARE(controls(w).DirOpen->path(), before);
        QCOMPARE(controls(w).CmbGenre->count(), 130);
        QCOMPARE(controls(w).CmbGenre->text(), QString());
        // The box shows the names sorted, each carrying its number.
        QStringList shown;
        for (int i = 0; i < controls(w).CmbGenre->count(); ++i)
            shown << controls(w).CmbGenre->itemText(i);
        QStringList sorted = shown;
        std::sort(sorted.begin(), sorted.end(),
                  [](const QString &a, const QString &b) { return a.compare(b, Qt::CaseInsensitive) < 0; });
        QCOMPARE(shown, sorted);
        QCOMPARE(controls(w).CmbGenre->itemData(controls(w).CmbGenre->findText(QStringLiteral("Blues"))).toInt(), 0);
        QCOMPARE(controls(w).CmbGenre->itemData(controls(w).CmbGenre->findText(QStringLiteral("Hardcore"))).toInt(), 129);
        QCOMPARE(controls(w).CmbGenre->itemData(controls(w).CmbGenre->findText(QStringLiteral("Club-House Terror"))).toInt(), 128);
    }

    void storedFolderIsListedBeforeTheWindowShows_data()
    {
        QTest::addColumn<bool>("startedThere");
        QTest::newRow("started elsewhere") << false;
        QTest::newRow("started in the stored folder") << true;
    }

    void storedFolderIsListedBeforeTheWindowShows()
    {
        QFETCH(bool, startedThere);
        QTemporaryDir music;
        writeTagged(music.filePath(QStringLiteral("one.mp3")), "First Song");
        storeSettings(music.path(), QStringLiteral("false"));
        const QString before = QDir::currentPath();
        if (startedThere)
            QDir::setCurrent(music.path());
        FrmMain w;
        w.Form_Load();
        QDir::setCurrent(before);
        QVERIFY2(log.texts.isEmpty(), qPrintable(log.texts.join('|')));
        QVERIFY(!w.state().SupportLFN);
        QCOMPARE(controls(w).DirOpen->path(), QFile::encodeName(music.path()));
        QCOMPARE(controls(w).lv1->rowCount(), 1);
        QCOMPARE(controls(w).lv1->text(0, 1), QStringLiteral("First Song"));
        // The load ends with an empty panel.
        QCOMPARE(controls(w).TxtDispTag[0]->text(), QString());
        QCOMPARE(controls(w).CmbGenre->text(), QString());
    }

    void vanishedFolderIsReportedAndTheWindowStaysUsable()
    {
        storeSettings(QStringLiteral("/no/such/folder/anywhere"), QStringLiteral("True"));
        const QByteArray before = QFile::encodeName(QDir::currentPath());
        FrmMain w;
        w.Form_Load();
        QCOMPARE(log.texts.size(), 1);
        QVERIFY(log.texts[0].endsWith(QStringLiteral("Error while loading Quorrel.")));
        QVERIFY(log.texts[0].length() > QStringLiteral("Error while loading Quorrel.").length());
        QCOMPARE(controls(w).DirOpen->path(), before);
        QCOMPARE(controls(w).CmbGenre->count(), 130);  // the genre box is filled all the same
    }

    void garbledStyleIsReportedAndTheFolderStillOpens()
    {
        QTemporaryDir music;
        storeSettings(music.path(), QStringLiteral("sometimes"));
        FrmMain w;
        w.Form_Load();
        QCOMPARE(log.texts, QStringList{QStringLiteral("Type mismatchError while loading Quorrel.")});
        QVERIFY(!w.state().SupportLFN);
        QCOMPARE(controls(w).DirOpen->path(), QFile::encodeName(music.path()));
        QCOMPARE(controls(w).CmbGenre->count(), 130);
    }

    void quitStoresFolderAndStyle_data()
    {
        QTest::addColumn<bool>("byMenu");
        QTest::newRow("button") << false;
        QTest::newRow("menu") << true;
    }

    void quitStoresFolderAndStyle()
    {
        QFETCH(bool, byMenu);
        QTemporaryDir music;
        int ended = 0;
        {
            FrmMain w([&ended] { ++ended; });
            w.Form_Load();
            QVERIFY(controls(w).DirOpen->setPath(QFile::encodeName(music.path())).ok());
            w.state().SupportLFN = false;
            if (byMenu)
                w.mnuQuit->trigger();
            else
                QTest::mouseClick(w.CmdQuit, Qt::LeftButton);
            QCOMPARE(ended, 1);
            QVERIFY(!w.player().exists());  // nothing played: no audio backend started to stop it
        }
        QCOMPARE(stored(QStringLiteral("Path")), music.path());
        QCOMPARE(stored(QStringLiteral("Support LFN")), QStringLiteral("False"));

        // The next start opens what the quit stored.
        FrmMain next;
        next.Form_Load();
        QCOMPARE(controls(next).DirOpen->path(), QFile::encodeName(music.path()));
        QVERIFY(!next.state().SupportLFN);
    }

    void frameCloseStoresNothing()
    {
        FrmMain w;
        w.Form_Load();
        w.state().SupportLFN = false;
        w.show();
        QVERIFY(w.close());
        w.Form_Terminate();
        QVERIFY(w.player().exists());
        QCOMPARE(stored(QStringLiteral("Support LFN")), QStringLiteral("<absent>"));
        QVERIFY(!QFile::exists(settingsFile()));
    }

    void instructionsPathKeepsTheRootSeparator()
    {
        QCOMPARE(instructionsPath(QStringLiteral("/opt/velmora/bin")), QStringLiteral("/opt/velmora/bin/instructions.txt"));
        QCOMPARE(instructionsPath(QStringLiteral("/")), QStringLiteral("//instructions.txt"));
    }

    void instructionsFoundBesideTheProgramOrInTheInstalledDataFolder()
    {
        QTemporaryDir prefix;
        const QString bin = prefix.filePath(QStringLiteral("bin"));
        const QString installed = prefix.filePath(QStringLiteral("share/velmora/instructions.txt"));
        QVERIFY(QDir().mkpath(bin));
        QCOMPARE(findInstructions(bin), QString());
        QCOMPARE(instructionsCandidates(bin), (QStringList{bin + "/instructions.txt", installed}));

        QVERIFY(QDir().mkpath(prefix.filePath(QStringLiteral("share/velmora"))));
        QVERIFY(QFile(installed).open(QIODevice::WriteOnly));
        QCOMPARE(findInstructions(bin), installed);
        QVERIFY(QFile(bin + "/instructions.txt").open(QIODevice::WriteOnly));  // a build tree
        QCOMPARE(findInstructions(bin), bin + "/instructions.txt");
    }

    void instructionsGoToTheDesktopOpener()
    {
        // The build copies instructions.txt beside the test programs as it does beside velmora.
        const QString expected = instructionsPath(QCoreApplication::applicationDirPath());
        QVERIFY(QFile::exists(expected));
        UrlRecorder recorder;
        QDesktopServices::setUrlHandler(QStringLiteral("file"), &recorder, "open");
        FrmMain w;
        w.mnuinstr->trigger();
        QDesktopServices::unsetUrlHandler(QStringLiteral("file"));
        QCOMPARE(recorder.opened.size(), 1);
        QCOMPARE(recorder.opened[0].toLocalFile(), expected);
        QVERIFY(log.texts.isEmpty());
    }

    void splashHandsOverAfterTwoSeconds()
    {
        FrmMain *main = nullptr;
        QElapsedTimer clock;
        clock.start();
        auto *splash = new Form1([&main] { return main = new FrmMain(); });
        splash->show();
        QCOMPARE(splash->Timer1->interval(), 2000);
        QCOMPARE(splash->size(), QSize(399, 303));
        QVERIFY(splash->windowFlags() & Qt::FramelessWindowHint);
        QTRY_VERIFY_WITH_TIMEOUT(main != nullptr, 4000);
        QVERIFY(clock.elapsed() >= 1900);
        QVERIFY(main->isVisible());
        QCOMPARE(controls(*main).CmbGenre->count(), 130);  // loaded before it was shown
        delete main;
    }
};

QTEST_MAIN(TestMainWindow)
#include "tst_mainwindow.moc"
