#include "TagEditor.h"

#include "ChngFileAtt.h"
#include "CodePage.h"
#include "DocumentOpener.h"
#include "DriveList.h"
#include "FileList.h"
#include "FileRename.h"
#include "FolderTags.h"
#include "FolderList.h"
#include "GenreBox.h"
#include "GenreList.h"
#include "Message.h"
#include "Mp3List.h"
#include "NameBuilder.h"

#include <QCheckBox>
#include <QItemSelectionModel>
#include <QLineEdit>
#include <QPushButton>

#include <cerrno>

namespace {

const char kMp3Pattern[] = "*.mp3";
const char kUnknownGenre[] = "Unknown";
const char kCannotEditWhilePlaying[] = "Cannot Edit MP3 While Playing";

QByteArray prefixOf(const QByteArray &folder)
{
    return folder.endsWith('/') ? folder : folder + '/';
}

// Why a name cannot be used as the new name of a file in its folder, or empty text.
QString plainNameProblem(const QString &name)
{
    if (isPlainFileName(name))
        return QString();
    if (name.contains(QLatin1Char('/')))
        return QStringLiteral("The new file name \"%1\" cannot be used: a file name cannot contain \"/\".").arg(name);
    if (name.contains(QChar(0)))
        return QStringLiteral("The new file name cannot be used: it contains a NUL character.");
    if (name.startsWith(QLatin1Char('.')))
        return QStringLiteral("The new file name \"%1\" cannot be used: a name beginning with \".\" would hide the file.")
            .arg(name);
    return QStringLiteral("The new file name \"%1\" cannot be used.").arg(name);
}

}  // namespace

TagEditor::TagEditor(const BrowserWidgets &widgets, MdlDefault &state, const QStringList &genreList,
                     std::function<int()> playState, QObject *parent)
    : QObject(parent), w(widgets), m_state(state), m_genreList(genreList), m_playState(std::move(playState))
{
    connect(w.DrvOpen, &DriveList::change, this, &TagEditor::DrvOpen_Change);
    connect(w.DirOpen, &FolderList::change, this, &TagEditor::DirOpen_Change);
    connect(w.FilOpen, &FileList::click, this, &TagEditor::FilOpen_Click);
    connect(w.lv1, &Mp3List::rowClicked, this, &TagEditor::lv1_Click);
    connect(w.lv1, &Mp3List::rowDoubleClicked, this, &TagEditor::lv1_DblClick);
    for (QLineEdit *box : w.TxtDispTag)
        connect(box, &QLineEdit::textChanged, this, [this] {
            if (!m_quietNames)
                UpdateFileName();
        });
    connect(w.Cmdswap, &QPushButton::clicked, this, &TagEditor::Cmdswap_Click);
    connect(w.Cmdfilesong, &QPushButton::clicked, this, &TagEditor::Cmdfilesong_Click);
    connect(w.CmdSave, &QPushButton::clicked, this, &TagEditor::CmdSave_Click);
}

QString TagEditor::noFileText()
{
    return QStringLiteral("No file is selected: click a file in the list first.");
}

QString TagEditor::readErrorText()
{
    return QStringLiteral("Error reading drive/file!");
}

bool TagEditor::kept(int index) const
{
    return w.ChkKeepTag[index]->checkState() != Qt::Unchecked;
}

QByteArray TagEditor::currentPrefix() const
{
    return prefixOf(w.DirOpen->path());
}

QString TagEditor::currentFileName() const
{
    const int selected = w.FilOpen->selectedIndex();
    return selected >= 0 ? w.FilOpen->displayName(selected) : QString();
}

// ---- drive and folder ----

void TagEditor::DrvOpen_Change()
{
    const QByteArray drive = w.DrvOpen->drive();
    const QByteArray oldRoot = w.DirOpen->root();
    w.DirOpen->setRoot(drive);
    QByteArray folder = w.DrvOpen->currentFolderOf(drive);
    FileStatus status = w.DirOpen->setPath(folder);
    // The folder last shown on the volume may have gone since; its nearest remaining parent on
    // the volume is shown instead. Only a volume that cannot be read at all is not ready.
    while (!status.ok() && folder.size() > drive.size()) {
        const qsizetype slash = folder.lastIndexOf('/');
        folder = slash > 0 ? folder.left(slash) : QByteArray("/");
        status = w.DirOpen->setPath(folder);
    }
    if (!status.ok()) {
        // The folder list, the file list and the MP3 list stay on the previous folder.
        w.DirOpen->setRoot(oldRoot);
        Message::show(readErrorText());
    }
}

