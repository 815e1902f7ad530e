#pragma once
// The editing panel's rules: the Keep boxes, what a reading puts into the boxes, and the fields
// a save writes from them.

#include "browser/BrowserControls.h"
#include "tags/Id3v1.h"

#include <QStringList>

struct TagReading;

class TagPanel {
public:
    TagPanel(const BrowserControls &controls, const QStringList &genreList)
        : c(controls), m_genreList(genreList)
    {
    }

    bool kept(int index) const;  // Keep box ticked (or greyed)
    // The Keep rule: every box whose Keep box is clear gets the reading's field, or is emptied
    // when the file has no tag; a genre number without a name shows "Unknown".
    void show(const TagReading &reading);
    void clearUnkept();
    // The fields a save writes, in code-page bytes. The genre is the entry the genre box names;
    // other text keeps genreNumber (updated when the box names an entry); empty text gives 255.
    Id3v1::Fields fieldsToSave(quint8 &genreNumber) const;

private:
    const BrowserControls &c;
    const QStringList &m_genreList;
};
