#include "jobdialogs/JobDialog.h"

#include "browser/TagSaver.h"
#include "jobdialogs/JobRowsModel.h"
#include "tags/jobs/JobApply.h"

#include <algorithm>
#include <utility>

#include <QCloseEvent>
#include <QHBoxLayout>
#include <QHeaderView>
#include <QLabel>
#include <QKeySequence>
#include <QLocale>
#include <QMessageBox>
#include <QRegularExpression>
#include <QShortcut>
#include <QProgressBar>
#include <QScrollBar>
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

constexpr int ShownReasons = 4;    // the most frequent; the State column has every one
constexpr int MinimumRows = 10;    // the preview never shrinks below them
constexpr int StateColumnChars = 48;  // a longer reason is cut with "…", whole in its tooltip

QString number(int n) { return QLocale(QLocale::English).toString(n); }

QString counted(int n, const char *what) { return QStringLiteral("%1 %2").arg(number(n), QLatin1String(what)); }

// A reason without what differs from file to file (the names in its quotes; a quoted character
// such as "/" stays), so that files skipped for one cause count together.
QString reasonGroup(const QString &reason)
{
    static const QRegularExpression quoted(QStringLiteral("\"[^\"]{4,}\""));
    QString group = reason;
    group.replace(quoted, QStringLiteral("\"…\""));
    while (group.endsWith(u'.'))
        group.chop(1);
    return group;
}

// "4,745 track number above 255" for each cause, the most frequent first; one cause alone
// without its count (the count is the skipped files').
QString skippedReasons(const std::vector<JobRow> &rows, const JobPage &inputs)
{
    QHash<QString, int> byReason, counts;  // each reason grouped once, however many files share it
    for (const JobRow &row : rows)
        if (row.state == JobState::Skipped)
            ++byReason[row.reason];
    for (auto it = byReason.cbegin(); it != byReason.cend(); ++it)
        counts[inputs.shownReason(reasonGroup(it.key()))] += it.value();
    if (counts.size() == 1)
        return counts.cbegin().key();
    std::vector<std::pair<int, QString>> groups;
    for (auto it = counts.cbegin(); it != counts.cend(); ++it)
        groups.emplace_back(-it.value(), it.key());
    std::sort(groups.begin(), groups.end());  // the most frequent first, then by text
    QStringList parts;
    for (size_t i = 0; i < groups.size() && i < ShownReasons; ++i)
        parts << QStringLiteral("%1 %2").arg(number(-groups[i].first), groups[i].second);
    if (groups.size() > ShownReasons)
        parts << QStringLiteral("%1 other reasons").arg(groups.size() - ShownReasons);
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
    m_table->setTextElideMode(Qt::ElideRight);
    const int rowHeight = m_table->verticalHeader()->defaultSectionSize();
    m_table->setMinimumHeight(m_table->horizontalHeader()->sizeHint().height() + MinimumRows * rowHeight
                              + 2 * m_table->frameWidth() + m_table->horizontalScrollBar()->sizeHint().height());
    m_summary = new QLabel(this);
    m_summary->setObjectName(QStringLiteral("jobSummary"));
    m_summary->setWordWrap(true);
    m_progress = new QProgressBar(this);
    m_progress->hide();
    applyButton = new QPushButton(QStringLiteral("&Apply"), this);
    applyButton->setObjectName(QStringLiteral("jobApply"));
    applyButton->setToolTip(QStringLiteral("Write the preview's changes and keep the dialog open"));
    okButton = new QPushButton(QStringLiteral("O&K"), this);
    okButton->setObjectName(QStringLiteral("jobOk"));
    okButton->setToolTip(QStringLiteral("Write the preview's changes and close (Ctrl+Enter); the summary stays in "
                                        "the main window"));
    closeButton = new QPushButton(QStringLiteral("&Close"), this);
    closeButton->setObjectName(QStringLiteral("jobClose"));
    closeButton->setToolTip(QStringLiteral("Close without writing anything more (Escape)"));
    // Enter in a box must not apply by accident: no button is the default; Ctrl+Enter is asked.
    for (const QKeySequence &keys : {QKeySequence(Qt::CTRL | Qt::Key_Return), QKeySequence(Qt::CTRL | Qt::Key_Enter)})
        connect(new QShortcut(keys, this), &QShortcut::activated, this, &JobDialog::applyAndClose);
    for (QPushButton *button : {applyButton, okButton, closeButton}) {
        button->setAutoDefault(false);
        button->setDefault(false);
    }

    auto *buttons = new QHBoxLayout;
    buttons->addWidget(m_progress, 1);
    buttons->addStretch();
    buttons->addWidget(okButton);
    buttons->addWidget(applyButton);
    buttons->addWidget(closeButton);
    auto *layout = new QVBoxLayout(this);
    layout->addWidget(m_inputs);
    auto *previewLabel = new QLabel(QStringLiteral("Pre&view:"), this);
    previewLabel->setBuddy(m_table);
    layout->addWidget(previewLabel);
    layout->addWidget(m_table, 1);
    layout->addWidget(m_summary);
    layout->addLayout(buttons);
    resize(880, 600);

    m_progressTimer = new QTimer(this);
    connect(m_progressTimer, &QTimer::timeout, this, &JobDialog::showProgress);
    connect(applyButton, &QPushButton::clicked, this, &JobDialog::apply);
    connect(okButton, &QPushButton::clicked, this, &JobDialog::applyAndClose);
    connect(closeButton, &QPushButton::clicked, this, &JobDialog::reject);
    connect(m_inputs, &JobPage::changed, this, &JobDialog::replan);

    m_held = HeldFile(m_context.heldFile);
    m_files = listJobFiles(m_context.folder, m_listed);
    m_readings = readJobFiles(m_files);
    m_inputs->start(m_files);
    m_inputs->read(m_readings);
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
    if (!rows.empty())
        for (JobRow &extra : m_inputs->extraRows())
            rows.push_back(std::move(extra));
    m_model->setRows(std::move(rows), m_inputs->fields());
    // The last column (the file's name) takes the rest of the width.
    for (int column = 0; column + 1 < m_model->columnCount(); ++column)
        m_table->resizeColumnToContents(column);
    const int stateWidth = m_table->fontMetrics().averageCharWidth() * StateColumnChars;
    if (m_table->columnWidth(m_model->stateColumn()) > stateWidth)
        m_table->setColumnWidth(m_model->stateColumn(), stateWidth);
    const auto changes = [](const JobRow &row) { return row.state == JobState::WillChange; };
    const bool canApply = !running() && m_inputs->applyProblem().isEmpty()
        && std::any_of(m_model->rows().begin(), m_model->rows().end(), changes);
    applyButton->setEnabled(canApply);
    okButton->setEnabled(canApply);
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
    QString text = QStringLiteral("%1, %2, %3").arg(counted(change, "will change"), counted(unchanged, "unchanged"),
                                                    counted(skipped, "skipped"));
    if (skipped)
        text += QStringLiteral(": ") + skippedReasons(rows(), *m_inputs);
    text += u'.';
    if (const QString waits = m_inputs->applyProblem(); !waits.isEmpty())
        text = waits + u' ' + text;
    return m_result.isEmpty() ? text : m_result + QStringLiteral("\nNow: ") + text;
}

