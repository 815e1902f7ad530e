#pragma once
// The folder browser and the editing panel: creates their controls and owns their handlers,
// each a short step that calls the scan, the selection, the panel and the tag core in turn.
// The rest of the window hears of the current file and of the proposed name by two signals.

#include "BrowserControls.h"
#include "FolderScan.h"
#include "MdlDefault.h"
#include "Selection.h"
#include "TagPanel.h"
#include "TagRecord.h"

#include <QByteArray>
#include <QObject>
#include <QString>
#include <QStringList>

class QWidget;

class TagEditor : public QObject {
    Q_OBJECT
public:
    // The controls become children of controlsParent, which the window places. genreList is
    // read whenever a genre is named, so the window may fill it after construction.
    TagEditor(QWidget *controlsParent, MdlDefault &state, const QStringList &genreList, QObject *parent = nullptr);

    const BrowserControls &controls() const { return c; }

    // Shows folder in the folder list and lists its files, also when it is the folder shown
    // already (the folder list reports only a change of folder).
    FileStatus openFolder(const QByteArray &folder);

    void DrvOpen_Change();
    void DirOpen_Change();                    // the scan; also F5 and re-opening the folder shown
    void FillMp3List();                       // rebuilds the MP3 list from the file list's entries
    void ReadTag(const TagReading &reading);  // into CurrentTag, the genre variables and the panel
    void UpdateFileName();
    void lv1_Click();
    FileStatus FilOpen_Click(int entry);  // the load step: entry becomes the current file
    void lv1_DblClick();
    void Cmdswap_Click();
    void Cmdfilesong_Click();
    void CmdSave_Click();

    const Selection &selection() const { return m_selection; }
    const TagRecord &CurrentTag() const { return m_currentTag; }  // the tag last read
    quint8 genreByte() const { return m_genreByte; }
    quint8 genreNumber() const { return m_genreNumber; }
    // The current folder followed by "/" ("/" alone for the root).
    QByteArray folderPrefix() const { return m_folderPrefix; }

    // The message shown once after a list rebuild in which some files could not be read.
    static QString readErrorText();
    // The message of a save with no file selected.
    static QString noFileText();

signals:
    // A row was loaded: its file is now the current file; label is the name proposed for it.
    void currentFileChanged(const QByteArray &path, const QString &label);
    void proposalChanged(const QString &name);  // the text of the new-name box changed

private:
    void publish(const TagReading &reading);  // CurrentTag and the genre variables
    // Rebuilds the list and returns how many files could not be read; with onlyNew, only those
    // that the list before could read (a save does not repeat what the scan already said).
    int fillList(bool onlyNew = false);
    QByteArray currentPrefix() const;

    BrowserControls c;
    MdlDefault &m_state;
    const QStringList &m_genreList;
    TagPanel m_panel;
    FolderScan m_scan;
    Selection m_selection;

    QByteArray m_folderPrefix;
    TagRecord m_currentTag;
    quint8 m_genreByte = 0;
    quint8 m_genreNumber = 0;
    bool m_quietNames = false;  // box changes that must not rebuild the proposal
    QSet<QByteArray> m_unreadable;  // names that the last rebuild could not read
};
