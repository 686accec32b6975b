#include "SyncFixture.h"

#include "data/DatabaseHandler.h"
#include "data/PredefinedDataHelper.h"
#include "shell/Settings.h"
#include "support/HostileSettings.h"
#include "support/RecordBuilder.h"
#include "support/TestMain.h"
#include "sync/SyncHandler.h"
#include "sync/SyncManager.h"

#include <QDir>
#include <QSignalSpy>
#include <QTimer>

// The change exchange when the files and the database under it fail: a
// damaged or hostile sync file, a store that is not open, a database that
// runs out of room in the middle of a merge, and an upload cut short.
class TestSyncFaults : public QObject
{
    Q_OBJECT

private:
    SyncFixture m;
    const QString Inbox = PredefinedDataHelper::initialQuorvelBoxId();

    static void writeSyncFile(const QByteArray& content)
    {
        QFile file(SyncHandler::syncFilePath());
        QVERIFY(file.open(QIODevice::WriteOnly | QIODevice::Truncate));
        file.write(content);
    }

    static QByteArray keptCopy()
    {
        const QStringList copies = QDir(QFileInfo(SyncHandler::syncFilePath()).absolutePath())
                                       .entryList({ QStringLiteral("sync.dat.damaged-*") }, QDir::Files);
        if (copies.size() != 1)
            return QByteArray();
        QFile file(QFileInfo(SyncHandler::syncFilePath()).absolutePath() + QLatin1Char('/') + copies.first());
        return file.open(QIODevice::ReadOnly) ? file.readAll() : QByteArray();
    }

    int syncedTasks(const QStringList& ids)
    {
        int synced = 0;
        for (const QString& id : ids)
            synced += m.fixture().rawRow(QStringLiteral("task"), id).value(QStringLiteral("synced")).toInt();
        return synced;
    }

    QStringList localTasks(int count)
    {
        QStringList ids;
        for (int i = 1; i <= count; ++i) {
            const QString id = QStringLiteral("local-%1").arg(i, 2, 10, QLatin1Char('0'));
            if (!m.store()->createTaskLocally(RecordBuilder::task(id, Inbox).withId(id)))
                return {};
            ids.append(id);
        }
        return m.store()->commitChanges() ? ids : QStringList();
    }

private slots:
    void initTestCase()
    {
        StoreFixture::setUpLogging(QStringLiteral("tst_syncfaults"));
        qunsetenv("QUORVEL_TRANSFER_TIMEOUT");
    }

    void init()
    {
        QVERIFY(m.open());
        PredefinedDataHelper::instance()->resetBuiltInListIds();
    }

    void cleanup() { m.close(); }

    // QSettings meets the damage when it first reads the group and reports
    // a format error for the handle's whole life: a write that succeeded
    // must not be logged as failed.
    void shouldTellTruthfullyWhetherTheRevisionWasSaved_data()
    {
        QTest::addColumn<QByteArray>("content");
        QTest::newRow("line without a value") << QByteArray("[Sync]\nLastClientRevision=3\nnot a setting\n");
        QTest::newRow("binary garbage") << QByteArray("[Sync]\nLastClientRevision=3\n\x01\xfe\xff\n");
    }

    void shouldTellTruthfullyWhetherTheRevisionWasSaved()
    {
        QFETCH(QByteArray, content);
        writeSyncFile(content);
        m.makeHandler();
        QCOMPARE(m.handler()->lastRevision(), 3);
        m.reply(m.changes(7, { SyncReplies::task(QStringLiteral("t1"), Inbox, SyncFixture::Now - 10) }));

        QVERIFY(m.runSync());
        QCOMPARE(m.storedRevision(), 7);
        QVERIFY(!m.logged(QStringLiteral("ERROR Unable to save the last client revision")));
        QVERIFY(m.logged(QStringLiteral("WARN The sync file ") + SyncHandler::syncFilePath()
            + QStringLiteral(" is damaged")));
        QCOMPARE(keptCopy(), content);
    }

    void shouldNotReadUnsafeValuesOfTheSyncFile_data()
    {
        QTest::addColumn<QByteArray>("value");
        for (const HostileSettings::Value& value : HostileSettings::values())
            QTest::newRow(qPrintable(value.kind)) << value.text;
    }

    void shouldNotReadUnsafeValuesOfTheSyncFile()
    {
        QFETCH(QByteArray, value);
        const QByteArray content
            = "[Sync]\nLastClientRevision=3\nQB_ID=" + value + "\nLastSyncDateTime=" + value + "\n";
        writeSyncFile(content);
        m.makeManager();
        QCOMPARE(m.handler()->lastRevision(), 3);
        QCOMPARE(m.handler()->inboxId(), Inbox);
        QVERIFY(!m.manager()->lastSyncDateTime().isValid());
        QVERIFY(m.logged(QStringLiteral("WARN The settings file ") + SyncHandler::syncFilePath()
            + QStringLiteral(
                " held values that cannot be read safely (\"Sync/QB_ID\", \"Sync/LastSyncDateTime\")")));
        QCOMPARE(keptCopy(), content);
    }

