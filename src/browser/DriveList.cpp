#include "browser/DriveList.h"

#include <QDir>
#include <QFile>
#include <QFileInfo>

#include <algorithm>
#include <sys/stat.h>

namespace {

// Mount points that belong to the system rather than to the user's files.
bool isSystemMountPoint(const QByteArray &mp)
{
    static const char *const prefixes[] = {"/proc", "/sys", "/dev", "/run", "/snap", "/boot",
                                           "/var/snap", "/var/lib/snapd", "/var/lib/docker"};
    if (mp == "/run/media" || mp.startsWith("/run/media/"))
        return false;
    for (const char *p : prefixes) {
        const QByteArray prefix(p);
        if (mp == prefix || mp.startsWith(prefix + '/'))
            return true;
    }
    return false;
}

bool isPseudoFileSystem(const QByteArray &type)
{
    static const char *const types[] = {
        "proc", "sysfs", "devtmpfs", "devpts", "tmpfs", "ramfs", "cgroup", "cgroup2", "securityfs",
        "debugfs", "tracefs", "pstore", "bpf", "mqueue", "hugetlbfs", "configfs", "fusectl",
        "autofs", "binfmt_misc", "efivarfs", "squashfs", "nsfs", "overlay", "rpc_pipefs",
        "selinuxfs", "nfsd", "fuse.gvfsd-fuse", "fuse.portal", "fuse.snapfuse", "devfs"};
    for (const char *t : types)
        if (type == t)
            return true;
    return false;
}

// mountinfo writes space, tab, newline and backslash as a backslash and three octal digits.
QByteArray unescapeOctal(const QByteArray &field)
{
    QByteArray out;
    out.reserve(field.size());
    for (qsizetype i = 0; i < field.size(); ++i) {
        const char c = field.at(i);
        if (c == '\\' && i + 3 < field.size()) {
            const QByteArray digits = field.mid(i + 1, 3);
            bool ok = false;
            const int value = digits.toInt(&ok, 8);
            if (ok && value < 256) {
                out.append(char(value));
                i += 3;
                continue;
            }
        }
        out.append(c);
    }
    return out;
}

// Labels come from /dev/disk/by-label, whose names escape unsafe bytes as \xHH.
QString labelOf(const QByteArray &device)
{
    if (!device.startsWith("/dev/"))
        return {};
    const QString real = QFileInfo(QString::fromUtf8(device)).canonicalFilePath();
    if (real.isEmpty())
        return {};
    const QDir dir(QStringLiteral("/dev/disk/by-label"));
    for (const QFileInfo &link : dir.entryInfoList(QDir::System | QDir::Files | QDir::NoDotAndDotDot)) {
        if (link.canonicalFilePath() != real)
            continue;
        QByteArray name = link.fileName().toUtf8();
        QByteArray decoded;
        for (qsizetype i = 0; i < name.size(); ++i) {
            if (name.at(i) == '\\' && i + 3 < name.size() && name.at(i + 1) == 'x') {
                bool ok = false;
                const int v = name.mid(i + 2, 2).toInt(&ok, 16);
                if (ok) {
                    decoded.append(char(v));
                    i += 3;
                    continue;
                }
            }
            decoded.append(name.at(i));
        }
        return QString::fromUtf8(decoded);
    }
    return {};
}

bool isUnder(const QByteArray &path, const QByteArray &mountPoint)
{
    if (mountPoint == "/")
        return path.startsWith('/');
    return path == mountPoint || (path.startsWith(mountPoint) && path.at(mountPoint.size()) == '/');
}

}  // namespace

DriveList::DriveList(QWidget *parent) : QComboBox(parent)
{
    setEditable(false);
    connect(this, &QComboBox::currentIndexChanged, this, [this](int index) {
        if (index >= 0)
            emit change();
    });
    reload();
}

