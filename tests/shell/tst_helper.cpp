#include "data/DataManager.h"
#include "data/DatabaseTemplate.h"
#include "data/PredefinedDataHelper.h"
#include "shell/Helper.h"
#include "shell/MailClientLookup.h"
#include "shell/Settings.h"
#include "support/RecordBuilder.h"
#include "support/StoreFixture.h"
#include "support/TestMain.h"

#include <QClipboard>
#include <QDir>
#include <QPointer>
#include <QQmlEngine>
#include <QSettings>
#include <QSignalSpy>
#include <QTimer>

#include <memory>

namespace {

// Mid-morning of a fixed day, so that "today" never moves under a case.
QDateTime fixedNow()
{
    return QDateTime(QDate(2026, 3, 5), QTime(10, 0));
}

QDateTime wallClock(int month, int day, int hour, int minute)
{
    return QDateTime(QDate(2026, month, day), QTime(hour, minute), Qt::UTC);
}

QVariantMap project(const QString& id)
{
    return { { "ID", id }, { "NAME", "Project " + id } };
}

QVariantList projects(const QStringList& ids)
{
    QVariantList list;
    for (const QString& id : ids)
        list.append(project(id));
    return list;
}

QStringList idsOf(const QVariantList& list)
{
    QStringList ids;
    for (const QVariant& entry : list)
        ids.append(entry.toMap().value("ID").toString());
    return ids;
}

} // namespace

class TestHelper : public QObject
{
    Q_OBJECT

private:
    Helper* helper() const { return Helper::instance(); }
    StoreFixture m_log;

private slots:
    void initTestCase()
    {
        StoreFixture::setUpLogging(QStringLiteral("tst_helper"));
        helper()->setClock(fixedNow);
    }

    void shouldShowWallClockDatesInTheLanguage_data()
    {
        QTest::addColumn<QString>("language");
        QTest::addColumn<QDateTime>("dateTime");
        QTest::addColumn<QString>("expected");

        QTest::newRow("en today") << "en" << wallClock(3, 5, 15, 7) << "Today, 3:07 PM";
        QTest::newRow("en tomorrow") << "en" << wallClock(3, 6, 9, 5) << "Tomorrow, 9:05 AM";
        QTest::newRow("en yesterday") << "en" << wallClock(3, 4, 0, 0) << "Yesterday, 12:00 AM";
        QTest::newRow("en other day") << "en" << wallClock(1, 5, 15, 7) << "January 5, 2026 3:07 PM";
        QTest::newRow("en two days ahead") << "en" << wallClock(3, 7, 8, 30) << "March 7, 2026 8:30 AM";
        QTest::newRow("ru today") << "ru" << wallClock(3, 5, 15, 7) << "Today, 15:07";
        QTest::newRow("ru other day")
            << "ru" << wallClock(1, 5, 9, 7) << QString::fromUtf8("5 января, 2026 9:07");
        // An offset date-time is read by its UTC fields: 02:00 at +03:00 is 23:00 of the day before.
        QTest::newRow("offset input")
            << "en" << QDateTime(QDate(2026, 3, 5), QTime(2, 0), Qt::OffsetFromUTC, 3 * 3600)
            << "Yesterday, 11:00 PM";
        QTest::newRow("unset") << "en" << QDateTime() << "";
    }

    void shouldShowWallClockDatesInTheLanguage()
    {
        QFETCH(QString, language);
        QFETCH(QDateTime, dateTime);
        QFETCH(QString, expected);
        Settings::instance()->setApplicationLanguage(language);
        QCOMPARE(helper()->toUtcString(dateTime), expected);
    }

    void shouldTakeTheWallClockAsLocalTime_data()
    {
        QTest::addColumn<QDateTime>("dateTime");
        QTest::addColumn<QDateTime>("expected");
        QTest::newRow("utc label") << wallClock(3, 5, 15, 7)
                                   << QDateTime(QDate(2026, 3, 5), QTime(15, 7), Qt::LocalTime);
        QTest::newRow("offset") << QDateTime(QDate(2026, 3, 5), QTime(2, 0), Qt::OffsetFromUTC, -3600)
                                << QDateTime(QDate(2026, 3, 5), QTime(3, 0), Qt::LocalTime);
    }

