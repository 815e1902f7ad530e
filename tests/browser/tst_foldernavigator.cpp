// Drive and folder navigation on real folders: a volume whose last folder has gone, one that
// cannot be read at all, and when the shown folder is to be listed.

#include "browser/DriveList.h"
#include "browser/FolderNavigator.h"
#include "browser/FolderTree.h"
#include "browser/TagEditor.h"
#include "support/TestFiles.h"

#include <QSignalSpy>
#include <QTest>
#include <QWidget>

#include <unistd.h>

using namespace TestFiles;

namespace {

// The drive box and folder list with their navigator, and a volume of the test's own.
struct Rig {
    QWidget window;
    DriveList *drives = new DriveList(&window);
    FolderTree *folders = new FolderTree(&window);
    FolderNavigator navigator{*drives, *folders, &window, nullptr};
    QSignalSpy listings{&navigator, &FolderNavigator::folderToList};

    explicit Rig(const QByteArray &volume)
    {
        std::vector<DriveList::Volume> volumes = drives->volumes();
        volumes.push_back({volume, "/dev/none", "vfat", QStringLiteral("STICK")});
        drives->setVolumes(volumes);
    }
    void choose(const QByteArray &mountPoint)  // as the user's choice in the box reports it
    {
        for (int i = 0; i < drives->count(); ++i)
            if (drives->itemData(i).toByteArray() == mountPoint)
                drives->setCurrentIndex(i);
    }
};

}  // namespace

class TestFolderNavigator : public QObject {
    Q_OBJECT

private slots:
    void aDriveWhoseLastFolderVanishedShowsWhatRemainsOfIt()
    {
        TempFolder root;
        const QByteArray volume = root.subfolder("stick");
        const QByteArray album = root.subfolder("stick/album");
        Rig r(volume);
        r.choose(volume);
        QVERIFY(r.navigator.openFolder(album));
        r.choose("/");
        QVERIFY(::rmdir(album.constData()) == 0);
        MessageLog log;
        r.listings.clear();

        r.choose(volume);  // its last folder has gone, the volume has not
        QCOMPARE(log.texts, QStringList());
        QCOMPARE(r.drives->drive(), volume);
        QCOMPARE(r.navigator.shownFolder(), volume);
        QCOMPARE(r.listings.count(), 1);
    }

    void aDriveThatIsNotReadyKeepsThePreviousFolder()
    {
        TempFolder root;
        const QByteArray shown = root.subfolder("shown");
        const QByteArray gone = root.file("unplugged");  // a volume whose mount point has gone
        Rig r(gone);
        QVERIFY(r.navigator.openFolder(shown));
        MessageLog log;
        r.listings.clear();

        r.choose(gone);
        QCOMPARE(log.texts, QStringList({TagEditor::readErrorText()}));
        QCOMPARE(r.drives->drive(), gone);
        QCOMPARE(r.navigator.shownFolder(), shown);
        QCOMPARE(r.listings.count(), 0);
    }

    void openingTheShownFolderAgainListsItAgain()
    {
        TempFolder root;
        Rig r(root.path());
        QVERIFY(r.navigator.openFolder(root.path()));
        QVERIFY(r.navigator.openFolder(root.path()));
        QCOMPARE(r.listings.count(), 2);
        QVERIFY(r.navigator.openFolder(QByteArray()));  // empty text changes nothing
        QCOMPARE(r.listings.count(), 2);
    }
};

QTEST_MAIN(TestFolderNavigator)
#include "tst_foldernavigator.moc"
