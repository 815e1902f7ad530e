#include "TagEditor.h"

#include "CodePage.h"
#include "DocumentOpener.h"
#include "DriveList.h"
#include "FileList.h"
#include "FolderList.h"
#include "Message.h"
#include "Mp3List.h"
#include "NameBuilder.h"

#include <QCheckBox>
#include <QDir>
#include <QFile>
#include <QLineEdit>
#include <QPushButton>
#include <QScopedValueRollback>
#include <QShortcut>

#include <algorithm>
#include <utility>

namespace {

const char kCannotEditWhilePlaying[] = "Cannot Edit MP3 While Playing";

QByteArray prefixOf(const QByteArray &folder)
{
    return folder.endsWith('/') ? folder : folder + '/';
}

}  // namespace

TagEditor::TagEditor(QWidget *controlsParent, MdlDefault &state, const QStringList &genreList, QObject *parent)
    : QObject(parent),
      c(controlsParent, this),
      m_state(state),
      m_genreList(genreList),
      m_panel(c, genreList),
      m_scan(*c.lv1, genreList),
      m_selection(*c.FilOpen)
{
    // Before anything is stored the lists show the folder the program was started in. Nothing
    // listens yet, so this runs no scan.
    const QByteArray startFolder = QFile::encodeName(QDir::currentPath());
    c.DrvOpen->setDriveFor(startFolder);
    c.DrvOpen->rememberFolder(startFolder);
    c.DirOpen->setRoot(c.DrvOpen->drive());
    c.DirOpen->setPath(startFolder);

    connect(c.DrvOpen, &DriveList::change, this, &TagEditor::DrvOpen_Change);
    connect(c.DirOpen, &FolderList::change, this, &TagEditor::DirOpen_Change);
    connect(c.DirOpen, &FolderList::reopened, this, &TagEditor::DirOpen_Change);
    auto *refresh = new QShortcut(QKeySequence(Qt::Key_F5), controlsParent);
    refresh->setContext(Qt::WindowShortcut);
    connect(refresh, &QShortcut::activated, this, &TagEditor::DirOpen_Change);
    connect(c.lv1, &Mp3List::rowClicked, this, &TagEditor::lv1_Click);
    connect(c.lv1, &Mp3List::rowDoubleClicked, this, &TagEditor::lv1_DblClick);
    for (QLineEdit *box : c.TxtDispTag)
        connect(box, &QLineEdit::textChanged, this, [this] {
            if (!m_quietNames)
                UpdateFileName();
        });
    connect(c.TxtNewFilename, &QLineEdit::textChanged, this, &TagEditor::proposalChanged);
    connect(c.Cmdswap, &QPushButton::clicked, this, &TagEditor::Cmdswap_Click);
    connect(c.Cmdfilesong, &QPushButton::clicked, this, &TagEditor::Cmdfilesong_Click);
    connect(c.CmdSave, &QPushButton::clicked, this, &TagEditor::CmdSave_Click);
}

QString TagEditor::noFileText()
{
    return QStringLiteral("No file is selected: click a file in the list first.");
}

QString TagEditor::readErrorText()
{
    return QStringLiteral("Error reading drive/file!");
}

QByteArray TagEditor::currentPrefix() const
{
    return prefixOf(c.DirOpen->path());
}

// ---- drive and folder ----

FileStatus TagEditor::openFolder(const QByteArray &folder)
{
    const QByteArray shown = c.DirOpen->path();
    const FileStatus status = c.DirOpen->setPath(folder);
    if (status && !folder.isEmpty() && c.DirOpen->path() == shown)
        DirOpen_Change();
    return status;
}

void TagEditor::DrvOpen_Change()
{
    const QByteArray drive = c.DrvOpen->drive();
    const QByteArray oldRoot = c.DirOpen->root();
    c.DirOpen->setRoot(drive);
    QByteArray folder = c.DrvOpen->currentFolderOf(drive);
    FileStatus status = c.DirOpen->setPath(folder);
    // The folder last shown on the volume may have gone since; its nearest remaining parent on
    // the volume is shown instead. Only a volume that cannot be read at all is not ready.
    while (!status.ok() && folder.size() > drive.size()) {
        const qsizetype slash = folder.lastIndexOf('/');
        folder = slash > 0 ? folder.left(slash) : QByteArray("/");
        status = c.DirOpen->setPath(folder);
    }
    if (!status.ok()) {
        // The folder list, the file list and the MP3 list stay on the previous folder.
        c.DirOpen->setRoot(oldRoot);
        Message::show(readErrorText());
    }
}

void TagEditor::DirOpen_Change()
{
    const QByteArray folder = c.DirOpen->path();
    if (folder.isEmpty())
        return;
    c.DrvOpen->rememberFolder(folder);
    c.FilOpen->setPath(folder);
    c.FilOpen->setPattern(QStringLiteral("*.mp3"));
    // A folder that cannot be listed leaves the file list empty; the MP3 list follows it so that
    // row r always stands for entry r - 1. Its rows share the old names: they go first, so that
    // the old and the new listing of a large folder are never held at once.
    c.lv1->clear();
    const FileStatus listed = c.FilOpen->refresh();
    const int unreadable = fillList();
    m_panel.clearUnkept();
    if (!listed.ok() || unreadable > 0)
        Message::show(readErrorText());
}

void TagEditor::FillMp3List()
{
    if (fillList() > 0)
        Message::show(readErrorText());
}

