#include "app/FrmMain.h"

#include "app/Artwork.h"
#include "app/CodePageMenu.h"
#include "app/FrmAbout.h"
#include "app/FrmSettings.h"
#include "app/InstructionsFile.h"
#include "app/JobEntries.h"
#include "app/SaveUndo.h"
#include "app/TaggingEntries.h"
#include "browser/DocumentOpener.h"
#include "browser/TagEditor.h"
#include "layout/ControlNames.h"
#include "layout/Twips.h"
#include "player/PlayerController.h"
#include "player/PlayerPanel.h"
#include "tags/id3v1/GenreList.h"
#include "tags/settings/CodePageChoice.h"
#include "tags/settings/SettingsKeys.h"
#include "tags/settings/SettingsStore.h"
#include "tags/text/Message.h"

#include <QAction>
#include <QCloseEvent>
#include <QCoreApplication>
#include <QDir>
#include <QFile>
#include <QFileInfo>
#include <QGuiApplication>
#include <QLabel>
#include <QMenu>
#include <QMenuBar>
#include <QPushButton>
#include <QScreen>

#include <cstdio>

namespace {

const QString &kApplication = SettingsKeys::application;
const QString &kSection = SettingsKeys::startPath.section;  // Support LFN's as well
const QString &kPathKey = SettingsKeys::startPath.key;
const QString &kLfnKey = SettingsKeys::supportLfn.key;
const QString kLoadFailure = QStringLiteral("Error while loading Quorrel.");

template <typename W>
W *place(W *widget, const char *name, const QRect &geometry, const QString &tooltip = {})
{
    widget->setObjectName(QLatin1String(name));
    widget->setGeometry(geometry);
    if (!tooltip.isEmpty())
        widget->setToolTip(tooltip);
    return widget;
}

QFont fontOf(const QStringList &families, double points, bool bold, bool italic)
{
    QFont font;
    font.setFamilies(families);
    font.setPointSizeF(points);
    font.setBold(bold);
    font.setItalic(italic);
    return font;
}

}  // namespace

FrmMain::FrmMain(std::function<void()> endProgram, QWidget *parent)
    : QMainWindow(parent), m_endProgram(std::move(endProgram))
{
    if (!m_endProgram)
        m_endProgram = [] { QCoreApplication::exit(0); };

    setObjectName(QStringLiteral("FrmMain"));
    setWindowTitle(QStringLiteral("Velmora"));
    setWindowIcon(::windowIcon());
    setFont(layoutFont());

    auto *client = new QWidget(this);
    client->setObjectName(QStringLiteral("client"));
    client->setFixedSize(twips(10305), twips(10170));
    setCentralWidget(client);

    // Created back to front.
    createPlayer(client);
    createDecoration(client);
    m_editor = new TagEditor(client, *m_session, m_state, GenreList, this);
    m_editor->setRowIcon(rowIcon());
    CmdQuit = place(new QPushButton(QStringLiteral("&Quit"), client), "CmdQuit", twipsRect(9240, 9720, 975, 375),
                    QStringLiteral("Quit Program"));
    createMenu();
    connect(CmdQuit, &QPushButton::clicked, this, &FrmMain::CmdQuit_Click);
    m_editor->continueTabOrderInto(CmdQuit);
    m_playerPanel->continueTabOrderFrom(CmdQuit);
    nameControlsWithoutText({CmdQuit});
    connect(qApp, &QGuiApplication::lastWindowClosed, this, &FrmMain::onLastWindowClosed);

    // A fixed-size window centred on the screen.
    adjustSize();
    setFixedSize(sizeHint());
    if (const QScreen *screen = this->screen())
        move(screen->availableGeometry().center() - rect().center());
}

FrmMain::~FrmMain()
{
    // The Help menu's windows are windows of their own (see mnuAbout_Click), not children.
    delete m_settings;
    delete m_about;
}

FrmSettings *FrmMain::settingsDialog() const { return m_settings; }

FrmAbout *FrmMain::aboutBox() const { return m_about; }

void FrmMain::createPlayer(QWidget *client)
{
    m_playerPanel = new PlayerPanel(client);
    m_playerController = new PlayerController(*m_playerPanel, m_player, *m_session, this);
}

