// The settings dialog as a real offscreen window: the options drive the program-wide flag live,
// Cancel restores it, Ok and the frame keep it, and the remove button empties the store.

#include "app/FrmSettings.h"
#include "tags/text/Message.h"
#include "tags/settings/SettingsStore.h"

#include "support/SettingsTestCase.h"

#include <QDir>
#include <QFile>
#include <QFileInfo>
#include <QGroupBox>
#include <QPushButton>
#include <QRadioButton>
#include <QTemporaryDir>
#include <QTest>

class TstSettingsDialog : public SettingsTestCase {
    Q_OBJECT

    int m_endCalls = 0;

    std::function<void()> endProgram()
    {
        return [this] { ++m_endCalls; };
    }

    // Clicks an option the way a user does: the button becomes checked, then the click runs.
    static void choose(QRadioButton *option)
    {
        QTest::mouseClick(option, Qt::LeftButton, {}, QPoint(6, option->height() / 2));
        QVERIFY(option->isChecked());
    }

private slots:
    void init()
    {
        SettingsTestCase::init();
        m_endCalls = 0;
    }

    void layoutAndCaptions()
    {
        bool flag = true;
        QPointer<FrmSettings> dialog;
        showSettings(dialog, flag, endProgram());
        QVERIFY(dialog && dialog->isVisible());
        QCOMPARE(dialog->windowTitle(), QStringLiteral("Settings"));
        QCOMPARE(dialog->size(), QSize(295, 115));
        QVERIFY(!dialog->isModal());
        QCOMPARE(dialog->Frame1->title(), QStringLiteral("Filename"));
        QCOMPARE(dialog->OptLFN[0]->text(), QStringLiteral("Longfilenames"));
        QCOMPARE(dialog->OptLFN[1]->text(), QStringLiteral("8.3 (FAT)"));
        QCOMPARE(dialog->OptLFN[1]->parentWidget(), dialog->Frame1);
        QCOMPARE(dialog->CmdCancel->text(), QStringLiteral("Cancel"));
        // The doubled ampersand is shown as one "&", not as an access key.
        QCOMPARE(dialog->CmdRemoveQuit->text(), QStringLiteral("Remove Registry Settings && Quit"));
        QVERIFY(!dialog->windowIcon().isNull());
        // Every control lies inside the window.
        for (QWidget *child : dialog->findChildren<QWidget *>())
            QVERIFY2(dialog->rect().contains(QRect(child->mapTo(dialog, QPoint()), child->size())),
                     qPrintable(child->objectName()));
        const QString shot = QDir::tempPath() + QStringLiteral("/velmora-settings.png");
        QVERIFY(dialog->grab().save(shot));
        delete dialog;
    }

    void optionsFollowTheFlagWithoutChangingIt()
    {
        for (bool value : {true, false}) {
            bool flag = value;
            auto *dialog = new FrmSettings(flag, endProgram());
            QCOMPARE(dialog->OptLFN[0]->isChecked(), value);
            QCOMPARE(dialog->OptLFN[1]->isChecked(), !value);
            QCOMPARE(dialog->rememberedSupportLfn(), value);
            QCOMPARE(flag, value);
            delete dialog;
        }
    }

    void optionsChangeTheFlagLive()
    {
        bool flag = true;
        QPointer<FrmSettings> dialog;
        showSettings(dialog, flag, endProgram());
        choose(dialog->OptLFN[1]);
        QCOMPARE(flag, false);
        QVERIFY(dialog->isVisible());
        choose(dialog->OptLFN[0]);
        QCOMPARE(flag, true);
        choose(dialog->OptLFN[1]);
        QCOMPARE(flag, false);
        delete dialog;
        QVERIFY(!QFileInfo::exists(settingsFile()));  // the flag is stored only when quitting
    }

    void cancelRestoresOkAndFrameKeep_data()
    {
        QTest::addColumn<QString>("how");
        QTest::addColumn<bool>("expected");
        QTest::newRow("Cancel") << QStringLiteral("cancel") << true;
        QTest::newRow("Ok") << QStringLiteral("ok") << false;
        QTest::newRow("frame") << QStringLiteral("frame") << false;
    }

