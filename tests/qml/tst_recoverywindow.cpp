#include "WindowDriver.h"
#include "WindowFixture.h"

#include "data/DataManager.h"
#include "data/DatabaseBackup.h"
#include "data/DatabaseHandler.h"
#include "data/DatabaseTemplate.h"
#include "data/PredefinedDataHelper.h"
#include "shell/AppPaths.h"
#include "shell/GuiManager.h"
#include "shell/Settings.h"
#include "support/StoreFixture.h"
#include "support/TestMain.h"

#include <QDir>
#include <QQuickItem>
#include <QQuickWindow>

// The real main window started on a database that will not open, with
// backups beside it: the person reads what happened and restores the newest
// backup through the window.
class TestRecoveryWindow : public QObject
{
    Q_OBJECT

private:
    using W = WindowDriver;

    QString m_backup;
    QByteArray m_damaged;

private slots:
    void initTestCase()
    {
        // A day of the user's: tasks in the inbox, backed up; later a newer
        // backup of another account, then the database file breaks.
        const QString path = DatabaseHandler::databasePath();
        QVERIFY(DatabaseTemplate::unpackTo(path));
        {
            DatabaseHandler store(path, QStringLiteral("setup"));
            QVERIFY(store.openAtStart());
            for (const char* name : { "Water the plants", "Call the bank" }) {
                QVERIFY(store.execute(
                    QStringLiteral("INSERT INTO task (id, name, parent, timestamp) VALUES "
                                   "(lower(hex(randomblob(16))), '%1', '%2', '1700000000')")
                        .arg(QLatin1String(name), PredefinedDataHelper::initialQuorvelBoxId())));
            }
            const DatabaseBackup backups(path);
            m_backup = backups.write(DatabaseBackup::Reason::Daily, store.backupAccount(),
                QDateTime::currentDateTime().addDays(-1));
            QVERIFY(!m_backup.isEmpty());
            QVERIFY(store.execute(QStringLiteral("DELETE FROM task")));
            QVERIFY(
                !backups
                     .write(DatabaseBackup::Reason::Daily, DatabaseBackup::accountLabel("other@example.com"))
                     .isEmpty());
        }
        QFile file(path);
        QVERIFY(file.open(QIODevice::ReadWrite));
        m_damaged = file.read(3000);
        QVERIFY(file.resize(3000));
        file.close();

        QVERIFY(WindowFixture::showWindow());
    }

    void shouldRestoreTheNewestBackupOfTheAccount()
    {
        QTRY_VERIFY(W::isShown(QStringLiteral("recoveryPopup")));
        QVERIFY(!DataManager::instance()->isDataPrepared());
        QVERIFY(W::item(QStringLiteral("recoveryProblem"))
                    ->property("text")
                    .toString()
                    .contains(QStringLiteral("quorvel_data.db")));
        QVERIFY(W::item(QStringLiteral("recoveryOffer"))
                    ->property("text")
                    .toString()
                    .startsWith(QStringLiteral("A backup from ")));
        QVERIFY(W::item(QStringLiteral("recoveryRestore"))->isVisible());
        QVERIFY(!W::item(QStringLiteral("recoveryDownload"))->isVisible());
        QVERIFY(W::screenshot(QStringLiteral("recovery_light")));
        GuiManager::instance()->setAppInDarkMode(true);
        QTest::qWait(50);
        QVERIFY(W::screenshot(QStringLiteral("recovery_dark")));
        GuiManager::instance()->setAppInDarkMode(false);

        QVERIFY(W::click(QStringLiteral("recoveryRestore")));
        QTRY_VERIFY(!W::isShown(QStringLiteral("recoveryPopup")));
        QVERIFY(DataManager::instance()->isDataPrepared());
        // The window reads its lists again: the inbox shows the restored tasks.
        W::call("openSection", 0);
        QTRY_COMPARE(W::item(QStringLiteral("quorvelBoxList"))->property("count").toInt(), 2);

        DataManager::instance()->stopWorker();
        QCOMPARE(StoreFixture::dumpFile(DatabaseHandler::databasePath()), StoreFixture::dumpFile(m_backup));
        const QStringList kept
            = QDir(AppPaths::appDataDir())
                  .entryList({ QStringLiteral("quorvel_data.db.unreadable-*") }, QDir::Files);
        QCOMPARE(kept.size(), 1);
        QFile keptFile(AppPaths::appDataFile(kept.first()));
        QVERIFY(keptFile.open(QIODevice::ReadOnly));
        QCOMPARE(keptFile.readAll(), m_damaged);
    }
};

QUORVEL_TEST_MAIN(TestRecoveryWindow)
#include "tst_recoverywindow.moc"
