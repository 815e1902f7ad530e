#pragma once
// The main window: every control the user works with, under its own name, and the load handling
// that brings the last folder back. The behaviour of each area lives in its subsystem: the folder
// browser and editing panel in TagEditor and FolderNavigator (which make their controls; the
// window places them by name), the player in PlayerPanel (its frame and controls) and
// PlayerController (what it does). The window connects them.

#include "tags/trailer/MdlDefault.h"
#include "player/PlayerInstance.h"
#include "app/StartPath.h"
#include "session/EditSession.h"

#include <QMainWindow>
#include <QPointer>
#include <QStringList>
#include <array>
#include <functional>

class QAction;
class QLabel;
class QMenu;
class QPushButton;
class CodePageMenu;
class FrmAbout;
class FrmSettings;
class JobEntries;
class PlaylistEntry;
class PlayerController;
class PlayerPanel;
class SaveUndo;
class TagEditor;
class TaggingEntries;

class FrmMain : public QMainWindow {
    Q_OBJECT
public:
    // endProgram ends the program at once (the quit commands and the settings removal call it).
    explicit FrmMain(std::function<void()> endProgram = {}, QWidget *parent = nullptr);
    ~FrmMain() override;

    // What `velmora PATH` asked for: the load handling opens its folder in place of the stored
    // one and selects its file. Set it before the window is first shown.
    void setStartRequest(const StartRequest &request) { m_start = request; }

    // The load handling; runs once, before the window is first shown.
    void Form_Load();
    // The end of the program when its last open window (this one, the settings dialog or the
    // about box) has been closed through its frame: the player is stopped, nothing is stored.
    void Form_Terminate();

    void CmdQuit_Click();
    void mnuQuit_Click();
    void mnuAbout_Click();
    void mnuinstr_Click();
    void mnuSettings_Click();

    MdlDefault &state() { return m_state; }
    PlayerInstance &player() { return m_player; }
    EditSession &session() { return *m_session; }
    TagEditor &editor() { return *m_editor; }
    PlayerController &playerController() { return *m_playerController; }
    CodePageMenu &codePageMenu() { return *m_codePages; }
    SaveUndo &saveUndo() { return *m_saveUndo; }  // the Edit menu's undo of saves
    JobEntries &jobs() { return *m_jobs; }          // the Tags menu's folder jobs
    PlaylistEntry &playlist() { return *m_playlist; }  // Tags > Save Playlist…
    FrmSettings *settingsDialog() const;
    FrmAbout *aboutBox() const;

    // The window's own controls; the browser's and the player's stay in their panels and are
    // found by their object names.
    QPushButton *CmdQuit = nullptr;

    // Decoration
    QLabel *Label1 = nullptr, *Image1 = nullptr;

    // Menu
    QMenu *mnuEdit = nullptr, *mnuTags = nullptr;  // the program's own: saves and the tags' reading
    QAction *mnuFillFromId3v2 = nullptr;  // Tags: the loaded file's ID3v2 values into the panel
    QMenu *mnuHelp = nullptr;
    QAction *mnuinstr = nullptr, *mnuSettings = nullptr, *mnuAbout = nullptr, *mnuQuit = nullptr;

    QStringList GenreList;

protected:
    void closeEvent(QCloseEvent *event) override;
    void showEvent(QShowEvent *event) override;

private:
    void createPlayer(QWidget *client);
    void createDecoration(QWidget *client);
    void createMenu();
    void quit();
    void selectStartFile();
    void onLastWindowClosed();
    // Runs one step of the load handling; a step returns the description of its failure, or
    // empty text. A failure is shown and the load goes on, so the window is always usable.
    void runLoadStep(const std::function<QString()> &step);

    MdlDefault m_state;
    PlayerInstance m_player;
    EditSession *m_session = new EditSession(this);  // what the window edits, held once
    TagEditor *m_editor = nullptr;
    TaggingEntries *m_tagging = nullptr;  // Save and Next, Keep File Times
    JobEntries *m_jobs = nullptr;
    PlaylistEntry *m_playlist = nullptr;
    PlayerPanel *m_playerPanel = nullptr;
    PlayerController *m_playerController = nullptr;
    CodePageMenu *m_codePages = nullptr;
    SaveUndo *m_saveUndo = nullptr;
    QPointer<FrmSettings> m_settings;
    QPointer<FrmAbout> m_about;
    std::function<void()> m_endProgram;
    bool m_loaded = false;
    bool m_shown = false;  // the window has been on screen
    StartRequest m_start;
};
