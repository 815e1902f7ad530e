#include "jobdialogs/AlbumJobPage.h"

#include "online/MusicBrainzClient.h"

#include <QBrush>
#include <QComboBox>
#include <QFile>
#include <QGridLayout>
#include <QHBoxLayout>
#include <QHeaderView>
#include <QLabel>
#include <QLineEdit>
#include <QPushButton>
#include <QSignalBlocker>
#include <QTableWidget>
#include <QTextDocument>

namespace {

enum ReleaseColumn { ReleaseTitle, ReleaseArtist, ReleaseDate, ReleaseCountry, ReleaseFormat, ReleaseTracks, ReleaseScore };
enum MatchColumn { MatchFile, MatchTrack, MatchRuleColumn, MatchLength };

QTableWidget *table(const QStringList &columns, const QString &name, QWidget *parent)
{
    auto *widget = new QTableWidget(0, int(columns.size()), parent);
    widget->setObjectName(name);
    widget->setHorizontalHeaderLabels(columns);
    widget->setSelectionBehavior(QAbstractItemView::SelectRows);
    widget->setSelectionMode(QAbstractItemView::SingleSelection);
    widget->setEditTriggers(QAbstractItemView::NoEditTriggers);
    widget->setTabKeyNavigation(false);
    widget->verticalHeader()->hide();
    widget->horizontalHeader()->setStretchLastSection(true);
    widget->setWordWrap(false);
    return widget;
}

// The whole text in the tooltip, as plain text: titles come from the service, and a tooltip that
// looks like markup would be shown as such.
QTableWidgetItem *cell(const QString &text)
{
    auto *item = new QTableWidgetItem(text);
    item->setToolTip(text.isEmpty() ? QString() : Qt::convertFromPlainText(text, Qt::WhiteSpaceNormal));
    return item;
}

}  // namespace

AlbumJobPage::AlbumJobPage(const CodePage &page, const QUrl &server, QWidget *parent)
    : JobPage(parent), m_page(page)
{
    MusicBrainzOptions options;
    options.server = server;
    m_client = new MusicBrainzClient(options, this);

    artistBox = new QLineEdit(this);
    artistBox->setObjectName(QStringLiteral("albumArtist"));
    albumBox = new QLineEdit(this);
    albumBox->setObjectName(QStringLiteral("albumTitle"));
    auto *artistLabel = new QLabel(QStringLiteral("A&rtist:"), this);
    artistLabel->setBuddy(artistBox);
    auto *albumLabel = new QLabel(QStringLiteral("Al&bum:"), this);
    albumLabel->setBuddy(albumBox);
    searchButton = new QPushButton(QStringLiteral("&Search"), this);
    searchButton->setObjectName(QStringLiteral("albumSearch"));
    searchButton->setAutoDefault(false);
    releaseTable = table({QStringLiteral("Title"), QStringLiteral("Artist"), QStringLiteral("Date"), QStringLiteral("Country"),
                          QStringLiteral("Format"), QStringLiteral("Tracks"), QStringLiteral("Score")},
                         QStringLiteral("albumReleases"), this);
    releaseTable->setAccessibleName(QStringLiteral("Releases found"));
    // Shown for a release of several discs only.
    m_discRow = new QWidget(this);
    discBox = new QComboBox(m_discRow);
    discBox->setObjectName(QStringLiteral("albumDisc"));
    auto *discLabel = new QLabel(QStringLiteral("&Disc:"), m_discRow);
    discLabel->setBuddy(discBox);
    matchTable = table({QStringLiteral("File"), QStringLiteral("Track"), QStringLiteral("Matched by"),
                        QStringLiteral("Length")},
                       QStringLiteral("albumMatches"), this);
    matchTable->setAccessibleName(QStringLiteral("Files and their tracks"));
    statusLabel = new QLabel(this);
    statusLabel->setObjectName(QStringLiteral("albumStatus"));
    statusLabel->setWordWrap(true);
    statusLabel->setTextFormat(Qt::PlainText);  // messages quote the service's titles

    auto *grid = new QGridLayout(this);
    grid->setContentsMargins(0, 0, 0, 0);
    grid->addWidget(artistLabel, 0, 0);
    grid->addWidget(artistBox, 0, 1);
    grid->addWidget(albumLabel, 0, 2);
    grid->addWidget(albumBox, 0, 3);
    grid->addWidget(searchButton, 0, 4);
    grid->addWidget(releaseTable, 1, 0, 1, 5);
    auto *discRow = new QHBoxLayout(m_discRow);
    discRow->setContentsMargins(0, 0, 0, 0);
    discRow->addWidget(discLabel);
    discRow->addWidget(discBox, 1);
    grid->addWidget(m_discRow, 2, 0, 1, 5);
    grid->addWidget(matchTable, 3, 0, 1, 5);
    grid->addWidget(statusLabel, 4, 0, 1, 5);
    grid->setColumnStretch(1, 1);
    grid->setColumnStretch(3, 1);
    m_discRow->hide();

    connect(searchButton, &QPushButton::clicked, this, &AlbumJobPage::search);
    connect(artistBox, &QLineEdit::returnPressed, this, &AlbumJobPage::search);
    connect(albumBox, &QLineEdit::returnPressed, this, &AlbumJobPage::search);
    connect(releaseTable, &QTableWidget::cellActivated, this, &AlbumJobPage::chooseRelease);
    connect(releaseTable, &QTableWidget::cellClicked, this, &AlbumJobPage::chooseRelease);
    connect(discBox, &QComboBox::activated, this, [this] {
        matchDisc();
        emit changed();
    });
}

