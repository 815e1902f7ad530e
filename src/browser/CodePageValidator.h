#pragma once
// Keeps a tag box to what its field can store in the tags' code page, so that what is saved is
// what is shown: characters the page cannot store are left out of typed or pasted text, and the
// text may take at most the field's bytes (30, the year 4; a double-byte character takes two).
// What does not fit is refused as a full box refuses it: the characters typed or pasted last,
// just before the cursor, give way. The page can change while the box is in use.

#include <QValidator>

class CodePage;

class CodePageValidator : public QValidator {
    Q_OBJECT
public:
    explicit CodePageValidator(QObject *parent = nullptr);  // the system's code page, no byte limit
    CodePageValidator(const CodePage &codePage, QObject *parent = nullptr);
    // fieldBytes 0: no limit of its own (the box's length limit still holds).
    CodePageValidator(const CodePage &codePage, int fieldBytes, QObject *parent = nullptr);

    const CodePage &codePage() const { return *m_codePage; }
    void setCodePage(const CodePage &codePage);
    int fieldBytes() const { return m_fieldBytes; }
    void setFieldBytes(int bytes);

    State validate(QString &input, int &pos) const override;
    void fixup(QString &input) const override;

private:
    void keepStorable(QString &input, int &pos) const;
    void cutToField(QString &input, int &pos) const;

    const CodePage *m_codePage;
    int m_fieldBytes = 0;
};
