#pragma once
// Shared by the tests of the folder scan, tag reading, selection and saving: MP3-like files with
// hand-made trailers, a message recorder, the real main window on a folder, and a way to act as
// an ordinary user when the tests run as root (root ignores permission bits).

#include "Message.h"

#include <QByteArray>
#include <QString>
#include <QStringList>

#include <memory>

class FrmMain;

namespace EditorTest {

// A 128-byte trailer built byte by byte here, independently of the program's own builder. Each
// text is padded with spaces (or cut) to its width.
QByteArray trailer(const QByteArray &title, const QByteArray &artist = {}, const QByteArray &album = {},
                   const QByteArray &year = {}, const QByteArray &comment = {}, quint8 genre = 0);

// size bytes of audio-like filler (no "TAG" anywhere), then the trailer when one is given.
QByteArray song(int size, const QByteArray &trailer = {});

bool writeFile(const QByteArray &path, const QByteArray &bytes);
QByteArray readFile(const QByteArray &path);
bool exists(const QByteArray &path);
bool isOwnerWritable(const QByteArray &path);
QStringList namesIn(const QByteArray &folder);  // sorted, decoded

// A fresh folder under the temporary folder, open to every user, removed with everything in it
// (names that are not UTF-8 and entries without permissions included).
class TempFolder {
public:
    TempFolder();
    ~TempFolder();
    bool isValid() const { return !m_path.isEmpty(); }
    QByteArray path() const { return m_path; }
    QByteArray file(const QByteArray &name) const { return m_path + '/' + name; }
    QByteArray subfolder(const QByteArray &name) const;  // created

private:
    QByteArray m_path;
};

// Takes every message shown while it lives.
class MessageLog {
public:
    MessageLog();
    ~MessageLog();
    QStringList texts;
    void clear() { texts.clear(); }

private:
    Message::Handler m_previous;
};

// While it lives, the process acts with the rights of an ordinary user when it runs as root, so
// permission bits take effect. Files meant for that user must be handed over with giveAway().
class ActAsUser {
public:
    ActAsUser();
    ~ActAsUser();
    static bool needed();  // running as root
    static void giveAway(const QByteArray &path);  // chown to the ordinary user (root only)

private:
    bool m_switched = false;
};

// The real main window, loaded and shown offscreen.
class Window {
public:
    Window();
    ~Window();
    FrmMain &main() { return *m_main; }
    FrmMain *operator->() { return m_main.get(); }

    bool openFolder(const QByteArray &folder);  // as the load handling does it
    void clickRow(int row);                     // a real mouse click on the row
    void doubleClickRow(int row);
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

}  // namespace EditorTest