void TagEditor::DirOpen_Change()
{
    const QByteArray folder = w.DirOpen->path();
    w.DrvOpen->rememberFolder(folder);
    w.FilOpen->setPath(folder);
    w.FilOpen->setPattern(QString::fromLatin1(kMp3Pattern));
    // A folder that cannot be listed leaves the file list empty; the MP3 list follows it so that
    // row r always stands for entry r - 1. Its rows share the old names: they go first, so that
    // the old and the new listing of a large folder are never held at once.
    w.lv1->clear();
    const FileStatus listed = w.FilOpen->refresh();
    const int unreadable = fillList();
    clearUnkeptFields();
    if (!listed.ok() || unreadable > 0)
        Message::show(readErrorText());
}

void TagEditor::FillMp3List()
{
    if (fillList() > 0)
        Message::show(readErrorText());
}

int TagEditor::fillList()
{
    m_loadedEntry = w.FilOpen->selectedIndex();
    const int n = w.FilOpen->count();
    w.lv1->beginRebuild();
    w.lv1->clear();
    if (n == 0) {
        w.lv1->endRebuild();
        return 0;
    }

    m_folderPrefix = currentPrefix();
    const CodePage &page = CodePage::system();
    int unreadable = 0;
    // Only the last file read decides what the panel shows at the end; the per-file proposals are
    // emptied again anyway, so the boxes are set once, after the loop.
    RawTrailer lastGood;
    bool anyGood = false;
    bool lastFailed = false;
    const std::vector<ListedFile> &entries = w.FilOpen->entries();
    readFolderTrailers(m_folderPrefix, entries, [&](int i, const RawTrailer &raw) {
        // Never the previous file's values: the row of an unreadable file is empty.
        const bool tagged = raw.status && raw.tagged();
        const quint8 genre = tagged ? quint8(raw.bytes[Id3v1::GenreOffset]) : 0;
        w.lv1->appendRow(entries[size_t(i)].display, tagged ? raw.bytes : nullptr, page,
                         tagged ? Genres::nameOf(m_genreList, genre) : QString());
        lastFailed = !raw.status;
        if (lastFailed) {
            ++unreadable;
            return;
        }
        if (tagged)
            m_genreByte = m_genreNumber = genre;
        lastGood = raw;
        anyGood = true;
    });
    if (anyGood && !lastFailed)
        publish(readingOf(lastGood));
    else
        m_state.CurrentTag = TagRecord();
    w.lv1->endRebuild();

    if (anyGood) {
        m_quietNames = true;
        applyToPanel(readingOf(lastGood));
        m_quietNames = false;
    }
    w.TxtNewFilename->setText(QString());
    return unreadable;
}

void TagEditor::clearUnkeptFields()
{
    for (int k = 0; k < 5; ++k)
        if (!kept(k))
            w.TxtDispTag[k]->setText(QString());
    if (!kept(5))
        w.CmbGenre->setText(QString());
}

// ---- reading ----

FileStatus TagEditor::readOpenFile(Reading &reading)
{
    if (!m_tagFile.isOpen())
        return FileStatus::fromErrno(EBADF);
    QByteArray trailer;
    const FileStatus status = m_tagFile.readTrailer(trailer);
    m_tagFile.close();
    if (!status.ok())
        return status;
    reading = Reading();
    if (trailer.size() == Id3v1::TrailerSize) {
        m_tagBuffer = trailer;
        if (Id3v1::hasMarker(trailer)) {
            reading.tagged = true;
            reading.fields = Id3v1::parse(trailer);
        }
    }
    return status;
}

TagEditor::Reading TagEditor::readingOf(const RawTrailer &raw)
{
    Reading reading;
    reading.tagged = raw.tagged();
    if (reading.tagged)
        reading.fields = Id3v1::parse(raw.bytes);
    return reading;
}

void TagEditor::publish(const Reading &reading)
{
    if (!reading.tagged) {
        // The genre variables keep the last tag's number.
        m_state.CurrentTag = TagRecord();
        return;
    }
    const CodePage &page = CodePage::system();
    TagRecord &tag = m_state.CurrentTag;
    tag.Title = page.decode(reading.fields.title);
    tag.Artist = page.decode(reading.fields.artist);
    tag.Album = page.decode(reading.fields.album);
    tag.Year = page.decode(reading.fields.year);
    tag.Comment = page.decode(reading.fields.comment);
    m_genreByte = reading.fields.genre;
    m_genreNumber = m_genreByte;
    tag.Genre = Genres::nameOf(m_genreList, m_genreNumber);
}

