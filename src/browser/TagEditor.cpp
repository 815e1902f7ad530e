#include "browser/TagEditor.h"

#include "browser/DocumentOpener.h"
#include "session/EditSession.h"
#include "browser/GenreBox.h"
#include "browser/Mp3Files.h"
#include "browser/Mp3List.h"
#include "tags/codepage/CodePage.h"
#include "tags/codepage/CodePageGuess.h"
#include "tags/files/PatternListing.h"
#include "tags/text/Message.h"
#include "tags/trailer/NameBuilder.h"

#include <QCheckBox>
#include <QLineEdit>
#include <QPushButton>
#include <QScopedValueRollback>

#include <algorithm>
#include <cerrno>
#include <utility>

TagEditor::TagEditor(QWidget *controlsParent, EditSession &session, const MdlDefault &settings,
                     const QStringList &genreList, QObject *parent)
    : QObject(parent),
      m_session(session),
      c(controlsParent, this, session),
      m_settings(settings),
      m_genreList(genreList),
      m_navigator(*c.DrvOpen, *c.DirOpen, controlsParent, this),
      m_panel(c, session, genreList),
      m_scan(*c.lv1, genreList),
      m_selection(*c.FilOpen, session, genreList),
      m_stepper(c, m_selection, *this),
      m_id3v2(c, m_panel, session, genreList),
      m_saver(c, session, m_panel, m_selection)
{
    connect(&m_saver, &TagSaver::saveTried, this, &TagEditor::saveTried);
    connect(&session, &EditSession::codePageChanged, this, &TagEditor::codePageSwitched);
    connect(&m_id3v2, &Id3v2Marks::canFillChanged, this, &TagEditor::canFillFromId3v2Changed);
    connect(&m_navigator, &FolderNavigator::folderToList, this, &TagEditor::DirOpen_Change);
    connect(c.lv1, &Mp3List::rowClicked, this, &TagEditor::lv1_Click);
    connect(c.lv1, &Mp3List::rowDoubleClicked, this, &TagEditor::lv1_DblClick);
    for (QLineEdit *box : c.TxtDispTag)
        connect(box, &QLineEdit::textChanged, this, [this] {
            if (!m_quietNames)
                UpdateFileName();
        });
    connect(c.TxtNewFilename, &QLineEdit::textChanged, this, [this](const QString &name) {
        m_session.setProposedName(name);
    });
    connect(c.Cmdswap, &QPushButton::clicked, this, &TagEditor::Cmdswap_Click);
    connect(c.Cmdfilesong, &QPushButton::clicked, this, &TagEditor::Cmdfilesong_Click);
    connect(c.CmdSave, &QPushButton::clicked, this, &TagEditor::CmdSave_Click);
}

void TagEditor::fillGenres(const QStringList &genreList)
{
    c.CmbGenre->fill(genreList);
}

void TagEditor::clearPanel()
{
    for (QLineEdit *box : c.TxtDispTag)
        box->clear();
    c.CmbGenre->setText(QString());
}

void TagEditor::setRowIcon(const QIcon &icon)
{
    c.lv1->setRowIcon(icon);
}

bool TagEditor::selectFile(const QByteArray &name)
{
    for (int entry = 0; entry < c.FilOpen->count(); ++entry) {
        if (c.FilOpen->name(entry) == name) {
            c.lv1->selectRow(entry);
            return true;
        }
    }
    return false;
}

QString TagEditor::readErrorText()
{
    return QStringLiteral("Error reading drive/file!");
}

QByteArray TagEditor::currentPrefix() const
{
    return folderPrefix(m_navigator.shownFolder());
}

// ---- the list ----

