#include "browser/FolderTree.h"

#include "tags/files/DirectoryReader.h"

#include "tags/text/Message.h"

#include <QApplication>
#include <QKeyEvent>
#include <QStyle>
#include <QStyledItemDelegate>

#include <algorithm>
#include <cerrno>

namespace {

constexpr int PathRole = Qt::UserRole;
constexpr int LevelRole = Qt::UserRole + 1;
constexpr int IndentPixels = 12;

// Shifts each entry right by its level, as the classic folder tree does.
class IndentDelegate : public QStyledItemDelegate {
public:
    using QStyledItemDelegate::QStyledItemDelegate;

    void paint(QPainter *painter, const QStyleOptionViewItem &option,
               const QModelIndex &index) const override
    {
        QStyleOptionViewItem shifted(option);
        shifted.rect.setLeft(option.rect.left() + index.data(LevelRole).toInt() * IndentPixels);
        QStyledItemDelegate::paint(painter, shifted, index);
    }

    QSize sizeHint(const QStyleOptionViewItem &option, const QModelIndex &index) const override
    {
        QSize size = QStyledItemDelegate::sizeHint(option, index);
        size.rwidth() += index.data(LevelRole).toInt() * IndentPixels;
        return size;
    }
};

bool isUnder(const QByteArray &path, const QByteArray &root)
{
    if (root == "/")
        return path.startsWith('/');
    return path == root || (path.startsWith(root) && path.at(root.size()) == '/');
}

// Subfolders that are not hidden, sorted without regard to case (ties by bytes). Links to folders
// count as folders.
FileStatus listSubfolders(const QByteArray &path, std::vector<QByteArray> &out)
{
    std::vector<std::pair<QString, QByteArray>> found;
    const FileStatus status = forEachVisibleEntry(path, [&found](const FolderEntry &entry) {
        if (!entry.isFolder())
            return;
        const QByteArray name = entry.name();
        found.emplace_back(QString::fromUtf8(name).toCaseFolded(), name);
    });
    if (!status.ok())
        return status;
    std::sort(found.begin(), found.end(), [](const auto &a, const auto &b) {
        const int c = a.first.compare(b.first);
        return c != 0 ? c < 0 : a.second < b.second;
    });
    out.clear();
    for (auto &f : found)
        out.push_back(std::move(f.second));
    return FileStatus::success();
}

}  // namespace

FolderTree::FolderTree(QWidget *parent) : QListWidget(parent)
{
    setItemDelegate(new IndentDelegate(this));
    setSelectionMode(QAbstractItemView::SingleSelection);
    setUniformItemSizes(true);
    // Only a double click or Enter opens, whatever the desktop's style says about activating
    // on a single click.
    connect(this, &QListWidget::itemDoubleClicked, this, [this](QListWidgetItem *item) {
        openRow(row(item));
    });
}

void FolderTree::keyPressEvent(QKeyEvent *event)
{
    if ((event->key() == Qt::Key_Return || event->key() == Qt::Key_Enter) && currentRow() >= 0) {
        openRow(currentRow());
        event->accept();
        return;
    }
    QListWidget::keyPressEvent(event);
}

QByteArray FolderTree::normalizedPath(const QByteArray &path, const QByteArray &base)
{
    QByteArray full = path.startsWith('/') ? path : base + '/' + path;
    QList<QByteArray> parts;
    for (const QByteArray &part : full.split('/')) {
        if (part.isEmpty() || part == ".")
            continue;
        if (part == "..") {
            if (!parts.isEmpty())
                parts.removeLast();
            continue;
        }
        parts.append(part);
    }
    QByteArray result;
    for (const QByteArray &part : parts)
        result += '/' + part;
    return result.isEmpty() ? QByteArray("/") : result;
}

FileStatus FolderTree::setPath(const QByteArray &folder)
{
    if (folder.isEmpty())
        return FileStatus::success();
    if (folder.contains('\0'))  // the system would see a different, shorter path
        return FileStatus::fromErrno(EINVAL);
    const QByteArray target = normalizedPath(folder, m_path.isEmpty() ? QByteArray("/") : m_path);
    std::vector<QByteArray> subfolders;
    const FileStatus status = listSubfolders(target, subfolders);
    if (!status.ok())
        return status;
    const bool changed = target != m_path;
    rebuild(target, subfolders);
    if (changed)
        emit change();
    return status;
}

void FolderTree::setRoot(const QByteArray &volumeRoot)
{
    const QByteArray root = normalizedPath(volumeRoot, "/");
    if (root == m_root)
        return;
    m_root = root;
    // The listing is unchanged; only the chain above the current folder differs.
    if (!m_path.isEmpty())
        rebuild(m_path, std::vector<QByteArray>(m_subfolders));
}

QByteArray FolderTree::folderAt(int row) const
{
    const QListWidgetItem *it = item(row);
    return it ? it->data(PathRole).toByteArray() : QByteArray();
}

int FolderTree::levelAt(int row) const
{
    const QListWidgetItem *it = item(row);
    return it ? it->data(LevelRole).toInt() : -1;
}

void FolderTree::openRow(int row)
{
    const QByteArray folder = folderAt(row);
    if (folder.isEmpty())
        return;
    const bool shown = folder == m_path;
    const FileStatus status = setPath(folder);
    if (status.ok() && shown)
        emit reopened();
    if (!status.ok()) {
        // The folder may have gone since the list was read: list the current folder again so
        // that it is not offered a second time.
        if (!m_path.isEmpty() && folder != m_path)
            setPath(m_path);
        Message::show(status.description());
    }
}

void FolderTree::rebuild(const QByteArray &path, const std::vector<QByteArray> &subfolders)
{
    m_path = path;
    m_subfolders = subfolders;
    const QByteArray chainRoot = isUnder(path, m_root) ? m_root : QByteArray("/");

    // The chain: the root, then every folder below it down to the current one.
    std::vector<QByteArray> chain{chainRoot};
    if (path != chainRoot) {
        const QByteArray rest = path.mid(chainRoot == "/" ? 1 : chainRoot.size() + 1);
        QByteArray walk = chainRoot == "/" ? QByteArray() : chainRoot;
        for (const QByteArray &part : rest.split('/')) {
            walk += '/' + part;
            chain.push_back(walk);
        }
    }

    const QIcon openIcon = style()->standardIcon(QStyle::SP_DirOpenIcon);
    const QIcon closedIcon = style()->standardIcon(QStyle::SP_DirIcon);
    clear();
    for (size_t i = 0; i < chain.size(); ++i) {
        const QByteArray &folder = chain[i];
        const QString text = i == 0 ? QString::fromUtf8(folder)
                                    : QString::fromUtf8(folder.mid(folder.lastIndexOf('/') + 1));
        auto *it = new QListWidgetItem(openIcon, text, this);
        it->setData(PathRole, folder);
        it->setData(LevelRole, int(i));
    }
    const int subLevel = int(chain.size());
    const QByteArray prefix = path == "/" ? QByteArray() : path;
    for (const QByteArray &name : subfolders) {
        auto *it = new QListWidgetItem(closedIcon, QString::fromUtf8(name), this);
        it->setData(PathRole, prefix + '/' + name);
        it->setData(LevelRole, subLevel);
    }
    setCurrentRow(int(chain.size()) - 1);
}