void TagEditor::applyToPanel(const Reading &reading)
{
    if (!reading.tagged) {
        for (int k = 0; k < 5; ++k)
            if (!kept(k))
                w.TxtDispTag[k]->setText(QString());
        if (!kept(5))
            w.CmbGenre->setText(QString());
        return;
    }
    const CodePage &page = CodePage::system();
    const QByteArray *fields[5] = {&reading.fields.title, &reading.fields.artist, &reading.fields.album,
                                   &reading.fields.year, &reading.fields.comment};
    for (int k = 0; k < 5; ++k)
        if (!kept(k))
            w.TxtDispTag[k]->setText(page.decode(*fields[k]));
    if (!kept(5)) {
        const QString name = Genres::nameOf(m_genreList, reading.fields.genre);
        w.CmbGenre->setText(name.isEmpty() ? QString::fromLatin1(kUnknownGenre) : name);
    }
}

void TagEditor::ReadTag()
{
    Reading reading;
    const FileStatus status = readOpenFile(reading);
    m_tagFile.close();
    if (!status.ok()) {
        Message::show(status.description());
        return;
    }
    publish(reading);
    applyToPanel(reading);
    if (reading.tagged)
        UpdateFileName();
}

void TagEditor::UpdateFileName()
{
    const QString song = w.TxtDispTag[0]->text();
    const QString artist = w.TxtDispTag[1]->text();
    w.TxtNewFilename->setText(proposeFileName(song, artist, m_state.SupportLFN, currentFileName()));
}

// ---- selection ----

void TagEditor::lv1_Click()
{
    if (m_restoring)
        return;
    const int row = w.lv1->selectedRow();
    // A click that leaves no row selected changes nothing.
    if (row < 0 || row >= w.FilOpen->count())
        return;
    const int previousIndex = m_state.SelectedIndex;
    m_state.SelectedIndex = row + 1;
    m_loadFailed = false;
    w.FilOpen->select(row);
    if (m_loadFailed) {
        // The clicked file did not become current; neither does its row.
        m_state.SelectedIndex = previousIndex;
        m_loadFailed = false;
        return;
    }
    const QString proposal = w.TxtNewFilename->text();
    if (m_playState() != 2)
        w.Text4->setText(proposal);
    m_state.CurrentName = proposal;
}

void TagEditor::FilOpen_Click()
{
    m_tagFile.close();
    if (m_restoring)
        return;
    const int selected = w.FilOpen->selectedIndex();
    if (selected < 0 || selected != m_state.SelectedIndex - 1) {
        m_loadedEntry = selected;
        return;
    }
    const QByteArray prefix = currentPrefix();
    const QByteArray path = prefix + w.FilOpen->name(selected);

    // The file must be readable before it becomes current: otherwise a save would write the
    // fields of the previous file into it.
    Reading reading;
    FileStatus status = m_tagFile.openForReading(path);
    if (status.ok())
        status = readOpenFile(reading);
    m_tagFile.close();
    if (!status.ok()) {
        m_loadFailed = true;
        restoreSelection();
        Message::show(status.description());
        return;
    }
    m_folderPrefix = prefix;
    m_state.CurrentPath = path;
    m_loadedEntry = selected;
    publish(reading);
    applyToPanel(reading);
    // One rebuild serves both the reader's (tagged files) and the load's own.
    UpdateFileName();
}

void TagEditor::restoreSelection()
{
    m_restoring = true;
    const int entry = m_loadedEntry < w.FilOpen->count() ? m_loadedEntry : -1;
    if (entry >= 0) {
        w.FilOpen->select(entry);
        w.lv1->selectRow(entry);
    } else {
        w.FilOpen->clearSelection();
        if (QItemSelectionModel *selection = w.lv1->selectionModel())
            selection->clear();
    }
    m_restoring = false;
}

void TagEditor::lv1_DblClick()
{
    // Only the row of the current file is opened: a row whose file could not be read is not.
    const int selected = w.FilOpen->selectedIndex();
    if (selected < 0 || w.lv1->selectedRow() != selected)
        return;
    openDocument(currentPrefix() + w.FilOpen->name(selected));
}

void TagEditor::Cmdswap_Click()
{
    const QString song = w.TxtDispTag[0]->text();
    const QString artist = w.TxtDispTag[1]->text();
    w.TxtDispTag[0]->setText(artist);
    w.TxtDispTag[1]->setText(song);
}

void TagEditor::Cmdfilesong_Click()
{
    const QString name = currentFileName();
    // The box shows what a save would store: characters the code page lacks become '?'.
    const CodePage &page = CodePage::system();
    const QString song = name.size() > 4 ? page.decode(page.encode(name.chopped(4))) : QString();
    w.TxtDispTag[0]->setText(song);
}