    void shouldTakeTheWallClockAsLocalTime()
    {
        QFETCH(QDateTime, dateTime);
        QFETCH(QDateTime, expected);
        const QDateTime result = helper()->toUtcDateTime(dateTime);
        QCOMPARE(result.timeSpec(), Qt::LocalTime);
        QCOMPARE(result, expected);
    }

    void shouldKeepTheTenMostRecentProjects_data()
    {
        QTest::addColumn<QStringList>("before");
        QTest::addColumn<QVariantMap>("newProject");
        QTest::addColumn<QStringList>("expected");

        const QStringList ten = { "0", "1", "2", "3", "4", "5", "6", "7", "8", "9" };
        QTest::newRow("new into ten")
            << ten << project("n") << QStringList { "n", "0", "1", "2", "3", "4", "5", "6", "7", "8" };
        QTest::newRow("known moves to front")
            << QStringList { "a", "b", "c", "d" } << project("c") << QStringList { "c", "a", "b", "d" };
        QTest::newRow("last of ten moves")
            << ten << project("9") << QStringList { "9", "0", "1", "2", "3", "4", "5", "6", "7", "8" };
        QTest::newRow("first list") << QStringList() << project("n") << QStringList { "n" };
        QTest::newRow("no ID is not added")
            << QStringList { "a" } << QVariantMap { { "NAME", "x" } } << QStringList { "a" };
    }

    void shouldKeepTheTenMostRecentProjects()
    {
        QFETCH(QStringList, before);
        QFETCH(QVariantMap, newProject);
        QFETCH(QStringList, expected);
        QVariantMap renamed = newProject;
        renamed.insert("NAME", "Renamed");
        const QVariantList result = helper()->handleRecentProjectList(projects(before), renamed);
        QCOMPARE(idsOf(result), expected);
        // A known project keeps its entry: the list is reordered, not rewritten.
        if (before.contains(newProject.value("ID").toString()))
            QCOMPARE(result.first().toMap().value("NAME").toString(), "Project " + expected.first());
    }

    void shouldRecreateTheStoreOnTheWorker_data()
    {
        QTest::addColumn<bool>("damaged");
        QTest::newRow("open store with objects") << false;
        QTest::newRow("damaged file") << true;
    }

