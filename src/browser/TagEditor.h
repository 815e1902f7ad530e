#pragma once
// The MP3 list and the editing panel: creates the browser's controls (the navigator works the
// drive box and folder list) and owns the list's and the panel's handlers, each a short step that
// calls the scan, the selection, the panel and the tag core in turn. Save Tags writes through
// TagSaver; the editor rebuilds the list around the written file.
// The current file, the proposed name and the tags' code page live in the edit session, which the
// rest of the window reads.

#include "browser/AlbumStepper.h"
#include "browser/BrowserPanel.h"
#include "browser/FolderNavigator.h"
#include "browser/Id3v2Marks.h"
#include "browser/Mp3ListBuilder.h"
#include "browser/Selection.h"
#include "browser/TagPanel.h"
#include "browser/TagSaver.h"
#include "tags/trailer/MdlDefault.h"

#include <QByteArray>
#include <QObject>
#include <QString>
#include <QStringList>

#include <optional>

class CodePage;
class EditSession;
class QIcon;
class SaveJournal;
class QWidget;

class TagEditor : public QObject {
    Q_OBJECT
public:
    // The controls become children of controlsParent, which the window places. genreList is
    // read whenever a genre is named, so the window may fill it after construction.
    TagEditor(QWidget *controlsParent, EditSession &session, const MdlDefault &settings, const QStringList &genreList,
              QObject *parent = nullptr);

    // The folder shown: opened as a user would open it, its drive shown in the drive box.
    FileStatus openFolder(const QByteArray &folder) { return m_navigator.openFolder(folder); }
    void showDriveOfShownFolder() { m_navigator.showDriveOfShownFolder(); }
    QByteArray shownFolder() const { return m_navigator.shownFolder(); }
    void fillGenres(const QStringList &genreList);  // the genre box's entries
    void clearPanel();                              // the five boxes and the genre box emptied
    void setRowIcon(const QIcon &icon);             // the MP3 list's rows show it
    void continueTabOrderInto(QWidget *next) const { c.continueTabOrderInto(next); }
    // Loads the listed file of that name as a click on its row does; false when it is not listed.
    bool selectFile(const QByteArray &name);

    void DirOpen_Change();                    // the scan; also F5 and re-opening the folder shown
    void FillMp3List();                       // rebuilds the MP3 list from the file list's entries
    void ReadTag(const TagReading &reading);  // into CurrentTag, the genre variables and the panel
    void UpdateFileName();
    void lv1_Click();
    FileStatus FilOpen_Click(int entry);  // the load step: entry becomes the current file
    void lv1_DblClick();
    void Cmdswap_Click();
    void Cmdfilesong_Click();
    bool CmdSave_Click();  // true when the save (and its rename) succeeded
    void setSaveEnabled(bool on);  // off while something else writes the folder's files
    // Save Tags, then the next file of the list; false when the save failed.
    bool saveAndNext() { return m_stepper.saveAndNext(); }
    // A save gives the file back its modification and access times.
    void setKeepFileTimes(bool on) { m_saver.setKeepFileTimes(on); }
    void setWriteId3v2(bool on) { m_saver.setWriteId3v2(on); }

    // Save Tags records each save in journal (none: not recorded).
    void setJournal(SaveJournal *journal) { m_saver.setJournal(journal); }
    // A file of the folder shown was written (saved or its save undone), and is now called name
    // (empty: not in this folder): the list is read again and the panel emptied; with current,
    // the current file's record takes the file's new reading.
    void showWrittenFile(const QByteArray &name, bool current);

    TagRecord CurrentTag() const { return m_selection.CurrentTag(); }  // the current file's tag
    // The loaded file's ID3v2 values into the boxes whose Keep box is clear.
    void fillFromId3v2() { m_id3v2.fill(); }
    // The message shown once after a list rebuild in which some files could not be read.
    static QString readErrorText();

signals:
    // After each scan: the page the folder's tags read best in (0: cannot tell) and how many of
    // their bytes are not plain ASCII.
    void folderCodePageSuggested(int page, qsizetype nonAsciiBytes);
    void saveTried();  // a Save Tags reached the tag core, whatever became of it
    void canFillFromId3v2Changed(bool canFill);  // the loaded file has ID3v2 values to fill from

private:
    void publish(const TagReading &reading);  // the genre variable
    // Rebuilds the list and returns how many files could not be read; with onlyNew, only those
    // that the list before could read (a save does not repeat what the scan already said). The
    // reading of the entry named wanted goes to *wantedReading (unset when it is not listed).
    int fillList(bool onlyNew = false, const QByteArray &wanted = {},
                 std::optional<TagReading> *wantedReading = nullptr);
    void suggestCodePage();
    // The session's code page switched from previous: the list, the panel and the proposal are
    // decoded again from the bytes already read.
    void codePageSwitched(const CodePage &previous);
    int rereadWritten(const QByteArray &name, bool current);  // returns fillList's count
    QByteArray currentPrefix() const;

    EditSession &m_session;
    BrowserPanel c;
    const MdlDefault &m_settings;
    const QStringList &m_genreList;
    FolderNavigator m_navigator;
    TagPanel m_panel;
    Mp3ListBuilder m_scan;
    Selection m_selection;
    AlbumStepper m_stepper;
    Id3v2Marks m_id3v2;
    TagSaver m_saver;

    bool m_quietNames = false;  // box changes that must not rebuild the proposal
    QSet<QByteArray> m_unreadable;  // names that the last rebuild could not read
};