// ---- saving ----

QByteArray TagEditor::newNameBytes(const QString &name) const
{
    // A proposal that is the current file's own name keeps its raw bytes, so a name that is not
    // valid UTF-8 is not replaced by its decoded form.
    const int selected = w.FilOpen->selectedIndex();
    if (selected >= 0) {
        const QString display = w.FilOpen->displayName(selected);
        if (name == display)
            return w.FilOpen->name(selected);
        if (name.startsWith(display) && name.size() == display.size() + 4)
            return w.FilOpen->name(selected) + name.mid(display.size()).toUtf8();
    }
    return name.toUtf8();
}

void TagEditor::CmdSave_Click()
{
    if (m_state.PlayerFile == m_state.CurrentPath) {
        Message::show(QString::fromLatin1(kCannotEditWhilePlaying));
        return;
    }
    int unreadable = 0;
    if (saveSteps(unreadable) && unreadable > 0)
        Message::show(readErrorText());
}

bool TagEditor::saveSteps(int &unreadable)
{
    m_tagFile.close();
    const int selected = w.FilOpen->selectedIndex();
    if (selected < 0) {
        // After a save or a folder change no file is current; the bare folder path would only
        // fail with the system's puzzling "Is a directory".
        Message::show(noFileText());
        return false;
    }
    const QByteArray path = m_folderPrefix + w.FilOpen->name(selected);

    FileStatus status = FileStatus::success();
    ChngFileAtt attributes;
    // A missing file is reported by the open below, which never creates one.
    attributes.ChangeFileAttributes(path, 0, ChngFileAtt::ReadOnly, &status);
    if (!status.ok()) {
        Message::show(status.description());
        return false;
    }
    status = m_tagFile.openForReadWrite(path);
    if (!status.ok()) {
        Message::show(status.description());
        return false;
    }
    QByteArray trailer;
    status = m_tagFile.readTrailer(trailer);
    if (!status.ok()) {
        Message::show(status.description());
        return false;
    }
    if (trailer.size() == Id3v1::TrailerSize)
        m_tagBuffer = trailer;
    const bool hadTag = trailer.size() == Id3v1::TrailerSize && Id3v1::hasMarker(m_tagBuffer);

    quint8 genre = 255;
    if (!w.CmbGenre->text().isEmpty()) {
        if (const std::optional<int> picked = w.CmbGenre->selectedGenreNumber())
            m_genreNumber = quint8(*picked);
        genre = m_genreNumber;
    }

    const CodePage &page = CodePage::system();
    Id3v1::Fields fields;
    fields.title = page.encode(w.TxtDispTag[0]->text());
    fields.artist = page.encode(w.TxtDispTag[1]->text());
    fields.album = page.encode(w.TxtDispTag[2]->text());
    fields.year = page.encode(w.TxtDispTag[3]->text());
    fields.comment = page.encode(w.TxtDispTag[4]->text());
    fields.genre = genre;
    status = m_tagFile.writeTrailer(Id3v1::build(fields), hadTag);
    if (!status.ok()) {
        Message::show(status.description());
        return false;
    }

    if (w.ChkRenFile->checkState() == Qt::Checked) {
        m_tagFile.close();
        QString newName = w.TxtNewFilename->text();
        if (!newName.endsWith(QLatin1String(".mp3"), Qt::CaseInsensitive))
            newName += QLatin1String(".MP3");
        const QString problem = plainNameProblem(newName);
        if (!problem.isEmpty()) {
            Message::show(problem);
            return false;
        }
        const QByteArray newPath = m_folderPrefix + newNameBytes(newName);
        status = renameNoReplace(path, newPath);
        if (!status.ok()) {
            Message::show(status.description());
            return false;
        }
        w.lv1->clear();
        status = w.FilOpen->refresh();
        if (!status.ok()) {
            Message::show(status.description());
            return false;
        }
        status = m_tagFile.openForReading(newPath);
        if (!status.ok()) {
            Message::show(status.description());
            return false;
        }
    }

    ReadTag();
    unreadable = fillList();
    clearUnkeptFields();
    w.ChkRenFile->setCheckState(Qt::Unchecked);
    if (w.FilOpen->selectedIndex() >= 0 && w.FilOpen->selectedIndex() == m_state.SelectedIndex - 1)
        w.FilOpen->clearSelection();
    m_loadedEntry = w.FilOpen->selectedIndex();
    return true;
}
