#pragma once
// Case and Replace: the ticked fields' letter case, their spaces trimmed, a text (or a regular
// expression) replaced, all on the text decoded in the chosen code page. A regular expression that
// does not compile is the inputs' problem: Apply waits.

#include "jobdialogs/JobPage.h"
#include "tags/jobs/CaseJob.h"

#include <array>

class CodePage;
class QCheckBox;
class QComboBox;
class QLineEdit;

class CaseJobPage : public JobPage {
    Q_OBJECT
public:
    // page: the chosen code page, which outlives the dialog.
    explicit CaseJobPage(const CodePage &page, QWidget *parent = nullptr);

    static QString jobTitle() { return QString::fromLatin1(CaseJobTitle); }
    QString title() const override { return jobTitle(); }
    QList<TagField> fields() const override;
    QString problem() const override;
    JobPlanner planner() const override;

    // Title, Artist, Album, Comment.
    std::array<QCheckBox *, 4> fieldTicks{};
    QComboBox *letterCase = nullptr;  // in LetterCase's order
    QCheckBox *trimSpaces = nullptr, *regex = nullptr, *matchCase = nullptr;
    QLineEdit *findText = nullptr, *replaceText = nullptr;

private:
    CaseOptions options() const;

    const CodePage &m_page;
};