    void shouldRecreateTheStoreOnTheWorker()
    {
        QFETCH(bool, damaged);
        TestSandbox::reset();
        const QString path = TestSandbox::home() + "/tst_helper.db";
        const QByteArray garbage = "this is no database\n";
        if (damaged) {
            QFile file(path);
            QVERIFY(file.open(QIODevice::WriteOnly) && file.write(garbage) == garbage.size());
        } else {
            QVERIFY(DatabaseTemplate::unpackTo(path));
        }
        {
            QSettings predefined(PredefinedDataHelper::predefinedObjectsFile(), QSettings::IniFormat);
            predefined.setValue("folders_created", true);
            predefined.setValue("contexts_created", true);
            predefined.setValue("predefined_ids", "f1,f2");
        }
        PredefinedDataHelper::instance()->setQuorvelBoxId("server-box");

        static int stores = 0;
        DataManager::Options options;
        options.store.databasePath = path;
        options.store.connectionName = QStringLiteral("tst_helper_%1").arg(++stores);
        options.store.repeatedRemindersPath = TestSandbox::home() + "/reminders.dat";
        auto manager = std::make_unique<DataManager>(options);
        QCOMPARE(manager->isDataPrepared(), !damaged);
        if (!damaged) {
            QVERIFY(
                manager->createProjectLocally(RecordBuilder::project("Kept?")) && manager->commitChanges());
            QCOMPARE(manager->getAllObjects().size(), 1);
        }

        helper()->setDataManager(manager.get());
        m_log.markLog();
        const bool recreated = helper()->recreateDatabase();
        helper()->setDataManager(nullptr);
        QVERIFY(recreated);
        QVERIFY(manager->isDataPrepared());
        QVERIFY(manager->getAllObjects().isEmpty());
        QVERIFY(manager->createProjectLocally(RecordBuilder::project("New")) && manager->commitChanges());
        QCOMPARE(
            PredefinedDataHelper::instance()->quorvelBoxId(), PredefinedDataHelper::initialQuorvelBoxId());
        QCOMPARE(QFile::permissions(path),
            QFileDevice::ReadOwner | QFileDevice::WriteOwner | QFileDevice::ReadUser
                | QFileDevice::WriteUser);

        const QStringList kept = QDir(TestSandbox::home()).entryList({ "tst_helper.db.unreadable-*" });
        QCOMPARE(kept.size(), damaged ? 1 : 0);
        if (damaged) {
            QFile keptFile(TestSandbox::home() + '/' + kept.first());
            QVERIFY(keptFile.open(QIODevice::ReadOnly));
            QCOMPARE(keptFile.readAll(), garbage);
        }

        QSettings predefined(PredefinedDataHelper::predefinedObjectsFile(), QSettings::IniFormat);
        QCOMPARE(predefined.allKeys(), QStringList({ "contexts_created", "folders_created" }));
        QCOMPARE(predefined.value("folders_created").toInt(), 0);
        QCOMPARE(predefined.value("contexts_created").toInt(), 0);

        const QStringList expectedLines
            = { "INFO Recreating the database...", "INFO Resettings ids of inbox projects...",
                  "INFO Disconnected from database.", "INFO Connecting to new created database..." };
        QStringList seen;
        for (const QString& line : m_log.logLines()) {
            if (expectedLines.contains(line))
                seen.append(line);
        }
        QCOMPARE(seen, expectedLines);
    }

    void shouldDeleteTheTemporaryTimerOnceFired()
    {
        QPointer<QTimer> timer = helper()->getTemporaryTimer();
        QVERIFY(timer->isSingleShot());
        // The script engine must not collect it while it waits.
        QCOMPARE(QQmlEngine::objectOwnership(timer), QQmlEngine::CppOwnership);
        QSignalSpy fired(timer.data(), &QTimer::timeout);
        timer->start(0);
        QTRY_VERIFY(timer.isNull());
        QCOMPARE(fired.size(), 1);
    }

    void shouldFollowTheClipboardText()
    {
        QSignalSpy changed(helper(), &Helper::clipboardHasTextChanged);
        QGuiApplication::clipboard()->setText("copied");
        QTRY_VERIFY(!changed.isEmpty());
        QVERIFY(helper()->clipboardHasText());
        changed.clear();
        QGuiApplication::clipboard()->clear();
        QTRY_VERIFY(!changed.isEmpty());
        QVERIFY(!helper()->clipboardHasText());
    }

    void shouldAskForTheMailHandlerWithoutHanging_data()
    {
        QTest::addColumn<QString>("program");
        QTest::addColumn<QString>("script");
        QTest::addColumn<bool>("expected");
        QTest::newRow("handler named") << "/bin/sh"
                                       << "echo thunderbird.desktop" << true;
        QTest::newRow("no handler") << "/bin/sh"
                                    << "true" << false;
        QTest::newRow("blank answer") << "/bin/sh"
                                      << "echo '   '" << false;
        QTest::newRow("failed query") << "/bin/sh"
                                      << "echo mail.desktop; exit 3" << false;
        QTest::newRow("never answers") << "/bin/sh"
                                       << "exec sleep 30" << false;
        QTest::newRow("no such program") << "/nonexistent/xdg-mime"
                                         << "" << false;
    }

    void shouldAskForTheMailHandlerWithoutHanging()
    {
        QFETCH(QString, program);
        QFETCH(QString, script);
        QFETCH(bool, expected);
        QCOMPARE(MailClientLookup::queryHandler(program, { "-c", script }), expected);
    }
};

QUORVEL_TEST_MAIN(TestHelper)
#include "tst_helper.moc"
