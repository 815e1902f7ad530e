// The drive list: which mounts are volumes, choosing the volume of a path, and each volume's
// remembered folder.
#include "browser/DriveList.h"

#include <QSignalSpy>
#include <QTest>

namespace {

QList<QByteArray> mountPoints(const std::vector<DriveList::Volume> &volumes)
{
    QList<QByteArray> out;
    for (const auto &v : volumes)
        out << v.mountPoint;
    return out;
}

std::vector<DriveList::Volume> sampleVolumes()
{
    return {{"/", "/dev/sda1", "ext4", {}},
            {"/media/usb", "/dev/sdb1", "vfat", "MUSIC"},
            {"/media/usb2", "/dev/sdc1", "vfat", {}},
            {"/home", "/dev/sda3", "ext4", {}}};
}

}  // namespace

class TestDriveList : public QObject {
    Q_OBJECT
private slots:
    void realSystemHasRootSelected();
    void mountInfoKeepsOnlyBrowsableVolumes();
    void longestPrefixWins_data();
    void longestPrefixWins();
    void changeOnlyWhenTheVolumeChanges();
    void userChoiceReportsChange();
    void rememberedFolders();
    void labelsShownAndSelectionKept();
    void openingTheListRereadsTheMounts();
};

void TestDriveList::realSystemHasRootSelected()
{
    DriveList list;
    QVERIFY(list.count() >= 1);
    QCOMPARE(list.drive(), QByteArray("/"));
    QVERIFY(mountPoints(list.volumes()).contains("/"));
    for (const auto &v : list.volumes()) {
        QVERIFY2(!v.mountPoint.startsWith("/proc") && !v.mountPoint.startsWith("/sys") &&
                     !v.mountPoint.startsWith("/dev"),
                 v.mountPoint.constData());
    }
    QSignalSpy changes(&list, &DriveList::change);
    list.setDriveFor("/tmp");
    QCOMPARE(list.drive(), list.volumeOf("/tmp"));
    QCOMPARE(changes.count(), list.drive() == "/" ? 0 : 1);
}

void TestDriveList::mountInfoKeepsOnlyBrowsableVolumes()
{
    const QByteArray text =
        "22 27 0:21 / /proc rw,relatime - proc proc rw\n"
        "23 27 0:22 / /sys rw,relatime - sysfs sysfs rw\n"
        "24 27 0:6 / /dev rw,relatime - devtmpfs devtmpfs rw\n"
        "27 1 254:0 / / rw,relatime - overlay overlay rw\n"
        "30 27 0:40 / /run/user/1000 rw shared:5 - tmpfs tmpfs rw\n"
        "31 27 8:17 / /run/media/ann/USB\\040STICK rw shared:7 - vfat /dev/sdb1 rw\n"
        "32 27 11:0 / /media/cd ro - iso9660 /dev/sr0 ro\n"
        "33 27 8:3 / /home rw - ext4 /dev/sda3 rw\n"
        "34 27 7:1 / /snap/core/123 ro - squashfs /dev/loop1 ro\n"
        "35 27 8:1 / /boot/efi rw - vfat /dev/sda1 rw\n"
        "36 27 8:33 / /mnt/My\\040Disk rw - ntfs3 /dev/sdc1 rw\n"
        "37 27 0:50 / /mnt/nfs rw - nfs4 server:/export rw\n"
        "38 27 0:51 / /tmp rw - tmpfs tmpfs rw\n"
        "39 27 11:0 / /media/cd ro - udf /dev/sr0 ro\n"  // mounted over the earlier one
        "40 27 254:0 /hosts /etc/hosts rw - ext4 /dev/vda rw\n"  // a single file bound in
        "garbage line\n"
        "\n";
    const auto volumes = DriveList::volumesFromMountInfo(text);
    QCOMPARE(mountPoints(volumes),
             QList<QByteArray>({"/", "/run/media/ann/USB STICK", "/home", "/mnt/My Disk",
                                "/mnt/nfs", "/media/cd"}));
    QCOMPARE(volumes[1].device, QByteArray("/dev/sdb1"));
    QCOMPARE(volumes[5].fsType, QByteArray("udf"));
}

void TestDriveList::longestPrefixWins_data()
{
    QTest::addColumn<QByteArray>("path");
    QTest::addColumn<QByteArray>("volume");
    QTest::newRow("root file") << QByteArray("/etc") << QByteArray("/");
    QTest::newRow("the mount point itself") << QByteArray("/media/usb") << QByteArray("/media/usb");
    QTest::newRow("below a mount") << QByteArray("/media/usb/Music/A") << QByteArray("/media/usb");
    QTest::newRow("longer sibling") << QByteArray("/media/usb2/x") << QByteArray("/media/usb2");
    QTest::newRow("prefix of a name is no prefix") << QByteArray("/media/usbx") << QByteArray("/");
    QTest::newRow("home") << QByteArray("/home/ann") << QByteArray("/home");
    QTest::newRow("slash") << QByteArray("/") << QByteArray("/");
}

