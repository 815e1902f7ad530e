// Tags > "Album from MusicBrainz…" in the real window against a loopback server serving recorded
// answers: an album of numbered files and one named by titles written right and taken back by one
// undo; a row matched by hand or left out, a length far off marked; a release of two discs; the
// service's faults said in the dialog with nothing written.

#include "support/AlbumServer.h"
#include "support/EditorTestHelpers.h"

#include "app/FrmMain.h"
#include "app/JobEntries.h"
#include "app/SaveUndo.h"
#include "jobdialogs/AlbumJobPage.h"
#include "jobdialogs/JobDialog.h"
#include "tags/settings/SettingsKeys.h"
#include "tags/settings/SettingsStore.h"

#include <QAction>
#include <QComboBox>
#include <QLabel>
#include <QLineEdit>
#include <QPushButton>
#include <QTableView>
#include <QTableWidget>
#include <QtTest>

using namespace EditorTest;

class TestAlbumWindow : public FolderTestCase {
    Q_OBJECT

    std::optional<AlbumServer> m_server;
    std::optional<StateHome> m_state;

    void serve(const QByteArray &search, const QList<AlbumServer::Answer> &release)
    {
        m_server->answer("/ws/2/release", {{200, search}});
        m_server->answer(AlbumFiles::vinylId.toLatin1(), release);
    }

    // The dialog opened from the Tags menu's entry.
    AlbumJobPage *openDialog(Window &w)
    {
        if (!w.openFolder(m_folder))
            return nullptr;
        w->jobs().albumFromMusicBrainz->trigger();
        JobDialog *dialog = w->jobs().dialog();
        return dialog ? &static_cast<AlbumJobPage &>(dialog->inputs()) : nullptr;
    }

    static bool answered(AlbumJobPage &page, const std::function<void()> &ask)
    {
        QSignalSpy answer(&page, &AlbumJobPage::answered);
        ask();
        return answer.wait(20000);
    }

    // The preview's text (or tooltip) of a file's field column.
    static QString previewCell(JobDialog &dialog, int row, const QString &column, int role = Qt::DisplayRole)
    {
        const QAbstractItemModel *model = dialog.findChild<QTableView *>(QStringLiteral("jobPreview"))->model();
        for (int c = 0; c < model->columnCount(); ++c) {
            if (model->headerData(c, Qt::Horizontal).toString() == column)
                return model->index(row, c).data(role).toString();
        }
        return QStringLiteral("<no column %1>").arg(column);
    }

private slots:
    void init()
    {
        FolderTestCase::init();
        m_state.emplace();
        m_server.emplace();
        QVERIFY(SettingsStore::write(SettingsKeys::application, SettingsKeys::musicBrainzServer.section,
                                     SettingsKeys::musicBrainzServer.key, m_server->url().toString()));
    }

    void cleanup()
    {
        m_server.reset();
        m_state.reset();
    }

    void writesTheAlbumAndOneUndoTakesItBack_data()
    {
        QTest::addColumn<bool>("numbered");
        QTest::addColumn<QString>("rule");
        QTest::newRow("01.mp3 to 10.mp3") << true << "length";
        QTest::newRow("named by titles") << false << "title";
    }

