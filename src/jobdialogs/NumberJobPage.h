#pragma once
// Number Tracks: ID3v1.1 track numbers in the list's order from a start number, optionally only
// for files without one; a file's number typed in its Track cell of the preview (0 or nothing
// clears it). A comment over 28 bytes is cut only when the user ticks that it may be.

#include "jobdialogs/JobPage.h"
#include "tags/jobs/NumberJob.h"

class QCheckBox;
class QSpinBox;

class NumberJobPage : public JobPage {
    Q_OBJECT
public:
    explicit NumberJobPage(QWidget *parent = nullptr);

    static QString jobTitle() { return QString::fromLatin1(NumberJobTitle); }
    QString title() const override { return jobTitle(); }
    void start(const std::vector<JobFile> &files) override;
    QList<TagField> fields() const override;
    JobPlanner planner() const override;
    QString shownReason(const QString &reason) const override;
    std::optional<TagField> editableField() const override { return TagField::Track; }
    bool setCell(int index, const QString &text) override;

    QSpinBox *startNumber = nullptr;
    QCheckBox *onlyMissing = nullptr, *cutComments = nullptr, *freeCommentBytes = nullptr;

private:
    std::vector<JobFile> m_files;  // the planner finds a file's place in the list by its path
    std::map<int, int> m_given;    // numbers typed in the preview: index in the list -> number
};