void TestDriveList::longestPrefixWins()
{
    QFETCH(QByteArray, path);
    QFETCH(QByteArray, volume);
    DriveList list;
    list.setVolumes(sampleVolumes());
    QCOMPARE(list.volumeOf(path), volume);
    list.setDriveFor(path);
    QCOMPARE(list.drive(), volume);
}

void TestDriveList::changeOnlyWhenTheVolumeChanges()
{
    DriveList list;
    list.setVolumes(sampleVolumes());
    QSignalSpy changes(&list, &DriveList::change);
    list.setDriveFor("/var/music");  // "/" is selected already
    QCOMPARE(changes.count(), 0);

    // A change handler that follows the folder back to its volume must not re-enter.
    int handled = 0;
    connect(&list, &DriveList::change, this, [&] {
        ++handled;
        list.setDriveFor(list.drive() + "/sub");
    });
    list.setDriveFor("/media/usb/a");
    QCOMPARE(handled, 1);
    QCOMPARE(changes.count(), 1);
    list.setDriveFor("/media/usb/b");
    QCOMPARE(changes.count(), 1);
    list.setDriveFor("/home/x");
    QCOMPARE(changes.count(), 2);
    QCOMPARE(list.drive(), QByteArray("/home"));
}

void TestDriveList::userChoiceReportsChange()
{
    DriveList list;
    list.setVolumes(sampleVolumes());
    list.show();
    QVERIFY(QTest::qWaitForWindowExposed(&list));
    QSignalSpy changes(&list, &DriveList::change);
    QByteArray seen;
    connect(&list, &DriveList::change, this, [&] { seen = list.drive(); });
    QTest::keyClick(&list, Qt::Key_Down);
    QCOMPARE(changes.count(), 1);
    QCOMPARE(list.drive(), QByteArray("/home"));  // sorted: "/", "/home", "/media/usb", ...
    QCOMPARE(seen, QByteArray("/home"));
}

void TestDriveList::rememberedFolders()
{
    DriveList list;
    list.setVolumes(sampleVolumes());
    QCOMPARE(list.currentFolderOf("/media/usb"), QByteArray("/media/usb"));
    list.rememberFolder("/media/usb/Music/Album");
    list.rememberFolder("/home/ann");
    QCOMPARE(list.currentFolderOf("/media/usb"), QByteArray("/media/usb/Music/Album"));
    QCOMPARE(list.currentFolderOf("/home"), QByteArray("/home/ann"));
    QCOMPARE(list.currentFolderOf("/media/usb2"), QByteArray("/media/usb2"));
    QCOMPARE(list.currentFolderOf("/"), QByteArray("/"));
    list.rememberFolder("/media/usb");
    QCOMPARE(list.currentFolderOf("/media/usb"), QByteArray("/media/usb"));
    list.rememberFolder("/opt/x");
    QCOMPARE(list.currentFolderOf("/"), QByteArray("/opt/x"));
}

void TestDriveList::labelsShownAndSelectionKept()
{
    DriveList list;
    list.setVolumes(sampleVolumes());
    const int usb = list.findText("/media/usb  [MUSIC]");
    QVERIFY(usb >= 0);
    QCOMPARE(list.itemText(list.findData(QByteArray("/home"))), QString("/home"));
    list.setDriveFor("/media/usb/x");
    QCOMPARE(list.currentIndex(), usb);

    // New volumes keep the selected one, without reporting a change.
    QSignalSpy changes(&list, &DriveList::change);
    auto more = sampleVolumes();
    more.push_back({"/media/aaa", "/dev/sdd1", "vfat", {}});
    list.setVolumes(more);
    QCOMPARE(list.drive(), QByteArray("/media/usb"));
    QCOMPARE(changes.count(), 0);

    // "/" is always there, even when the mount table lacks it.
    list.setVolumes({{"/media/usb", "/dev/sdb1", "vfat", {}}});
    QVERIFY(mountPoints(list.volumes()).contains("/"));
    QCOMPARE(changes.count(), 0);

    // The selected medium was removed: back on "/", and the change is reported.
    list.setVolumes({{"/home", "/dev/sda3", "ext4", {}}});
    QCOMPARE(list.drive(), QByteArray("/"));
    QCOMPARE(changes.count(), 1);
}

QTEST_MAIN(TestDriveList)
#include "tst_drivelist.moc"

void TestDriveList::openingTheListRereadsTheMounts()
{
    DriveList list;
    list.setVolumes(sampleVolumes());
    QVERIFY(mountPoints(list.volumes()).contains("/media/usb"));
    list.showPopup();  // the machine's own mounts replace the ones given above
    QVERIFY(!mountPoints(list.volumes()).contains("/media/usb"));
    QVERIFY(mountPoints(list.volumes()).contains("/"));
    list.hidePopup();
}
