#pragma once
// Album from MusicBrainz: search boxes filled from the folder (the artist and album most files
// share, else its name), the releases found (those with as many tracks as the folder has files
// first), the chosen release's discs, and each file's match: the track (which the user may change,
// or leave the file out), the rule that matched it and the difference in length, marked when it
// is over 10 s. Nothing is asked of the service until the user searches or chooses.

#include "jobdialogs/JobPage.h"
#include "online/MusicBrainzAnswer.h"
#include "tags/jobs/AlbumJob.h"

#include <QUrl>

class CodePage;
class MusicBrainzClient;
class QComboBox;
class QLabel;
class QLineEdit;
class QPushButton;
class QTableWidget;

class AlbumJobPage : public JobPage {
    Q_OBJECT
public:
    // server: the service asked (the settings' or the public one).
    AlbumJobPage(const CodePage &page, const QUrl &server, QWidget *parent = nullptr);

    static QString jobTitle() { return QString::fromLatin1(AlbumJobTitle); }
    QString title() const override { return jobTitle(); }
    void start(const std::vector<JobFile> &files) override;
    void read(const std::vector<TagReading> &readings) override;
    QList<TagField> fields() const override;
    QString problem() const override;
    JobPlanner planner() const override;

    // The row of file index matched to track (an index into the disc's tracks), or left out (-1).
    void matchFile(int index, int track);
    const std::vector<AlbumMatch> &matches() const { return m_matches; }
    bool busy() const;  // a request is under way

    QLineEdit *artistBox = nullptr, *albumBox = nullptr;
    QPushButton *searchButton = nullptr;
    QTableWidget *releaseTable = nullptr, *matchTable = nullptr;
    QComboBox *discBox = nullptr;
    QLabel *statusLabel = nullptr;

public slots:
    void search();
    void chooseRelease(int row);

signals:
    void answered();  // a search or a release has come (or failed)

private:
    void showReleases();
    void showDiscs();
    void matchDisc();
    void showMatches();
    void say(const QString &text);

    const CodePage &m_page;
    MusicBrainzClient *m_client;
    QWidget *m_discRow;
    std::vector<JobFile> m_files;
    std::vector<AlbumFileFacts> m_facts;  // lengths read when the first release comes
    std::vector<TagReading> m_readings;
    std::vector<ReleaseSummary> m_releases;
    std::optional<AlbumRelease> m_release;
    std::vector<AlbumTrack> m_tracks;  // the chosen disc's
    std::vector<AlbumMatch> m_matches;
    bool m_newTracks = false;  // the track boxes are to be made again
    QString m_problem;
};