    void shouldRefuseToSyncWithoutAnOpenStore()
    {
        m.settings()->setCloudSyncEnabled(true);
        m.store()->disconnectDatabase();
        m.makeManager();
        m.reply(m.changes(7));
        QSignalSpy refused(m.manager(), &SyncManager::storeUnavailable);
        QSignalSpy active(m.manager(), &SyncManager::activeChanged);

        m.manager()->start();
        QCOMPARE(refused.count(), 1);
        QCOMPARE(active.count(), 0);
        // Nothing was asked of the server, and no sync counts as done.
        QVERIFY(!m.server().waitForRequests(1, 500));
        QVERIFY(!m.manager()->lastSyncDateTime().isValid());
        QVERIFY(m.logged(QStringLiteral("ERROR The database is not open; the sync does not start.")));
    }

    // The database grows no further (as on a full disk; here SQLite's own
    // page limit stands in for the disk): nothing of the download may be
    // kept, the revision stays, and the next run, with room again, takes
    // all of it.
    void shouldKeepNothingOfAMergeTheDatabaseCannotHold()
    {
        const int pages = m.store()->count(QStringLiteral("PRAGMA page_count"));
        QVERIFY(pages > 0);
        QVERIFY(m.store()->execute(QStringLiteral("PRAGMA max_page_count = %1").arg(pages + 4)));
        QList<QVariantMap> tasks;
        for (int i = 0; i < 300; ++i) {
            QVariantMap task = SyncReplies::task(QStringLiteral("s%1").arg(i), Inbox, SyncFixture::Now - 10);
            task.insert(QStringLiteral("MEMO"), QString(400, QLatin1Char('n')));
            task.insert(QStringLiteral("NAME"),
                QStringLiteral("server task %1 ").arg(i) + QString(200, QLatin1Char('x')));
            tasks.append(task);
        }
        m.setStoredRevision(2);
        m.makeHandler();
        m.reply(m.changes(9, tasks));
        QSignalSpy failed(m.handler(), &SyncHandler::runFailed);

        QVERIFY(m.runSync());
        QCOMPARE(failed.count(), 1);
        QCOMPARE(m.storedRevision(), 2);
        QCOMPARE(m.store()->getProjectTasks(Inbox).size(), 0);
        QVERIFY(m.logged(QStringLiteral("ERROR The database could not store the server's task")));
        QVERIFY(!m.fixture()
                     .logLines()
                     .join(QLatin1Char('\n'))
                     .contains(QStringLiteral("no transaction is active")));

        QVERIFY(m.store()->execute(QStringLiteral("PRAGMA max_page_count = 1073741823")));
        m.reply(m.changes(9, tasks));
        QVERIFY(m.runSync());
        QCOMPARE(m.storedRevision(), 9);
        QCOMPARE(m.store()->getProjectTasks(Inbox).size(), 300);
    }

    // What the server took before the run ended is marked at once, a batch
    // at a time; the next run sends only the rest.
    void shouldResumeAnUploadWhereItStopped()
    {
        const QStringList ids = localTasks(20);
        QCOMPARE(ids.size(), 20);
        m.makeHandler();
        m.reply(m.changes(5));
        for (int revision = 6; revision <= 16; ++revision)
            m.reply(m.accepted(revision));
        // The twelfth task's answer takes long; the run ends meanwhile.
        m.server().enqueue(LoopbackHttpServer::Reply::drop().withDelay(3000));
        QTimer watch;
        connect(&watch, &QTimer::timeout, this, [&] {
            if (m.server().requestCount() >= 13) {
                watch.stop();
                m.handler()->abort();
            }
        });
        watch.start(5);
        QSignalSpy finished(m.handler(), &SyncHandler::finished);
        QVERIFY(m.handler()->start());
        QVERIFY(finished.wait(20000));
        QTRY_VERIFY_WITH_TIMEOUT(!m.handler()->isActive(), 10000);
        QCOMPARE(syncedTasks(ids), SyncHandler::UploadBatchSize);

        m.server().clearRequests();
        m.reply(m.changes(16));
        for (int revision = 17; revision <= 40; ++revision)
            m.reply(m.accepted(revision));
        QVERIFY(m.runSync());
        QCOMPARE(m.methods().count(QStringLiteral("create_task")), 20 - SyncHandler::UploadBatchSize);
        QCOMPARE(syncedTasks(ids), 20);
    }
};

QUORVEL_TEST_MAIN(TestSyncFaults)
#include "tst_syncfaults.moc"
