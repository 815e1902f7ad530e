// The menu bar: Velmora's own menus, then Help with its windows and the instructions.

#include "app/CodePageMenu.h"
#include "app/FrmAbout.h"
#include "app/FrmMain.h"
#include "app/FrmSettings.h"
#include "app/InstructionsFile.h"
#include "app/SaveUndo.h"
#include "app/TaggingEntries.h"
#include "browser/DocumentOpener.h"
#include "browser/TagEditor.h"
#include "tags/settings/CodePageChoice.h"
#include "tags/text/Message.h"

#include <QAction>
#include <QCoreApplication>
#include <QFile>
#include <QMenu>
#include <QMenuBar>

void FrmMain::createMenu()
{
    // Velmora's own menus come before Help, as desktops place them; each feature adds its
    // entries to them. Help keeps its caption and entries.
    mnuEdit = menuBar()->addMenu(QStringLiteral("&Edit"));
    mnuEdit->setObjectName(QStringLiteral("mnuEdit"));
    m_saveUndo = new SaveUndo(*m_editor, *m_session, *mnuEdit, this);
    mnuTags = menuBar()->addMenu(QStringLiteral("&Tags"));
    mnuTags->setObjectName(QStringLiteral("mnuTags"));
    m_codePages = new CodePageMenu(*mnuTags, this);
    connect(m_codePages, &CodePageMenu::chosenChanged, this,
            [this](int number) { m_session->setCodePage(CodePageChoice::pageOf(number)); });
    connect(m_editor, &TagEditor::folderCodePageSuggested, m_codePages, &CodePageMenu::setSuggestion);
    mnuFillFromId3v2 = mnuTags->addAction(QStringLiteral("Fill from &ID3v2"));
    mnuFillFromId3v2->setObjectName(QStringLiteral("mnuFillFromId3v2"));
    mnuFillFromId3v2->setShortcut(QKeySequence(Qt::CTRL | Qt::Key_I));
    mnuFillFromId3v2->setEnabled(false);  // until a file with an ID3v2 tag is loaded
    connect(mnuFillFromId3v2, &QAction::triggered, m_editor, &TagEditor::fillFromId3v2);
    connect(m_editor, &TagEditor::canFillFromId3v2Changed, mnuFillFromId3v2, &QAction::setEnabled);
    m_tagging = new TaggingEntries(*mnuEdit, *mnuTags, *m_editor, this);
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
