#include "jobdialogs/JobDialog.h"

#include "browser/TagSaver.h"
#include "jobdialogs/JobRowsModel.h"
#include "tags/jobs/JobApply.h"

#include <algorithm>

#include <QCloseEvent>
#include <QHBoxLayout>
#include <QHeaderView>
#include <QLabel>
#include <QMap>
#include <QProgressBar>
#include <QPushButton>
#include <QTableView>
#include <QTimer>
#include <QVBoxLayout>

#include <sys/stat.h>

namespace {

constexpr int ProgressAfterMs = 1000;
constexpr int ProgressEveryMs = 100;
constexpr int ShownFailures = 5;
constexpr int MeasuredRows = 100;  // in the summary line; the rest would only make it unreadable

QString counted(int n, const char *what) { return QStringLiteral("%1 %2").arg(n).arg(QLatin1String(what)); }

// "does not match (3); title: cannot be stored in the chosen code page (1251) (1)"
QString reasonsOf(const std::vector<JobRow> &rows)
{
    QMap<QString, int> reasons;
    for (const JobRow &row : rows)
        if (row.state == JobState::Skipped)
            ++reasons[row.reason];
    QStringList parts;
    for (auto it = reasons.cbegin(); it != reasons.cend(); ++it)
        parts << QStringLiteral("%1 (%2)").arg(it.key()).arg(it.value());
    return parts.join(QStringLiteral("; "));
}

}  // namespace

JobDialog::JobDialog(JobPage *inputs, JobContext context, QWidget *parent)
    : QDialog(parent), m_inputs(inputs), m_context(std::move(context))
{
    setObjectName(QStringLiteral("JobDialog"));
    setWindowTitle(m_inputs->title());
    // Made a child first: the inputs come first in the tab order, and get the focus.
    m_inputs->setParent(this);
    m_model = new JobRowsModel(*m_inputs, *m_context.page, m_context.genreList, this);
    m_table = new QTableView(this);
    m_table->setObjectName(QStringLiteral("jobPreview"));
    m_table->setModel(m_model);
    m_table->setSelectionBehavior(QAbstractItemView::SelectRows);
    // Only a cell the job lets the user set is editable: F2, typing, or a double click.
    m_table->setEditTriggers(QAbstractItemView::EditKeyPressed | QAbstractItemView::AnyKeyPressed
                             | QAbstractItemView::DoubleClicked);
    m_table->setTabKeyNavigation(false);  // Tab leaves the table for the buttons
    m_table->verticalHeader()->hide();
    m_table->setWordWrap(false);
    // The columns follow the values as they are typed, measured on the first rows only: every
    // cell of a large folder at each key would be slow.
    m_table->horizontalHeader()->setResizeContentsPrecision(MeasuredRows);
    m_table->horizontalHeader()->setStretchLastSection(true);
    m_summary = new QLabel(this);
    m_summary->setObjectName(QStringLiteral("jobSummary"));
    m_summary->setWordWrap(true);
    m_progress = new QProgressBar(this);
    m_progress->hide();
    applyButton = new QPushButton(QStringLiteral("&Apply"), this);
    applyButton->setObjectName(QStringLiteral("jobApply"));
    closeButton = new QPushButton(QStringLiteral("&Close"), this);
    closeButton->setObjectName(QStringLiteral("jobClose"));
    // Enter in a box must not apply by accident: no button is the default.
    for (QPushButton *button : {applyButton, closeButton}) {
        button->setAutoDefault(false);
        button->setDefault(false);
    }

    auto *buttons = new QHBoxLayout;
    buttons->addWidget(m_progress, 1);
    buttons->addStretch();
    buttons->addWidget(applyButton);
    buttons->addWidget(closeButton);
    auto *layout = new QVBoxLayout(this);
    layout->addWidget(m_inputs);
    layout->addWidget(m_table, 1);
    layout->addWidget(m_summary);
    layout->addLayout(buttons);
    resize(880, 600);

    m_progressTimer = new QTimer(this);
    connect(m_progressTimer, &QTimer::timeout, this, &JobDialog::showProgress);
    connect(applyButton, &QPushButton::clicked, this, &JobDialog::apply);
    connect(closeButton, &QPushButton::clicked, this, &JobDialog::reject);
    connect(m_inputs, &JobPage::changed, this, &JobDialog::replan);

    m_held = HeldFile(m_context.heldFile);
    m_files = listJobFiles(m_context.folder, m_listed);
    m_readings = readJobFiles(m_files);
    m_inputs->start(m_files);
    replan();
}

JobDialog::~JobDialog()
{
    // A cell being edited is committed when the window takes its focus away, after this body:
    // the preview must not be planned again from members already gone.
    disconnect(m_inputs, &JobPage::changed, this, &JobDialog::replan);
}

const std::vector<JobRow> &JobDialog::rows() const { return m_model->rows(); }

QByteArray JobDialog::renamedTo(const QByteArray &path) const
{
    if (!m_run)
        return {};
    const auto found = m_run->written().constFind(path);
    return found == m_run->written().constEnd() || found->path == path ? QByteArray() : found->path;
}