    void cancelRestoresOkAndFrameKeep()
    {
        QFETCH(QString, how);
        QFETCH(bool, expected);
        bool flag = true;
        QPointer<FrmSettings> dialog;
        showSettings(dialog, flag, endProgram());
        choose(dialog->OptLFN[1]);
        if (how == u"cancel")
            QTest::mouseClick(dialog->CmdCancel, Qt::LeftButton);
        else if (how == u"ok")
            QTest::mouseClick(dialog->CmdOk, Qt::LeftButton);
        else
            dialog->close();  // what the window frame's close button sends
        QCOMPARE(flag, expected);
        QTRY_VERIFY(!dialog);  // unloaded: the next opening starts afresh
        QCOMPARE(m_endCalls, 0);
        QVERIFY(log.texts.isEmpty());
    }

    void openingAgainBringsTheSameDialogForward()
    {
        bool flag = true;
        QPointer<FrmSettings> dialog;
        FrmSettings *first = showSettings(dialog, flag, endProgram());
        choose(first->OptLFN[1]);
        first->hide();  // as if buried behind the main window
        FrmSettings *second = showSettings(dialog, flag, endProgram());
        QCOMPARE(second, first);
        QVERIFY(second->isVisible());
        QCOMPARE(second->rememberedSupportLfn(), true);  // not reloaded from the changed flag
        QVERIFY(second->OptLFN[1]->isChecked());
        QTest::mouseClick(second->CmdCancel, Qt::LeftButton);
        QCOMPARE(flag, true);
        QTRY_VERIFY(!dialog);

        // Once closed, the next opening takes the flag as it is then.
        flag = false;
        FrmSettings *third = showSettings(dialog, flag, endProgram());
        QVERIFY(third->OptLFN[1]->isChecked());
        QCOMPARE(third->rememberedSupportLfn(), false);
        choose(third->OptLFN[0]);
        QTest::mouseClick(third->CmdCancel, Qt::LeftButton);
        QCOMPARE(flag, false);
        QTRY_VERIFY(!dialog);
    }

    void removeAndQuitEmptiesTheStore()
    {
        QVERIFY(SettingsStore::write(QStringLiteral("Quorrel"), QStringLiteral("Startup"),
                                     QStringLiteral("Path"), QStringLiteral("/music")));
        QVERIFY(SettingsStore::write(QStringLiteral("Quorrel"), QStringLiteral("Startup"),
                                     QStringLiteral("Support LFN"), QStringLiteral("True")));
        bool flag = true;
        QPointer<FrmSettings> dialog;
        showSettings(dialog, flag, endProgram());
        choose(dialog->OptLFN[1]);
        QTest::mouseClick(dialog->CmdRemoveQuit, Qt::LeftButton);
        QCOMPARE(m_endCalls, 1);
        QVERIFY(log.texts.isEmpty());
        // Removed, and nothing written back afterwards (not even the changed flag).
        QVERIFY(!QFileInfo::exists(settingsFile()));
        QCOMPARE(QDir(QString::fromUtf8(m_config.path())).entryList(QDir::Files | QDir::Hidden), QStringList());
        delete dialog;

        // With nothing stored the program ends just the same, silently.
        showSettings(dialog, flag, endProgram());
        QTest::mouseClick(dialog->CmdRemoveQuit, Qt::LeftButton);
        QCOMPARE(m_endCalls, 2);
        QVERIFY(log.texts.isEmpty());
        delete dialog;
    }

    void removeFailureIsReportedAndStillEnds()
    {
        // A folder in the store file's place cannot be removed as a settings file.
        QVERIFY(QDir().mkpath(settingsFile() + QStringLiteral("/x")));
        bool flag = true;
        QPointer<FrmSettings> dialog;
        showSettings(dialog, flag, endProgram());
        QTest::mouseClick(dialog->CmdRemoveQuit, Qt::LeftButton);
        QCOMPARE(m_endCalls, 1);
        QCOMPARE(log.texts.size(), 1);
        QVERIFY(!log.texts.first().isEmpty());
        QVERIFY(QFileInfo(settingsFile() + QStringLiteral("/x")).isDir());
        delete dialog;
    }
};

QTEST_MAIN(TstSettingsDialog)
#include "tst_settingsdialog.moc"
