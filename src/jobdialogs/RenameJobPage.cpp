#include "jobdialogs/RenameJobPage.h"

#include "session/EditSession.h"
#include "tags/jobs/RenameJob.h"
#include "tags/trailer/MdlDefault.h"

#include <QLabel>
#include <QVBoxLayout>

RenameJobPage::RenameJobPage(const MdlDefault &settings, const EditSession &session, QWidget *parent)
    : JobPage(parent), m_settings(settings), m_session(session)
{
    style = new QLabel(this);
    style->setObjectName(QStringLiteral("renameStyle"));
    style->setWordWrap(true);
    auto *layout = new QVBoxLayout(this);
    layout->setContentsMargins(0, 0, 0, 0);
    layout->addWidget(style);
}

void RenameJobPage::start(const std::vector<JobFile> &)
{
    style->setText(m_settings.SupportLFN
                       ? QStringLiteral("Long names from the tags, \"Artist-Title.MP3\", as the settings ask.")
                       : QStringLiteral("8.3 names from the tags, \"ARTITITL.MP3\", as the settings ask."));
}

JobPlanner RenameJobPage::planner() const { return renamePlanner(m_settings.SupportLFN, m_session.codePage()); }