void JobDialog::applyAndClose()
{
    if (running())
        return;
    if (!applyButton->isEnabled()) {  // nothing to write: the key still closes
        if (m_inputs->problem().isEmpty() && m_inputs->applyProblem().isEmpty())
            accept();
        return;
    }
    m_closeAfterRun = true;
    apply();
    m_closeAfterRun = running();  // a question answered No leaves the dialog open
}

void JobDialog::apply()
{
    if (running() || !applyButton->isEnabled())
        return;
    if (const QString question = m_inputs->confirmation(); !question.isEmpty()
        && QMessageBox::question(this, m_inputs->title(), question) != QMessageBox::Yes)
        return;
    JobRunSettings settings{m_inputs->title(), m_context.journalFolder, m_context.keepTimes,
                            m_context.writeId3v2 ? m_context.page : nullptr};
    delete m_run;
    m_run = new JobRun(rows(), settings, this);
    connect(m_run, &JobRun::finished, this, &JobDialog::runEnded);
    m_applying = true;
    m_inputs->setEnabled(false);
    applyButton->setEnabled(false);
    okButton->setEnabled(false);
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
    m_result = QStringLiteral("Written %1, unchanged %2, skipped %3").arg(number(s.written), number(s.unchanged),
                                                                             number(s.skipped));
    if (s.skipped)
        m_result += QStringLiteral(": ") + skippedReasons(rows(), *m_inputs);
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
    m_inputs->read(m_readings);
    m_inputs->setEnabled(true);
    closeButton->setText(QStringLiteral("&Close"));
    if (s.written > 0)
        m_inputs->applied();
    replan();
    emit applied();
    if (std::exchange(m_closeAfterRun, false))
        accept();
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
