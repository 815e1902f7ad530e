#pragma once
// Rename Every File: each file takes the name the panel's New Filename proposes from its tags,
// long or 8.3 as the settings say. Names taken or unusable are skipped by the preview.

#include "jobdialogs/JobPage.h"
#include "tags/jobs/RenameJob.h"

class EditSession;
class QLabel;
struct MdlDefault;

class RenameJobPage : public JobPage {
    Q_OBJECT
public:
    // settings and session: the window's, read at each plan (the name style, the code page).
    RenameJobPage(const MdlDefault &settings, const EditSession &session, QWidget *parent = nullptr);

    static QString jobTitle() { return QString::fromLatin1(RenameJobTitle); }
    QString title() const override { return jobTitle(); }
    void start(const std::vector<JobFile> &files) override;
    QList<TagField> fields() const override { return {TagField::Name}; }
    JobPlanner planner() const override;

    QLabel *style = nullptr;

private:
    const MdlDefault &m_settings;
    const EditSession &m_session;
};
