#pragma once
// What the window edits, held once: the tags' code page (more of the session's state joins it as
// the window's parts are moved onto it). It is the one writer; the list, the panel, its boxes'
// checks and the ID3v2 marks read the page from here whenever they decode or encode, and hear of
// a switch by codePageChanged. Nothing keeps a copy, so no part can be left in the old page.

#include <QObject>

class CodePage;

class EditSession : public QObject {
    Q_OBJECT
public:
    explicit EditSession(QObject *parent = nullptr);

    // The page the tags are read and saved in: the system's until one is chosen.
    const CodePage &codePage() const { return *m_page; }
    void setCodePage(const CodePage &page);

signals:
    void codePageChanged(const CodePage &previous);

private:
    const CodePage *m_page;
};
