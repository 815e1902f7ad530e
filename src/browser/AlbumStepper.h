#pragma once
// Tagging an album from the keyboard. In a tag box or the genre box, Page Down / Page Up (and
// Ctrl+Down / Ctrl+Up) load the next / previous row of the MP3 list as a click on it does; Save and
// next saves the current file and loads the one that came after it. The focus stays in the box the
// user types in, its text selected so that typing replaces it.

#include <QObject>

struct BrowserPanel;
class QWidget;
class Selection;
class TagEditor;

class AlbumStepper : public QObject {
public:
    // Watches the keys of the panel's boxes in controls; loads and saves through editor.
    AlbumStepper(const BrowserPanel &controls, const Selection &selection, TagEditor &editor);

    // Loads the row offset rows away from the current file's, as a click on it. False, with
    // nothing changed, when no file is current or the row is past an end of the list.
    bool step(int offset);
    // Save Tags, then the file that followed the saved one in the list before the save, found by
    // name in the rebuilt list (a rename may have moved the saved one). False when the save failed:
    // nothing moves then.
    bool saveAndNext();

protected:
    bool eventFilter(QObject *watched, QEvent *event) override;

private:
    void watch(QWidget *box);
    static void selectText(QWidget *box);

    const BrowserPanel &c;
    const Selection &m_selection;
    TagEditor &m_editor;
};
