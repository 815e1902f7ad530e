#pragma once
// Shared by the window tests of the folder scan, tag reading, selection and saving: the real main
// window on a folder, driven as a user drives it. The files come from TestFiles.

#include "support/SettingsTestCase.h"
#include "support/TestFiles.h"
#include "support/WindowControls.h"

#include <QByteArray>
#include <QHash>
#include <QObject>
#include <QString>
#include <QStringList>

#include <memory>

class FrmMain;
class QWidget;

namespace EditorTest {

using namespace TestFiles;

// Types text into widget as one key event carrying it: QTest's key clicks carry only ASCII.
void typeText(QWidget *widget, const QString &text);

// The file names the window proposes: as the settings file says, or long ones whatever it says.
enum class Names { AsSettings, Long };

// The real main window, loaded and shown offscreen, with its controls found by name.
class Window : public WindowControls {
public:
    Window();
    // Opened on folder as the load handling does it; a folder that does not open fails the test.
    explicit Window(const QByteArray &folder, Names names = Names::AsSettings);
    ~Window();
    FrmMain &main() { return *m_main; }
    FrmMain *operator->() { return m_main.get(); }

    bool openFolder(const QByteArray &folder);  // as the load handling does it
    void clickRow(int row);                     // a real mouse click on the row
    void doubleClickRow(int row);
    int rowOf(const QByteArray &name) const;      // the row listing that name; -1: none
    bool clickFile(const QByteArray &name);       // a click on the row of that name; false: none
    void typeInto(int box, const QString &text);  // select all, then type (ASCII)
    void pickGenre(const QString &name);          // type the name and confirm with Enter
    void setKeep(int index, bool on);
    void setRename(bool on);
    void save();                                  // click "Save Tags"
    QStringList row(int row) const;               // the seven texts of a row
    QStringList panel() const;                    // the five boxes and the genre box

private:
    std::unique_ptr<FrmMain> m_main;
};

// A test class each of whose tests gets, besides what SettingsTestCase gives, a fresh folder.
class FolderTestCase : public SettingsTestCase {
    Q_OBJECT

protected:
    std::unique_ptr<TempFolder> m_dir;
    QByteArray m_folder;

    QByteArray file(const QByteArray &name) const { return m_folder + '/' + name; }
    // The folder's files by name, with their bytes.
    QHash<QString, QByteArray> snapshot() const;
    // A real MP3 that plays (fixture: one of the generated tones), with a trailer appended.
    void playableSong(const QByteArray &name, const QByteArray &title, const char *fixture = "tone10s.mp3");

protected slots:
    void init();
};

}  // namespace EditorTest
