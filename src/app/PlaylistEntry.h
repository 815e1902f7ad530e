#pragma once
// Tags > "Save Playlist…": an M3U8 playlist of the folder shown, its files in track order, saved
// where the user says; a file there is replaced only when the user confirms.

#include <QObject>

class EditSession;
class QAction;
class QMenu;
class QWidget;
class TagEditor;

class PlaylistEntry : public QObject {
    Q_OBJECT
public:
    PlaylistEntry(QMenu &tagsMenu, const TagEditor &editor, const EditSession &session, QWidget *window);

    QAction *savePlaylist = nullptr;

private:
    void save();

    const TagEditor &m_editor;
    const EditSession &m_session;
    QWidget *m_window;
};
