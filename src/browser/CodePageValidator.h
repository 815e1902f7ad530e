#pragma once
// Keeps a tag box to the characters the code page can store, so that what is saved is what is
// shown. Characters it cannot store are left out of typed or pasted text; the rest is kept.

#include <QValidator>

class CodePage;

class CodePageValidator : public QValidator {
    Q_OBJECT
public:
    explicit CodePageValidator(QObject *parent = nullptr);  // the system's code page
    CodePageValidator(const CodePage &codePage, QObject *parent = nullptr);

    State validate(QString &input, int &pos) const override;
    void fixup(QString &input) const override;

private:
    const CodePage &m_codePage;
};