    void writesTheAlbumAndOneUndoTakesItBack()
    {
        QFETCH(bool, numbered);
        QFETCH(QString, rule);
        QVERIFY(numbered ? AlbumFiles::writeNumberedAlbum(m_folder) : AlbumFiles::writeTitledAlbum(m_folder));
        const auto before = snapshot();
        serve(AlbumFiles::recorded("search.json"), {{200, AlbumFiles::recorded("release-vinyl.json")}});
        Window w;
        AlbumJobPage *page = openDialog(w);
        QVERIFY(page);
        JobDialog &dialog = *w->jobs().dialog();
        QVERIFY(!dialog.applyButton->isEnabled());
        QVERIFY(m_server->requests.isEmpty());  // nothing is asked before the user asks

        page->artistBox->setText(QStringLiteral("The Quiet Harbour"));
        page->albumBox->setText(QStringLiteral("Blue Lanterns"));
        QVERIFY(answered(*page, [page] { QTest::mouseClick(page->searchButton, Qt::LeftButton); }));
        QCOMPARE(page->releaseTable->rowCount(), 4);
        QCOMPARE(page->releaseTable->item(0, 5)->text(), QStringLiteral("10"));  // fitting releases first
        QCOMPARE(page->releaseTable->item(0, 6)->text(), QStringLiteral("95"));
        QVERIFY(answered(*page, [page] { page->chooseRelease(0); }));
        QCOMPARE(m_server->requests.size(), 2);
        QCOMPARE(m_server->requests[1].userAgent, QByteArray("Velmora/1.0 ( https://velmora.org/ )"));

        const QStringList titles = AlbumFiles::vinylTitles();
        QCOMPARE(page->matchTable->rowCount(), 10);
        for (int row = 0; row < 10; ++row) {
            QCOMPARE(page->matchTable->item(row, 2)->text(), rule);
            QVERIFY(!page->matchTable->item(row, 3)->text().contains(QStringLiteral("⚠")));
            const auto *track = static_cast<QComboBox *>(page->matchTable->cellWidget(row, 1));
            // The files named by titles are listed alphabetically, not in the tracks' order.
            const QString name = dialog.rows()[size_t(row)].file.display;
            QVERIFY2(track->currentText().contains(name.chopped(4).left(30)) || numbered, qPrintable(track->currentText()));
        }
        const int lantern = numbered ? 7 : 0;  // "A Lantern for..." sorts first
        QCOMPARE(previewCell(dialog, lantern, QStringLiteral("Title")),
                 QStringLiteral(" → A Lantern for the Drowned Sail (cut)"));
        const QString tooltip = previewCell(dialog, lantern, QStringLiteral("Title"), Qt::ToolTipRole);
        QVERIFY2(tooltip.contains(QStringLiteral("cut to fit; the whole value: A Lantern for the Drowned Sailors of Morrow Bay")),
                 qPrintable(tooltip));

        QVERIFY(dialog.applyButton->isEnabled());
        QSignalSpy applied(&dialog, &JobDialog::applied);
        dialog.apply();
        QVERIFY(applied.wait());
        for (int track = 1; track <= 10; ++track) {
            const QByteArray name = numbered ? QByteArray::number(track).rightJustified(2, '0') + ".mp3"
                                             : titles[track - 1].toUtf8() + ".mp3";
            const TagReading reading = readTagFile(file(name));
            QCOMPARE(reading.fields.title, titles[track - 1].toUtf8().left(30));
            QCOMPARE(reading.fields.album, QByteArray("Blue Lanterns"));
            QCOMPARE(reading.track(), track);
        }
        dialog.close();

        QVERIFY(w->saveUndo().mnuUndoSave->text().contains(QStringLiteral("Album from MusicBrainz (10 files)")));
        w->saveUndo().mnuUndoSave->trigger();
        QTRY_VERIFY(!w->saveUndo().undoing());
        QCOMPARE(snapshot(), before);
    }

    void rowsAreMatchedByHandOrLeftOut()
    {
        QVERIFY(AlbumFiles::writeNumberedAlbum(m_folder));
        serve(AlbumFiles::recorded("search.json"), {{200, AlbumFiles::recorded("release-vinyl.json")}});
        Window w;
        AlbumJobPage *page = openDialog(w);
        QVERIFY(page);
        JobDialog &dialog = *w->jobs().dialog();
        QVERIFY(answered(*page, [page] { page->search(); }));
        QVERIFY(answered(*page, [page] { page->chooseRelease(0); }));

        page->matchFile(0, 9);   // the 3 s file to the 30 s track
        auto *third = static_cast<QComboBox *>(page->matchTable->cellWidget(2, 1));
        third->setCurrentIndex(0);  // "(leave out)", as the user picks it
        emit third->activated(0);
        QCOMPARE(page->matchTable->item(0, 2)->text(), QStringLiteral("chosen"));
        QCOMPARE(page->matchTable->item(0, 3)->text(), QStringLiteral("27.0 s shorter ⚠"));
        QCOMPARE(page->matchTable->item(9, 2)->text(), QStringLiteral("no track"));  // its track went to the first
        QCOMPARE(previewCell(dialog, 0, QStringLiteral("Title")), QStringLiteral(" → Last Ferry Home"));
        QCOMPARE(dialog.rows()[2].reason, QStringLiteral("left out"));
        QCOMPARE(dialog.rows()[2].state, JobState::Skipped);
        QCOMPARE(dialog.rows()[9].state, JobState::Skipped);
        QCOMPARE(dialog.rows()[1].state, JobState::WillChange);
    }

