#pragma once
// Rename Every File: each file takes a name from its tags, in one of three styles: the name the
// panel's New Filename proposes, long or 8.3 (the settings' choice comes first), or a pattern of
// the codes of Tags from File Names, the last five applied offered again. Typing a pattern
// chooses it. Names taken or unusable are skipped by the preview.

#include "jobdialogs/JobPage.h"
#include "jobdialogs/RecentPatternBox.h"
#include "tags/jobs/RenameJob.h"

class EditSession;
class QComboBox;
struct MdlDefault;

class RenameJobPage : public JobPage {
    Q_OBJECT
public:
    enum Style { LongNames, ShortNames, ByPattern };

    // settings and session: the window's, read at each plan (the code page); application: the
    // settings file that keeps the recent patterns.
    RenameJobPage(const MdlDefault &settings, const EditSession &session, const QString &application,
                  QWidget *parent = nullptr);

    static QString jobTitle() { return QString::fromLatin1(RenameJobTitle); }
    QString title() const override { return jobTitle(); }
    void start(const std::vector<JobFile> &files) override;
    void read(const std::vector<TagReading> &readings) override;
    QList<TagField> fields() const override { return {TagField::Name}; }
    QString problem() const override;
    JobPlanner planner() const override;
    void applied() override;

    QComboBox *style = nullptr;
    RecentPatternBox *patternBox = nullptr;

private:
    const EditSession &m_session;
    int m_digits = 2;  // of %n, for the folder's highest track number
};