bool JobDialog::isHeld(const TagReading &reading) const
{
    return m_held.holds(reading.identity.device, reading.identity.inode);
}

void JobDialog::replan()
{
    const QString problem = m_inputs->problem();
    std::vector<JobRow> rows;
    if (problem.isEmpty()) {
        rows = planFromReadings(m_files, m_readings, m_inputs->planner(), *m_context.page);
        for (JobRow &row : rows)
            if (row.state == JobState::WillChange && isHeld(row.reading))
                row = skippedRow(std::move(row), TagSaver::playingText());
        if (m_context.writeId3v2)
            noteId3v2Writes(rows, *m_context.page);
    }
    m_model->setRows(std::move(rows), m_inputs->fields());
    m_table->resizeColumnsToContents();
    const auto changes = [](const JobRow &row) { return row.state == JobState::WillChange; };
    applyButton->setEnabled(!running() && std::any_of(m_model->rows().begin(), m_model->rows().end(), changes));
    m_summary->setText(summaryText());
}

QString JobDialog::summaryText() const
{
    if (!m_listed)
        return m_listed.description();
    if (const QString problem = m_inputs->problem(); !problem.isEmpty())
        return problem;
    int change = 0, unchanged = 0, skipped = 0;
    for (const JobRow &row : rows())
        ++(row.state == JobState::WillChange ? change : row.state == JobState::Unchanged ? unchanged : skipped);
    QString text = QStringLiteral("%1, %2, %3.").arg(counted(change, "will change"), counted(unchanged, "unchanged"),
                                                     counted(skipped, "skipped"));
    return m_result.isEmpty() ? text : m_result + QStringLiteral("\nNow: ") + text;
}

void JobDialog::apply()
{
    if (running() || !applyButton->isEnabled())
        return;
    JobRunSettings settings{m_inputs->title(), m_context.journalFolder, m_context.keepTimes,
                            m_context.writeId3v2 ? m_context.page : nullptr};
    delete m_run;
    m_run = new JobRun(rows(), settings, this);
    connect(m_run, &JobRun::finished, this, &JobDialog::runEnded);
    m_applying = true;
    m_inputs->setEnabled(false);
    applyButton->setEnabled(false);
    closeButton->setText(QStringLiteral("&Cancel"));
    m_progress->setRange(0, m_run->toDo());
    m_progress->setValue(0);
    QTimer::singleShot(ProgressAfterMs, this, [this] {
        if (running()) {
            m_progress->show();
            m_progressTimer->start(ProgressEveryMs);
        }
    });
    m_run->start();
}

void JobDialog::showProgress()
{
    if (m_run)
        m_progress->setValue(m_run->done());
}

void JobDialog::runEnded()
{
    m_applying = false;
    m_progressTimer->stop();
    m_progress->hide();
    const JobSummary &s = m_run->summary();
    const QString reasons = reasonsOf(rows());
    m_result = QStringLiteral("Written %1, unchanged %2, skipped %3").arg(s.written).arg(s.unchanged).arg(s.skipped);
    if (!reasons.isEmpty())
        m_result += QStringLiteral(": ") + reasons;
    m_result += QLatin1Char('.');
    if (s.failed) {
        const QStringList &failures = m_run->failures();
        QString shown = failures.mid(0, ShownFailures).join(QStringLiteral("; "));
        if (failures.size() > ShownFailures)
            shown += QStringLiteral("; …");
        m_result += QStringLiteral(" Failed %1: %2.").arg(s.failed).arg(shown);
    }
    if (s.stopped)
        m_result += QStringLiteral(" Cancelled: the files written stay written and can be undone.");
    // The preview shows what the files hold now: the readings take what was written, so that no
    // file is opened again; after a rename the folder is listed and read anew, in its new order.
    const QHash<QByteArray, TagSaveResult> &written = m_run->written();
    bool renamed = false;
    for (auto it = written.constBegin(); it != written.constEnd(); ++it)
        renamed = renamed || it->path != it.key();
    if (renamed) {
        m_files = listJobFiles(m_context.folder, m_listed);
        m_readings = readJobFiles(m_files);
        m_inputs->start(m_files);
    } else {
        for (size_t i = 0; i < m_files.size(); ++i)
            if (const auto found = written.constFind(m_files[i].path); found != written.constEnd())
                m_readings[i] = readingAfter(m_readings[i], *found);
    }
    m_inputs->setEnabled(true);
    closeButton->setText(QStringLiteral("&Close"));
    if (s.written > 0)
        m_inputs->applied();
    replan();
    emit applied();
}

void JobDialog::reject()
{
    if (running()) {
        m_run->cancel();
        return;
    }
    QDialog::reject();
}

void JobDialog::closeEvent(QCloseEvent *event)
{
    if (running()) {
        m_run->cancel();
        event->ignore();
        return;
    }
    QDialog::closeEvent(event);
}