    void aReleaseOfTwoDiscsOffersThem()
    {
        for (const char *name : {"1.mp3", "2.mp3", "3.mp3"})
            QVERIFY(writeFile(file(name), AlbumFiles::mpegAudio(1000)));
        m_server->answer("/ws/2/release", AlbumFiles::recorded("search.json"));
        m_server->answer("2d2d2d2d-0000-4000-8000-000000000002", AlbumFiles::recorded("release-two-discs.json"));
        Window w;
        AlbumJobPage *page = openDialog(w);
        QVERIFY(page);
        QVERIFY(answered(*page, [page] { page->search(); }));
        QCOMPARE(page->releaseTable->item(3, 0)->text(), QStringLiteral("Tides: Live"));
        QVERIFY(answered(*page, [page] { page->chooseRelease(3); }));
        QVERIFY(page->discBox->isVisibleTo(page));
        QCOMPARE(page->discBox->currentText(), QStringLiteral("Disc 1: CD (3 tracks)"));  // as many tracks as files
        page->discBox->setCurrentIndex(2);
        emit page->discBox->activated(2);
        const auto *first = static_cast<QComboBox *>(page->matchTable->cellWidget(0, 1));
        QCOMPARE(first->currentText(), QStringLiteral("1 Salt and Iron (live) (3:20)"));
        QCOMPARE(w->jobs().dialog()->rows()[0].trackAfter, 1);
    }

    void closingWhileAskingLeavesNothingBehind()
    {
        QVERIFY(AlbumFiles::writeNumberedAlbum(m_folder));
        m_server->answer("/ws/2/release", {{200, {}, true}});  // never answers
        Window w;
        AlbumJobPage *page = openDialog(w);
        QVERIFY(page);
        page->search();
        QTRY_COMPARE(m_server->requests.size(), 1);
        QVERIFY(page->busy());
        QPointer<JobDialog> dialog = w->jobs().dialog();
        dialog->close();
        QTRY_VERIFY(!dialog);  // deleted with its request, and no answer arrives for it later
        QTest::qWait(200);
    }

    void faultsAreSaidAndNothingIsWritten_data()
    {
        QTest::addColumn<QList<AlbumServer::Answer>>("search");
        QTest::addColumn<QList<AlbumServer::Answer>>("release");
        QTest::addColumn<QString>("message");
        const QList<AlbumServer::Answer> search{{200, AlbumFiles::recorded("search.json")}};
        QTest::newRow("busy") << QList<AlbumServer::Answer>{{503, {}}} << search << "is busy: it asked to slow down (503)";
        QTest::newRow("malformed release") << search << QList<AlbumServer::Answer>{{200, "[1, 2]"}}
                                           << "is not a release as MusicBrainz gives one (not a JSON object)";
    }

    void faultsAreSaidAndNothingIsWritten()
    {
        QFETCH(QList<AlbumServer::Answer>, search);
        QFETCH(QList<AlbumServer::Answer>, release);
        QFETCH(QString, message);
        QVERIFY(AlbumFiles::writeNumberedAlbum(m_folder));
        const auto before = snapshot();
        m_server->answer("/ws/2/release", search);
        m_server->answer(AlbumFiles::vinylId.toLatin1(), release);
        Window w;
        AlbumJobPage *page = openDialog(w);
        QVERIFY(page);
        JobDialog &dialog = *w->jobs().dialog();
        QVERIFY(answered(*page, [page] { page->search(); }));
        if (page->releaseTable->rowCount() > 0)
            QVERIFY(answered(*page, [page] { page->chooseRelease(0); }));
        QVERIFY2(page->statusLabel->text().contains(message), qPrintable(page->statusLabel->text()));
        QVERIFY(!dialog.applyButton->isEnabled());
        dialog.apply();
        QCOMPARE(snapshot(), before);
    }
};

QTEST_MAIN(TestAlbumWindow)
#include "tst_albumwindow.moc"