int TagEditor::fillList(bool onlyNew)
{
    if (c.FilOpen->count() == 0) {
        c.lv1->clear();
        m_unreadable.clear();
        return 0;
    }
    m_folderPrefix = currentPrefix();
    const FolderScan::Result scanned = m_scan.fill(*c.FilOpen, m_folderPrefix);
    const QSet<QByteArray> before = std::exchange(m_unreadable, scanned.unreadable);
    m_currentTag = scanned.last;
    if (scanned.lastGenre)
        m_genreByte = m_genreNumber = *scanned.lastGenre;
    // Each file read puts its fields into the panel and empties the proposal; only the last
    // one shows, so the boxes are set once.
    if (scanned.lastRead) {
        const QScopedValueRollback quiet(m_quietNames, true);
        m_panel.show(*scanned.lastRead);
    }
    c.TxtNewFilename->setText(QString());
    if (!onlyNew)
        return int(m_unreadable.size());
    return int(std::count_if(m_unreadable.cbegin(), m_unreadable.cend(),
                             [&](const QByteArray &name) { return !before.contains(name); }));
}

// ---- reading and selection ----

void TagEditor::publish(const TagReading &reading)
{
    m_currentTag = tagRecordOf(reading, m_genreList);
    // A file without a tag leaves the genre variables of the last tag alone.
    if (reading.tagged)
        m_genreByte = m_genreNumber = reading.fields.genre;
}

void TagEditor::ReadTag(const TagReading &reading)
{
    if (!reading.status) {
        Message::show(reading.status.description());
        return;
    }
    publish(reading);
    m_panel.show(reading);
    if (reading.tagged)
        UpdateFileName();
}

void TagEditor::UpdateFileName()
{
    const QString song = c.TxtDispTag[0]->text();
    const QString artist = c.TxtDispTag[1]->text();
    c.TxtNewFilename->setText(proposeFileName(song, artist, m_state.SupportLFN, m_selection.fileName()));
}

void TagEditor::lv1_Click()
{
    const int row = c.lv1->selectedRow();
    // A click that leaves no row selected changes nothing: the current file's row stays lit.
    if (row < 0 || row >= c.FilOpen->count()) {
        c.lv1->showRow(m_selection.entry());
        return;
    }
    const FileStatus loaded = FilOpen_Click(row);
    if (!loaded) {
        // The clicked file did not become current; neither does its row.
        c.lv1->showRow(m_selection.entry());
        Message::show(loaded.description());
        return;
    }
    const QString proposal = c.TxtNewFilename->text();
    m_selection.setLabel(proposal);
    m_state.CurrentName = proposal;
    emit currentFileChanged(m_selection.path(), proposal);
}

FileStatus TagEditor::FilOpen_Click(int entry)
{
    const QByteArray prefix = currentPrefix();
    // The file must be readable before it becomes current: otherwise a save would write the
    // fields of the previous file into it.
    const FileStatus status = m_selection.load(entry, prefix);
    if (!status)
        return status;
    m_folderPrefix = prefix;
    m_state.CurrentPath = m_selection.path();
    ReadTag(m_selection.reading());
    UpdateFileName();
    return status;
}

void TagEditor::lv1_DblClick()
{
    const int selected = m_selection.entry();
    if (selected >= 0 && c.lv1->selectedRow() == selected)
        openDocument(m_selection.path());
}

void TagEditor::Cmdswap_Click()
{
    const QString song = c.TxtDispTag[0]->text();
    const QString artist = c.TxtDispTag[1]->text();
    c.TxtDispTag[0]->setText(artist);
    c.TxtDispTag[1]->setText(song);
}

void TagEditor::Cmdfilesong_Click()
{
    const QString name = m_selection.fileName();
    // The box shows what a save would store: characters the code page lacks become '?'.
    const CodePage &page = CodePage::system();
    const QString song = name.size() > 4 ? page.decode(page.encode(name.chopped(4))) : QString();
    c.TxtDispTag[0]->setText(song);
}

// ---- saving ----

void TagEditor::CmdSave_Click()
{
    if (m_state.PlayerFile == m_state.CurrentPath) {
        Message::show(QString::fromLatin1(kCannotEditWhilePlaying));
        return;
    }
    if (m_selection.entry() < 0) {
        // After a save or a folder change no file is current; the bare folder path would only
        // fail with the system's puzzling "Is a directory".
        Message::show(noFileText());
        return;
    }
    TagSave request;
    request.path = m_selection.path();
    request.fields = m_panel.fieldsToSave(m_genreNumber);
    request.expected = m_selection.reading().identity;
    request.folder = c.DirOpen->path();
    const bool rename = c.ChkRenFile->checkState() == Qt::Checked;
    if (rename)
        request.newName = m_selection.nameBytes(withMp3Extension(c.TxtNewFilename->text()));
    const TagSaveResult saved = saveTagFile(request);
    m_selection.noteWritten(saved);
    if (!saved.status) {
        Message::show(saved.status.description());
        return;
    }
    // The entries are read again, so that the rebuild does not try files gone since the scan
    // (and lists the new name after a rename). The rows go first: they show the entries' names.
    c.lv1->clear();
    const FileStatus listed = c.FilOpen->refresh();
    if (!listed) {
        Message::show(listed.description());
        return;
    }
    ReadTag(readTagFile(saved.path));
    const int unreadable = fillList(true);
    m_panel.clearUnkept();
    c.ChkRenFile->setCheckState(Qt::Unchecked);
    m_selection.deselect();
    if (unreadable > 0)
        Message::show(readErrorText());
}
