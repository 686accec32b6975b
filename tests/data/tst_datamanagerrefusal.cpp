#include "data/DataManager.h"
#include "data/DatabaseTemplate.h"
#include "shell/Settings.h"
#include "support/TestMain.h"

#include <QFile>
#include <QSignalSpy>

#include <memory>

// What the data manager tells about a store that did not open, and the
// worker tasks it refuses then: nothing may pass for done on a closed store.
class TestDataManagerRefusal : public QObject
{
    Q_OBJECT

private:
    int m_stores = 0;

    static QString databasePath() { return TestSandbox::home() + QStringLiteral("/refusal.db"); }

    std::unique_ptr<DataManager> makeManager()
    {
        DataManager::Options options;
        options.store.databasePath = databasePath();
        options.store.connectionName = QStringLiteral("tst_datamanagerrefusal_%1").arg(++m_stores);
        options.store.repeatedRemindersPath = TestSandbox::home() + QStringLiteral("/reminders.dat");
        options.syncDelay = 3600 * 1000;
        return std::make_unique<DataManager>(options);
    }

    static void writeGarbage()
    {
        QFile garbage(databasePath());
        QVERIFY(garbage.open(QIODevice::WriteOnly));
        garbage.write(QByteArray(8192, 'x'));
    }

private slots:
    void init() { TestSandbox::reset(); }

    void shouldTellWhyTheDatabaseIsNotOpen_data()
    {
        QTest::addColumn<bool>("garbage");
        QTest::addColumn<QString>("reason");
        QTest::newRow("no file") << false << QStringLiteral("There is no database file at ");
        QTest::newRow("garbage") << true << QStringLiteral(" is damaged or is not a Quorvel database.");
    }

    void shouldTellWhyTheDatabaseIsNotOpen()
    {
        QFETCH(bool, garbage);
        QFETCH(QString, reason);
        if (garbage)
            writeGarbage();
        const auto manager = makeManager();
        QSignalSpy failed(manager.get(), &DataManager::databaseOpenFailed);

        QVERIFY(!manager->isDatabaseOpen());
        QVERIFY(!manager->property("databaseOpen").toBool());
        QVERIFY2(manager->databaseOpenError().contains(reason), qPrintable(manager->databaseOpenError()));
        // Told from the event loop, so that whoever connected after
        // construction hears it.
        QVERIFY(failed.wait(5000));
        QCOMPARE(failed.count(), 1);
        QCOMPARE(failed.at(0).at(0).toString(), manager->databaseOpenError());
    }

    void shouldSayNothingOfAnOpenStore()
    {
        QVERIFY(DatabaseTemplate::unpackTo(databasePath()));
        const auto manager = makeManager();
        QSignalSpy failed(manager.get(), &DataManager::databaseOpenFailed);
        QVERIFY(manager->isDatabaseOpen());
        QCOMPARE(manager->databaseOpenError(), QString());
        QVERIFY(!failed.wait(300));
    }

    void shouldRefuseWorkerTasksWithoutAnOpenStore()
    {
        writeGarbage();
        Settings::instance()->setClientLogin(QStringLiteral("ann@example.org"));
        Settings::instance()->setClientPassword(QStringLiteral("5f4dcc3b5aa765d61d8327deb882cf99"));
        Settings::instance()->setCloudSyncEnabled(true);
        const auto manager = makeManager();
        QSignalSpy refused(manager.get(), &DataManager::databaseUnavailable);
        QSignalSpy active(manager.get(), &DataManager::syncActiveChanged);

        manager->startSync();
        QVERIFY(refused.wait(5000));
        QCOMPARE(refused.at(0).at(0).toString(), QStringLiteral("sync"));
        manager->cleanSortedLists();
        QVERIFY(refused.wait(10000));
        QCOMPARE(refused.at(1).at(0).toString(), QStringLiteral("sorting clean-up"));
        QCOMPARE(active.count(), 0);
        QVERIFY(!manager->lastSyncDateTime().isValid());
    }
};

QUORVEL_TEST_MAIN(TestDataManagerRefusal)
#include "tst_datamanagerrefusal.moc"