void TagEditor::DirOpen_Change()
{
    const QByteArray folder = m_navigator.shownFolder();
    if (folder.isEmpty())
        return;
    c.FilOpen->setPath(folder);
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

int TagEditor::fillList(bool onlyNew, const QByteArray &wanted, std::optional<TagReading> *wantedReading)
{
    if (c.FilOpen->count() == 0) {
        c.lv1->clear();
        m_unreadable.clear();
        suggestCodePage();
        return 0;
    }
    const Mp3ListBuilder::Result scanned = m_scan.fill(*c.FilOpen, currentPrefix(), m_session.codePage(), wanted);
    if (wantedReading)
        *wantedReading = scanned.wanted;
    const QSet<QByteArray> before = std::exchange(m_unreadable, scanned.unreadable);
    if (scanned.lastGenre)
        m_session.setGenreNumber(*scanned.lastGenre);
    // Each file read puts its fields into the panel and empties the proposal; only the last
    // one shows, so the boxes are set once.
    if (scanned.lastRead) {
        const QScopedValueRollback quiet(m_quietNames, true);
        m_panel.show(*scanned.lastRead);
    }
    c.TxtNewFilename->setText(QString());
    suggestCodePage();
    if (!onlyNew)
        return int(m_unreadable.size());
    return int(std::count_if(m_unreadable.cbegin(), m_unreadable.cend(),
                             [&](const QByteArray &name) { return !before.contains(name); }));
}

bool TagEditor::CmdSave_Click()
{
    const std::optional<QByteArray> savedAs = m_saver.save(m_navigator.shownFolder());
    if (savedAs)
        showWrittenFile(*savedAs, true);
    return savedAs.has_value();
}

void TagEditor::setSaveEnabled(bool on) { c.CmdSave->setEnabled(on); }

void TagEditor::showWrittenFile(const QByteArray &name, bool current)
{
    // The entries are read again, so that the rebuild does not try files gone since the scan
    // (and lists the new name after a rename). The rows go first: they show the entries' names.
    c.lv1->clear();
    const FileStatus listed = c.FilOpen->refresh();
    if (!listed) {
        Message::show(listed.description());
        return;
    }
    const int unreadable = rereadWritten(name, current);
    m_panel.clearUnkept();
    c.ChkRenFile->setCheckState(Qt::Unchecked);
    m_selection.deselect();
    if (unreadable > 0)
        Message::show(readErrorText());
}

// The rebuilt list reads the written file with the others; its reading is the record's from then on.
int TagEditor::rereadWritten(const QByteArray &name, bool current)
{
    std::optional<TagReading> reread;
    const int unreadable = fillList(true, name, &reread);
    if (!current)
        return unreadable;
    if (!reread)
        Message::show(FileStatus::fromErrno(ENOENT).description());  // gone since the save
    else if (!reread->status)
        Message::show(reread->status.description());
    else
        m_session.noteReread(*reread);
    return unreadable;
}

// ---- reading and selection ----

void TagEditor::publish(const TagReading &reading)
{
    // A file without a tag leaves the genre variable of the last tag alone.
    if (reading.tagged)
        m_session.setGenreNumber(reading.fields.genre);
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
    c.TxtNewFilename->setText(proposeFileName(song, artist, m_settings.SupportLFN, m_selection.fileName()));
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
    m_session.setLabel(m_session.proposedName());
}

FileStatus TagEditor::FilOpen_Click(int entry)
{
    const QByteArray prefix = currentPrefix();
    // The file must be readable before it becomes current: otherwise a save would write the
    // fields of the previous file into it.
    const FileStatus status = m_selection.load(entry, prefix);
    if (!status)
        return status;
    ReadTag(m_session.reading());
    UpdateFileName();
    m_id3v2.load();
    return status;
}

void TagEditor::lv1_DblClick()
{
    const int selected = m_selection.entry();
    if (selected >= 0 && c.lv1->selectedRow() == selected)
        openDocument(m_session.CurrentPath());
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
    const CodePage &page = m_session.codePage();
    const QString song = name.size() > 4 ? page.decode(page.encode(name.chopped(4))) : QString();
    c.TxtDispTag[0]->setText(song);
}

// ---- the tags' code page: switched live from the bytes already read, suggested after each scan ----

void TagEditor::suggestCodePage()
{
    CodePageGuess guess;
    c.lv1->addFieldsTo(guess);
    emit folderCodePageSuggested(guess.suggestion(), guess.nonAsciiBytes());
}

void TagEditor::codePageSwitched(const CodePage &previous)
{
    c.lv1->redecode(m_session.codePage());
    bool boxesChanged = false;
    {
        const QScopedValueRollback quiet(m_quietNames, true);
        boxesChanged = m_panel.redecode(previous);
    }
    if (!boxesChanged || m_selection.entry() < 0)
        return;
    // The proposal follows the boxes as it does when they are typed in; the player's label, taken
    // from the proposal when the file was clicked, was read in the old page too.
    const bool labelIsProposal = m_session.CurrentName() == m_session.proposedName();
    UpdateFileName();
    if (labelIsProposal) {
        m_session.setLabel(m_session.proposedName());
    }
}