std::vector<DriveList::Volume> DriveList::volumesFromMountInfo(const QByteArray &text)
{
    std::vector<Volume> volumes;
    for (const QByteArray &line : text.split('\n')) {
        // id parent major:minor root mountpoint options [optional fields] - type source superopts
        const QList<QByteArray> fields = line.split(' ');
        const qsizetype dash = fields.indexOf("-");
        if (fields.size() < 5 || dash < 6 || dash + 2 >= fields.size())
            continue;
        Volume v;
        const QByteArray root = unescapeOctal(fields.at(3));
        v.mountPoint = unescapeOctal(fields.at(4));
        v.fsType = fields.at(dash + 1);
        v.device = unescapeOctal(fields.at(dash + 2));
        if (!v.mountPoint.startsWith('/'))
            continue;
        if (v.mountPoint != "/") {
            if (isSystemMountPoint(v.mountPoint) || isPseudoFileSystem(v.fsType))
                continue;
            // A single file bound over another (the container's /etc/hosts) is no volume.
            struct stat st;
            if (root != "/" && (stat(v.mountPoint.constData(), &st) != 0 || !S_ISDIR(st.st_mode)))
                continue;
        }
        // A later mount on the same point hides the earlier one.
        volumes.erase(std::remove_if(volumes.begin(), volumes.end(),
                                     [&](const Volume &o) { return o.mountPoint == v.mountPoint; }),
                      volumes.end());
        volumes.push_back(std::move(v));
    }
    return volumes;
}

void DriveList::reload()
{
    QFile file(QStringLiteral("/proc/self/mountinfo"));
    std::vector<Volume> volumes;
    if (file.open(QIODevice::ReadOnly))
        volumes = volumesFromMountInfo(file.readAll());
    for (Volume &v : volumes)
        v.label = labelOf(v.device);
    setVolumes(std::move(volumes));
}

void DriveList::showPopup()
{
    reload();
    QComboBox::showPopup();
}

void DriveList::setVolumes(std::vector<Volume> volumes)
{
    const QByteArray selected = drive();
    if (std::none_of(volumes.begin(), volumes.end(), [](const Volume &v) { return v.mountPoint == "/"; }))
        volumes.insert(volumes.begin(), Volume{"/", {}, {}, {}});
    std::stable_sort(volumes.begin(), volumes.end(),
                     [](const Volume &a, const Volume &b) { return a.mountPoint < b.mountPoint; });
    m_volumes = std::move(volumes);

    {
        const QSignalBlocker blocker(this);
        QComboBox::clear();
        for (const Volume &v : m_volumes) {
            QString text = QString::fromUtf8(v.mountPoint);
            if (!v.label.isEmpty())
                text += QStringLiteral("  [%1]").arg(v.label);
            addItem(text, v.mountPoint);
        }
        const int keep = indexOfVolume(selected);
        setCurrentIndex(keep >= 0 ? keep : indexOfVolume("/"));
    }
    // The selected volume went away (a medium was removed): the list now stands on "/".
    if (!selected.isEmpty() && drive() != selected)
        emit change();
}

QByteArray DriveList::drive() const
{
    return currentIndex() >= 0 ? m_volumes[size_t(currentIndex())].mountPoint : QByteArray();
}

int DriveList::indexOfVolume(const QByteArray &mountPoint) const
{
    for (size_t i = 0; i < m_volumes.size(); ++i)
        if (m_volumes[i].mountPoint == mountPoint)
            return int(i);
    return -1;
}

QByteArray DriveList::volumeOf(const QByteArray &path) const
{
    QByteArray best;
    for (const Volume &v : m_volumes)
        if (isUnder(path, v.mountPoint) && v.mountPoint.size() > best.size())
            best = v.mountPoint;
    return best.isEmpty() ? QByteArray("/") : best;
}

void DriveList::setDriveFor(const QByteArray &path)
{
    const int index = indexOfVolume(volumeOf(path));
    if (index >= 0 && index != currentIndex())
        setCurrentIndex(index);  // reports change()
}

QByteArray DriveList::currentFolderOf(const QByteArray &drive) const
{
    return m_currentFolders.value(drive, drive);
}

void DriveList::rememberFolder(const QByteArray &folder)
{
    if (folder.startsWith('/'))
        m_currentFolders.insert(volumeOf(folder), folder);
}
