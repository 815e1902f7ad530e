#pragma once
// Titles from a List: a text pasted (or opened) with one line per file in the list's order, its
// leading numbers and trailing durations removed unless untold, filling one field (Title unless
// another is chosen). When lines and files differ in number it says so, the lines past the last
// file are rows of their own, and Apply asks first; only paired files change.

#include "jobdialogs/JobPage.h"
#include "tags/jobs/ListJob.h"

class QCheckBox;
class QComboBox;
class QLabel;
class QPlainTextEdit;
class QPushButton;

class ListJobPage : public JobPage {
    Q_OBJECT
public:
    explicit ListJobPage(QWidget *parent = nullptr);

    static QString jobTitle() { return QString::fromLatin1(ListJobTitle); }
    QString title() const override { return jobTitle(); }
    void start(const std::vector<JobFile> &files) override;
    QList<TagField> fields() const override;
    QString problem() const override;
    JobPlanner planner() const override;
    QString confirmation() const override;
    std::vector<JobRow> extraRows() const override;  // "no file for this line"

    // The text file's lines put in the box; false, with a message and the box as it was, for a
    // file that cannot be read or is not text.
    bool openList(const QString &path);

    QPlainTextEdit *listText = nullptr;
    QPushButton *openButton = nullptr;
    QCheckBox *dropNumbers = nullptr, *dropDurations = nullptr;
    QComboBox *fieldBox = nullptr;
    QLabel *countLabel = nullptr;

private:
    ListOptions options() const;
    QStringList lines() const;
    void showCount();

    std::vector<JobFile> m_files;  // the folder's, in the list's order: line i goes to file i
};