void AlbumJobPage::start(const std::vector<JobFile> &files)
{
    m_files = files;
    m_facts.clear();
    m_readings.clear();
    if (m_release)
        m_newTracks = true;  // the rows are the new list's
}

// The search boxes are filled once, from the first readings: after a run they keep what was typed.
void AlbumJobPage::read(const std::vector<TagReading> &readings)
{
    const bool first = m_readings.empty();
    m_readings = readings;
    if (!first)
        return;
    QByteArray folder = m_files.empty() ? QByteArray() : m_files.front().folder;
    while (folder.endsWith('/') && folder.size() > 1)
        folder.chop(1);
    const AlbumSearch guess = albumSearchFor(m_files, m_readings, m_page, QFile::decodeName(folder.mid(folder.lastIndexOf('/') + 1)));
    artistBox->setText(guess.artist);
    albumBox->setText(guess.album);
    if (m_release)
        matchDisc();
}

QList<TagField> AlbumJobPage::fields() const
{
    return {TagField::Title, TagField::Artist, TagField::Album, TagField::Year, TagField::Track};
}

QString AlbumJobPage::problem() const
{
    if (m_files.empty())
        return QStringLiteral("There are no MP3 files in this folder.");
    if (!m_release)
        return m_problem.isEmpty() ? QStringLiteral("Search, then choose a release.") : m_problem;
    return {};
}

JobPlanner AlbumJobPage::planner() const
{
    if (!m_release)
        return [](const JobFile &, const TagReading &, FieldEdits &, QString &reason) {
            reason = QStringLiteral("no release chosen");
            return false;
        };
    return albumPlanner(*m_release, m_tracks, m_files, m_matches);
}

bool AlbumJobPage::busy() const { return m_client->busy(); }

void AlbumJobPage::say(const QString &text)
{
    statusLabel->setText(text);
}

void AlbumJobPage::search()
{
    if (busy())
        return;
    say(QStringLiteral("Searching…"));
    searchButton->setEnabled(false);
    m_client->searchReleases(artistBox->text(), albumBox->text(),
                             [this](std::optional<std::vector<ReleaseSummary>> releases, const QString &problem) {
                                 searchButton->setEnabled(true);
                                 m_releases = releases ? std::move(*releases) : std::vector<ReleaseSummary>();
                                 sortReleasesFor(m_releases, m_files.size());
                                 showReleases();
                                 say(releases ? QStringLiteral("%1 releases found. Choose one to see its tracks.").arg(m_releases.size())
                                              : problem);
                                 emit answered();
                             });
}

void AlbumJobPage::showReleases()
{
    releaseTable->setRowCount(int(m_releases.size()));
    for (int row = 0; row < int(m_releases.size()); ++row) {
        const ReleaseSummary &release = m_releases[size_t(row)];
        releaseTable->setItem(row, ReleaseTitle, cell(release.title));
        releaseTable->setItem(row, ReleaseArtist, cell(release.artist));
        releaseTable->setItem(row, ReleaseDate, cell(release.date));
        releaseTable->setItem(row, ReleaseCountry, cell(release.country));
        releaseTable->setItem(row, ReleaseFormat, cell(release.format));
        releaseTable->setItem(row, ReleaseTracks, cell(QString::number(release.trackCount)));
        releaseTable->setItem(row, ReleaseScore, cell(QString::number(release.score)));
    }
    releaseTable->resizeColumnsToContents();
}