void FrmMain::createDecoration(QWidget *client)
{
    Label1 = place(new QLabel(QStringLiteral("Velmora"), client), "Label1", twipsRect(120, 0, 3735, 615));
    Label1->setFont(fontOf({QStringLiteral("Kristen ITC"), QStringLiteral("Comic Neue"), QStringLiteral("sans-serif")},
                           20.25, true, true));
    Image1 = place(new QLabel(client), "Image1", twipsRect(2880, 720, 1260, 840));
    Image1->setPixmap(staffPicture());
}

void FrmMain::runLoadStep(const std::function<QString()> &step)
{
    const QString failure = step();
    if (!failure.isEmpty())
        Message::show(failure + kLoadFailure);
}

void FrmMain::Form_Load()
{
    if (m_loaded)
        return;
    m_loaded = true;

    // Saves a crash cut short are put right before any file is read.
    m_saveUndo->recoverAtStart();
    runLoadStep([this] {
        GenreList = Genres::buildGenreList();
        return QString();
    });
    // A settings file that cannot be read is said once; the steps below then get the defaults.
    runLoadStep([] {
        if (const QString problem = SettingsStore::problem(kApplication); !problem.isEmpty())
            Message::show(problem);
        return QString();
    });
    // The MP3 list is a report view from its creation on.
    runLoadStep([this] {
        const QString text = SettingsStore::read(kApplication, kSection, kLfnKey, QStringLiteral("True"));
        const std::optional<bool> value = parseSupportLfn(text);
        if (!value)
            return QStringLiteral("Type mismatch");
        m_state.SupportLFN = *value;
        return QString();
    });
    runLoadStep([this] {
        QString problem;
        m_codePages->choose(CodePageMenu::storedChoice(kApplication, &problem));
        if (!problem.isEmpty())
            Message::show(problem);
        return QString();
    });
    runLoadStep([this] {
        // Kept as raw bytes, so a folder whose name is not UTF-8 comes back unchanged.
        const QByteArray stored = SettingsStore::readBytes(kApplication, kSection, kPathKey).value_or(QByteArray());
        // A folder named on the command line takes the stored one's place.
        return m_editor->openFolder(m_start.folder.isEmpty() ? stored : m_start.folder).description();
    });
    runLoadStep([this] {
        m_editor->showDriveOfShownFolder();
        return QString();
    });
    runLoadStep([this] {
        m_tagging->readSettings(kApplication);
        return QString();
    });
    runLoadStep([this] {
        m_editor->fillGenres(GenreList);
        return QString();
    });
    runLoadStep([this] {
        m_editor->clearPanel();
        return QString();
    });
    selectStartFile();
}

// The file named on the command line becomes the current file, as a click on its row makes it.
void FrmMain::selectStartFile()
{
    if (!m_start.message.isEmpty())
        Message::show(m_start.message);
    if (m_start.fileName.isEmpty() || m_editor->shownFolder() != m_start.folder)
        return;
    if (!m_editor->selectFile(m_start.fileName))
        Message::show(QStringLiteral("%1 is not in the list of MP3 files.").arg(QString::fromUtf8(m_start.fileName)));
}

void FrmMain::closeEvent(QCloseEvent *event)
{
    // The program ends through the frame when its last window closes; the application object
    // calls Form_Terminate then. Closing here only hides the window.
    event->accept();
}

void FrmMain::showEvent(QShowEvent *event)
{
    m_shown = true;
    QMainWindow::showEvent(event);
}

// The application reports the last window closed for any window, also for a message box that
// closes during the load, before this window was ever shown. Only this window closed through its
// frame, after it was shown, with no other window left, ends the program.
void FrmMain::onLastWindowClosed()
{
    if (m_shown && isHidden())
        Form_Terminate();
}

void FrmMain::Form_Terminate()
{
    m_player.get().stop();
}

void FrmMain::CmdQuit_Click() { quit(); }

void FrmMain::mnuQuit_Click() { quit(); }

void FrmMain::quit()
{
    QString failure;
    const bool stored =
        SettingsStore::writeBytes(kApplication, kSection, kPathKey, m_editor->shownFolder(), &failure) &&
        SettingsStore::write(kApplication, kSection, kLfnKey, supportLfnText(m_state.SupportLFN), &failure) &&
        m_tagging->storeSettings(kApplication, &failure) &&
        m_codePages->store(kApplication, &failure);
    if (!stored)
        std::fprintf(stderr, "Velmora: the settings could not be stored in %s: %s\n",
                     qPrintable(SettingsStore::filePath(kApplication)), qPrintable(failure));
    // A player that was never created has nothing to stop; creating it would start the audio
    // backend just as the program ends.
    if (m_player.exists())
        m_player.get().stop();
    m_endProgram();
}

