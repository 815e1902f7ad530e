#pragma once
// The editing panel's rules: the Keep boxes, what a reading puts into the boxes, and the fields
// a save writes from them.

#include "browser/BrowserPanel.h"
#include "tags/id3v1/Id3v1.h"

#include <QByteArray>
#include <QString>
#include <QStringList>

#include <array>
#include <optional>

class CodePage;
class EditSession;
struct TagReading;

class TagPanel {
public:
    // The boxes are read, checked and saved in the session's code page.
    TagPanel(const BrowserPanel &controls, const EditSession &session, const QStringList &genreList);

    // The session's page has switched from previous: a box still showing the bytes the panel put
    // there shows them in the new page; a box the user changed keeps its text, which the new page
    // may not store: storeProblem() says so before a save. True when a box's text changed.
    bool redecode(const CodePage &previous);
    // Why the boxes cannot be saved in the page (a field's name and what is wrong); empty when
    // they can.
    QString storeProblem() const;

    bool kept(int index) const;  // Keep box ticked (or greyed)
    // The Keep rule: every box whose Keep box is clear gets the reading's field, or is emptied
    // when the file has no tag; a genre number without a name shows "Unknown".
    void show(const TagReading &reading);
    void clearUnkept();
    // The fields a save writes, in code-page bytes. The genre is the entry the genre box names;
    // other text keeps genreNumber (updated when the box names an entry); empty text gives 255.
    Id3v1::Fields fieldsToSave(quint8 &genreNumber) const;

private:
    void showField(int index, const QByteArray &bytes);
    void showText(int index, const QString &text);
    // The box holds what the panel put there, as page shows it.
    bool showsItsBytes(int index, const CodePage &page) const;
    bool showsItsBytes(int index) const;  // in the session's page
    QByteArray storedBytes(int index) const;  // what a save writes for the box

    const BrowserPanel &c;
    const EditSession &m_session;
    const QStringList &m_genreList;
    std::array<std::optional<QByteArray>, 5> m_shownBytes;  // what each box was last given
};
