#pragma once
// The drive list: the mounted volumes a user browses, "/" and the real file systems mounted on it
// (removable media, a separate /home, ...), never pseudo or system mounts. Each line shows the
// mount point and, when it has one, the volume's label. Every volume remembers the last folder
// shown on it in this run.

#include <QByteArray>
#include <QComboBox>
#include <QHash>
#include <QString>

#include <vector>

class DriveList : public QComboBox {
    Q_OBJECT
public:
    struct Volume {
        QByteArray mountPoint;
        QByteArray device;
        QByteArray fsType;
        QString label;
    };

    explicit DriveList(QWidget *parent = nullptr);

    // Re-reads the mounted volumes, keeping the selected one when it is still there.
    void reload();
    // Opening the list re-reads the volumes, so media mounted since start-up are offered.
    void showPopup() override;
    // Shows these volumes instead ("/" is always added when missing). When the selected volume is
    // no longer among them, "/" is selected and change() reported.
    void setVolumes(std::vector<Volume> volumes);
    const std::vector<Volume> &volumes() const { return m_volumes; }

    QByteArray drive() const;  // mount point of the selected volume

    // Selects the volume holding path (the longest mount-point prefix, whole components only).
    // Emits change() only when the selection changed, so it never re-enters for the same volume.
    void setDriveFor(const QByteArray &path);

    QByteArray currentFolderOf(const QByteArray &drive) const;  // last folder shown on it, else its root
    void rememberFolder(const QByteArray &folder);              // for the volume that holds folder

    // The mount point that holds path, among the listed volumes.
    QByteArray volumeOf(const QByteArray &path) const;

    // The browsable volumes described by the text of /proc/self/mountinfo, in mount order.
    static std::vector<Volume> volumesFromMountInfo(const QByteArray &text);

signals:
    void change();  // the user or the program chose another volume

private:
    int indexOfVolume(const QByteArray &mountPoint) const;

    std::vector<Volume> m_volumes;
    QHash<QByteArray, QByteArray> m_currentFolders;
};
