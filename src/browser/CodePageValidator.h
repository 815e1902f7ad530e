#pragma once
// Keeps a tag box to what its field can store in the tags' code page, so that what is saved is
// what is shown: characters the page cannot store are left out of typed or pasted text, and the
// text may take at most the field's bytes (30, the year 4; a double-byte character takes two).
// What does not fit is refused as a full box refuses it: the characters typed or pasted last,
// just before the cursor, give way. The page is the edit session's, read at every check, so a
// switch reaches the box at once.

#include <QValidator>

class CodePage;
class EditSession;

class CodePageValidator : public QValidator {
    Q_OBJECT
public:
    // fieldBytes 0: no limit of its own (the box's length limit still holds).
    CodePageValidator(const EditSession &session, int fieldBytes, QObject *parent = nullptr);

    const CodePage &codePage() const;
    int fieldBytes() const { return m_fieldBytes; }
    void setFieldBytes(int bytes);

    State validate(QString &input, int &pos) const override;
    void fixup(QString &input) const override;

private:
    void keepStorable(QString &input, int &pos) const;
    void cutToField(QString &input, int &pos) const;

    const EditSession &m_session;
    int m_fieldBytes = 0;
};
