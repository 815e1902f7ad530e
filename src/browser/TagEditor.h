#pragma once
// The handlers of the folder browser and the editing panel: the folder scan that fills the MP3
// list, reading a tag into the panel, the selection of a row, the panel's two helper buttons and
// Save Tags. The window owns the controls; this class is given them and owns the file slot
// through which every tag is read and written.

#include "BrowserWidgets.h"
#include "FileStatus.h"
#include "Id3v1.h"
#include "MdlDefault.h"
#include "RawTrailer.h"
#include "TagFile.h"

#include <QByteArray>
#include <QObject>
#include <QString>
#include <QStringList>

#include <functional>

class TagEditor : public QObject {
    Q_OBJECT
public:
    // genreList is read whenever a genre is named, so the window may fill it after construction.
    // playState answers the player's state (2 playing).
    TagEditor(const BrowserWidgets &w, MdlDefault &state, const QStringList &genreList,
              std::function<int()> playState, QObject *parent = nullptr);

    void DrvOpen_Change();
    void DirOpen_Change();  // the scan
    void FillMp3List();     // rebuilds the MP3 list from the file list's entries
    void ReadTag();         // reads the file open in the slot into CurrentTag and the panel
    void UpdateFileName();
    void lv1_Click();
    void FilOpen_Click();  // loads the selected entry
    void lv1_DblClick();
    void Cmdswap_Click();
    void Cmdfilesong_Click();
    void CmdSave_Click();

    // The current folder followed by "/" ("/" alone for the root).
    QByteArray folderPrefix() const { return m_folderPrefix; }
    quint8 genreByte() const { return m_genreByte; }
    quint8 genreNumber() const { return m_genreNumber; }
    TagFile &tagFile() { return m_tagFile; }

    // The message shown once after a list rebuild in which some files could not be read.
    static QString readErrorText();
    // The message of a save with no file selected.
    static QString noFileText();

private:
    struct Reading {
        bool tagged = false;
        Id3v1::Fields fields;
    };

    // Reads the trailer of the file open in the slot and closes the slot.
    FileStatus readOpenFile(Reading &reading);
    static Reading readingOf(const RawTrailer &raw);
    // Puts a reading into CurrentTag and the genre variables.
    void publish(const Reading &reading);
    // Puts a reading into the panel boxes whose Keep box is clear.
    void applyToPanel(const Reading &reading);
    // Rebuilds the list; returns how many files could not be read.
    int fillList();
    void clearUnkeptFields();
    bool kept(int index) const;
    QByteArray currentPrefix() const;
    QString currentFileName() const;
    QByteArray newNameBytes(const QString &name) const;
    void restoreSelection();
    bool saveSteps(int &unreadable);

    BrowserWidgets w;
    MdlDefault &m_state;
    const QStringList &m_genreList;
    std::function<int()> m_playState;

    TagFile m_tagFile;
    QByteArray m_folderPrefix;
    QByteArray m_tagBuffer;
    quint8 m_genreByte = 0;
    quint8 m_genreNumber = 0;

    int m_loadedEntry = -1;         // the file-list entry whose file is current, -1 none
    bool m_loadFailed = false;      // set by the load step for the selection that started it
    bool m_restoring = false;       // selection changes made while undoing a failed load
    bool m_quietNames = false;      // box changes that must not rebuild the proposal
};