void AlbumJobPage::chooseRelease(int row)
{
    if (row < 0 || row >= int(m_releases.size()))
        return;
    if (busy()) {
        say(QStringLiteral("Wait for the server's answer, then choose again."));
        return;
    }
    const ReleaseSummary &chosen = m_releases[size_t(row)];
    if (m_release && m_release->id == chosen.id)
        return;
    say(QStringLiteral("Asking for \"%1\"…").arg(chosen.title));
    m_client->fetchRelease(chosen.id, [this](std::optional<AlbumRelease> release, const QString &problem) {
        m_release = std::move(release);
        m_problem = problem;
        if (m_release) {
            if (m_facts.empty())
                m_facts = albumFactsOf(m_files, m_readings, m_page);
            showDiscs();
            matchDisc();
            say(QStringLiteral("\"%1\" by %2: check each file's track below, then Apply.").arg(m_release->title, m_release->artist));
        } else {
            m_tracks.clear();
            m_matches.clear();
            m_newTracks = true;
            showMatches();
            say(problem);
        }
        emit changed();
        emit answered();
    });
}

void AlbumJobPage::showDiscs()
{
    discBox->clear();
    const bool several = m_release->discs.size() > 1;
    m_discRow->setVisible(several);
    if (!several)
        return;
    discBox->addItem(QStringLiteral("All discs (%1 tracks)").arg(m_release->tracks.size()), 0);
    for (const AlbumDisc &disc : m_release->discs)
        discBox->addItem(QStringLiteral("Disc %1%2 (%3 tracks)")
                             .arg(disc.position)
                             .arg(disc.format.isEmpty() ? QString() : QStringLiteral(": ") + disc.format)
                             .arg(disc.trackCount),
                         disc.position);
    discBox->setCurrentIndex(discBox->findData(albumDiscFor(*m_release, m_files.size())));
}

void AlbumJobPage::matchDisc()
{
    m_tracks = m_release->tracksOf(discBox->count() > 0 ? discBox->currentData().toInt() : 0);
    m_newTracks = true;
    if (m_facts.size() != m_files.size())
        m_facts = albumFactsOf(m_files, m_readings, m_page);
    m_matches = matchAlbum(m_facts, m_tracks);
    showMatches();
}

void AlbumJobPage::matchFile(int index, int track)
{
    if (index < 0 || index >= int(m_matches.size()) || track >= int(m_tracks.size()))
        return;
    if (track < 0) {
        m_matches[size_t(index)] = {-1, MatchRule::LeftOut};
    } else {
        for (AlbumMatch &other : m_matches) {
            if (other.track == track)
                other = {-1, MatchRule::None};  // a track goes to one file
        }
        m_matches[size_t(index)] = {track, MatchRule::Chosen};
    }
    showMatches();
    emit changed();
}

// The track boxes are made anew only for new tracks: a box is not deleted while its own choice is
// being handled, and a choice keeps the others' focus and open state.
void AlbumJobPage::showMatches()
{
    if (m_newTracks || matchTable->rowCount() != int(m_matches.size())) {
        m_newTracks = false;
        matchTable->setRowCount(int(m_matches.size()));
        for (int row = 0; row < int(m_matches.size()); ++row) {
            matchTable->setItem(row, MatchFile, cell(m_files[size_t(row)].display));
            auto *tracks = new QComboBox;
            tracks->addItem(QStringLiteral("(leave out)"), -1);
            for (int t = 0; t < int(m_tracks.size()); ++t)
                tracks->addItem(albumTrackLabel(m_tracks[size_t(t)]), t);
            tracks->setAccessibleName(QStringLiteral("Track of %1").arg(m_files[size_t(row)].display));
            connect(tracks, &QComboBox::activated, this, [this, row, tracks] { matchFile(row, tracks->currentData().toInt()); });
            matchTable->setCellWidget(row, MatchTrack, tracks);
        }
    }
    for (int row = 0; row < int(m_matches.size()); ++row) {
        const AlbumMatch &match = m_matches[size_t(row)];
        auto *tracks = static_cast<QComboBox *>(matchTable->cellWidget(row, MatchTrack));
        const QSignalBlocker quiet(tracks);
        tracks->setCurrentIndex(tracks->findData(match.track));
        matchTable->setItem(row, MatchRuleColumn, cell(QLatin1String(matchRuleName(match.rule))));
        QTableWidgetItem *length = cell({});
        if (match.track >= 0) {
            if (const std::optional<qint64> difference = lengthDifferenceMs(m_facts[size_t(row)], m_tracks[size_t(match.track)])) {
                length->setText(lengthDifferenceText(*difference));
                if (std::abs(*difference) > AlbumLengthWarningMs) {
                    length->setText(length->text() + QStringLiteral(" ⚠"));
                    length->setForeground(QBrush(Qt::red));
                    length->setToolTip(QStringLiteral("Over 10 s apart: is this the right track?"));
                }
            }
        }
        matchTable->setItem(row, MatchLength, length);
    }
    matchTable->resizeColumnsToContents();
}