// ---- the menu bar: Velmora's own menus, then Help with its windows and the instructions ----

void FrmMain::createMenu()
{
    // Velmora's own menus come before Help, as desktops place them; each feature adds its
    // entries to them. Help keeps its caption and entries.
    mnuEdit = menuBar()->addMenu(QStringLiteral("&Edit"));
    mnuEdit->setObjectName(QStringLiteral("mnuEdit"));
    m_saveUndo = new SaveUndo(*m_editor, *m_session, *mnuEdit, this);
    mnuTags = menuBar()->addMenu(QStringLiteral("&Tags"));
    mnuTags->setObjectName(QStringLiteral("mnuTags"));
    m_codePages = new CodePageMenu(*mnuTags, *m_session, this);
    connect(m_editor, &TagEditor::folderCodePageSuggested, m_codePages, &CodePageMenu::setSuggestion);
    mnuFillFromId3v2 = mnuTags->addAction(QStringLiteral("Fill from &ID3v2"));
    mnuFillFromId3v2->setObjectName(QStringLiteral("mnuFillFromId3v2"));
    mnuFillFromId3v2->setShortcut(QKeySequence(Qt::CTRL | Qt::Key_I));
    mnuFillFromId3v2->setEnabled(false);  // until a file with an ID3v2 tag is loaded
    connect(mnuFillFromId3v2, &QAction::triggered, m_editor, &TagEditor::fillFromId3v2);
    connect(m_editor, &TagEditor::canFillFromId3v2Changed, mnuFillFromId3v2, &QAction::setEnabled);
    m_tagging = new TaggingEntries(*mnuEdit, *mnuTags, *m_editor, this);
    m_jobs = new JobEntries(*mnuTags, *m_editor, *m_session, m_state, *m_saveUndo, *m_tagging, GenreList, this);
    // Nothing else writes the files while a batch is undone.
    for (QAction *writer : {m_tagging->saveAndNext, m_jobs->tagsFromNames, m_jobs->valuesForEveryFile,
                            m_jobs->titlesFromList, m_jobs->caseAndReplace, m_jobs->numberTracks,
                            m_jobs->renameEveryFile, m_jobs->albumFromMusicBrainz})
        connect(m_saveUndo, &SaveUndo::undoingChanged, writer, &QAction::setDisabled);
    connect(m_saveUndo, &SaveUndo::undoingChanged, m_editor, [this](bool undoing) { m_editor->setSaveEnabled(!undoing); });
    mnuHelp = menuBar()->addMenu(QStringLiteral("Help"));
    mnuHelp->setObjectName(QStringLiteral("mnuHelp"));
    auto add = [this](const char *name, const QString &caption, void (FrmMain::*handler)()) {
        QAction *action = mnuHelp->addAction(caption);
        action->setObjectName(QLatin1String(name));
        connect(action, &QAction::triggered, this, handler);
        return action;
    };
    mnuinstr = add("mnuinstr", QStringLiteral("&Instructions"), &FrmMain::mnuinstr_Click);
    mnuSettings = add("mnuSettings", QStringLiteral("&Settings"), &FrmMain::mnuSettings_Click);
    mnuAbout = add("mnuAbout", QStringLiteral("&About"), &FrmMain::mnuAbout_Click);
    mnuQuit = add("mnuQuit", QStringLiteral("&Quit"), &FrmMain::mnuQuit_Click);
}

// The about box and the settings dialog have no parent window: a window with one does not count
// as open when the main window is closed, and the program would end under them.
void FrmMain::mnuAbout_Click()
{
    showAbout(m_about);
}

void FrmMain::mnuSettings_Click()
{
    showSettings(m_settings, m_state.SupportLFN, m_endProgram);
}

void FrmMain::mnuinstr_Click()
{
    const QString programFolder = QCoreApplication::applicationDirPath();
    QString problem;
    const QString path = findInstructions(programFolder, &problem);
    if (path.isEmpty()) {
        Message::show(problem);
        return;
    }
    if (!openDocument(QFile::encodeName(path)))
        Message::show(QStringLiteral("No program could be found to open %1.").arg(path));
}
