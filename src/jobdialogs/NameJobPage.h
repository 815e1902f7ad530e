#pragma once
// Tags from File Names: the pattern (guessed from the folder's names when the dialog opens,
// editable, the last five applied offered again), how many names it matches, "_ as space".

#include "jobdialogs/JobPage.h"
#include "jobdialogs/RecentPatternBox.h"
#include "tags/jobs/NameJob.h"
#include "tags/jobs/NamePattern.h"

#include <QStringList>

class QCheckBox;
class QLabel;

class NameJobPage : public JobPage {
    Q_OBJECT
public:
    // application: the settings file that keeps the recent patterns.
    NameJobPage(const QString &application, QWidget *parent = nullptr);

    static QString jobTitle() { return QString::fromLatin1(NameJobTitle); }
    QString title() const override { return jobTitle(); }
    void start(const std::vector<JobFile> &files) override;
    QList<TagField> fields() const override;
    QString problem() const override;
    JobPlanner planner() const override;
    void applied() override;

    RecentPatternBox *patternBox = nullptr;
    QCheckBox *underscores = nullptr;
    QLabel *matchCount = nullptr;

private:
    NamePattern pattern() const;
    void countMatches();

    QStringList m_names;
};
