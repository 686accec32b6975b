#include "data/DataManager.h"
#include "data/DatabaseTemplate.h"
#include "data/PredefinedDataHelper.h"
#include "data/ProjectHandler.h"
#include "data/TaskHandler.h"
#include "shell/AppPaths.h"
#include "support/RecordBuilder.h"
#include "support/StoreFixture.h"
#include "support/TestMain.h"
#include "time/NotificationManager.h"

#include <QSettings>

#include <memory>

namespace {

// A data manager with its worker over a database and a notification file of
// its own, and the handlers the interface uses on top.
class World
{
public:
    World()
    {
        static int count = 0;
        ++count;
        const QString stem = QStringLiteral("followups_%1").arg(count);
        const QString path = AppPaths::appDataFile(stem + QStringLiteral(".db"));
        DatabaseTemplate::unpackTo(path);
        notificationFile = AppPaths::appDataFile(stem + QStringLiteral("_ntf.dat"));
        DataManager::Options options;
        options.store.databasePath = path;
        options.store.connectionName = stem;
        options.store.repeatedRemindersPath = AppPaths::appDataFile(stem + QStringLiteral("_repeated.dat"));
        options.store.sortingPath = AppPaths::appDataFile(stem + QStringLiteral("_sorting.dat"));
        options.store.notificationsPath = notificationFile;
        data = std::make_unique<DataManager>(options);
        tasks = std::make_unique<TaskHandler>(data.get());
        projects = std::make_unique<ProjectHandler>(data.get());
    }

    QString task(const QString& name, const QString& parent, const DataObject& extra = {})
    {
        DataObject record = RecordBuilder::task(name, parent);
        record.insert(extra);
        return tasks->createTask(record) ? tasks->lastCreatedTaskId() : QString();
    }

    QString project(const QString& name)
    {
        return projects->createProject(RecordBuilder::project(name)) ? projects->lastCreatedProjectId()
                                                                     : QString();
    }

    // The keys in the file, as the notifier reads them.
    QStringList fileKeys() const
    {
        const QString copy = notificationFile + QStringLiteral(".copy");
        QFile::remove(copy);
        QFile::copy(notificationFile, copy);
        QStringList keys;
        {
            keys = QSettings(copy, QSettings::IniFormat).allKeys();
        }
        QFile::remove(copy);
        keys.sort();
        return keys;
    }

    QString notificationFile;
    std::unique_ptr<DataManager> data;
    std::unique_ptr<TaskHandler> tasks;
    std::unique_ptr<ProjectHandler> projects;
};

const QString Inbox = PredefinedDataHelper::initialQuorvelBoxId();

QDateTime dueIn(int days, int hour = 10)
{
    return wallClock(QDate::currentDate().addDays(days), QTime(hour, 0));
}

QVariantMap dueInfo(const QString& id, const QDateTime& due)
{
    return { { "ID", id }, { "DUEDATE", due } };
}

} // namespace

class TestReminderFollowUps : public QObject
{
    Q_OBJECT

private slots:
    void initTestCase() { StoreFixture::setUpLogging(QStringLiteral("tst_reminderfollowups")); }

    void theInterfaceReachesTheRemindersAcrossThreads()
    {
        World w;
        const QVariantMap task = dueInfo(QStringLiteral("t1"), dueIn(2));
        QVERIFY(w.data->scheduleReminder(task, NotificationManager::Hour));
        QVERIFY(w.data->hasScheduledReminder(task, NotificationManager::Hour));
        QVERIFY(!w.data->hasScheduledReminder(task, NotificationManager::Day));
        QVERIFY(w.data->snoozeReminder({ { "ID", "t1" } }));
        QCOMPARE(w.data->getReminderCount(), 2);
        QCOMPARE(w.fileKeys().size(), 2);
        // A number that is no reminder type schedules nothing.
        QVERIFY(!w.data->scheduleReminder(task, 42));
        QCOMPARE(w.data->getReminderCount(), 2);

        QVERIFY(w.data->removeScheduledReminder(task, NotificationManager::Hour));
        QVERIFY(w.data->hasScheduledReminders(QStringLiteral("t1")));
        QVERIFY(w.data->removeAllRemindersById(QStringLiteral("t1")));
        QVERIFY(!w.data->hasScheduledReminders(QStringLiteral("t1")));
        QCOMPARE(w.fileKeys(), QStringList());
    }

    // The rows' reminder marks come from a snapshot; a reminder another
    // program writes into the file reaches it too.
    void theReminderMarksFollowOtherWriters()
    {
        World w;
        QVERIFY(!w.data->hasScheduledReminders(QStringLiteral("t7")));
        {
            NotificationManager notifier(w.notificationFile, nullptr);
            QVERIFY(notifier.scheduleNotification(dueInfo(QStringLiteral("t7"), dueIn(3)), NotificationManager::Hour));
        }
        QTRY_VERIFY(w.data->hasScheduledReminders(QStringLiteral("t7")));
        QVERIFY(!w.data->hasScheduledReminders(QStringLiteral("t1")));
        QVERIFY(w.data->removeAllRemindersById(QStringLiteral("t7")));
        QVERIFY(!w.data->hasScheduledReminders(QStringLiteral("t7")));
    }

    void closingATaskRemovesItsRemindersOnlyWhenConfirmed_data()
    {
        QTest::addColumn<bool>("complete");
        QTest::addColumn<bool>("confirm");
        QTest::newRow("completed, confirmed") << true << true;
        QTest::newRow("completed, undone") << true << false;
        QTest::newRow("deleted, confirmed") << false << true;
        QTest::newRow("deleted, undone") << false << false;
    }

    void closingATaskRemovesItsRemindersOnlyWhenConfirmed()
    {
        QFETCH(bool, complete);
        QFETCH(bool, confirm);
        World w;
        const QString task = w.task(QStringLiteral("Call Bob"), Inbox, { { "DUE", dueIn(3) } });
        const QString other = w.task(QStringLiteral("Call Ann"), Inbox, { { "DUE", dueIn(3) } });
        QVERIFY(w.data->scheduleReminder(dueInfo(task, dueIn(3)), NotificationManager::Hour));
        QVERIFY(w.data->scheduleReminder(dueInfo(task, dueIn(3)), NotificationManager::Day));
        QVERIFY(w.data->snoozeReminder({ { "ID", task } }));
        QVERIFY(w.data->scheduleReminder(dueInfo(other, dueIn(3)), NotificationManager::Hour));
        const QStringList before = w.fileKeys();
        QCOMPARE(before.size(), 4);

        const DOTask record = w.data->getTaskById(task);
        QVERIFY(complete ? w.tasks->markTaskAsCompleted(record) : w.tasks->markTaskAsDeleted(record));
        // The interface still offers undo: nothing is gone yet.
        QCOMPARE(w.fileKeys(), before);

        if (confirm) {
            QVERIFY(w.tasks->confirmTaskUpdate(record));
            QVERIFY(!w.data->hasScheduledReminders(task));
            QCOMPARE(w.fileKeys(),
                QStringList { NotificationManager::notificationKey(
                    dueInfo(other, dueIn(3)), NotificationManager::Hour) });
        } else {
            w.tasks->revertTaskState(record);
            QCOMPARE(w.fileKeys(), before);
            QCOMPARE(w.data->getReminderCount(), 4);
        }
    }

    void confirmingAProjectDeleteRemovesItsTasksReminders()
    {
        World w;
        const QString project = w.project(QStringLiteral("Garden"));
        const QString task = w.task(QStringLiteral("Mow"), project, { { "DUE", dueIn(2) } });
        const QString elsewhere = w.task(QStringLiteral("Shop"), Inbox, { { "DUE", dueIn(2) } });
        QVERIFY(w.data->scheduleReminder(dueInfo(task, dueIn(2)), NotificationManager::AtTimeOfEvent));
        QVERIFY(w.data->scheduleReminder(dueInfo(elsewhere, dueIn(2)), NotificationManager::AtTimeOfEvent));

        QVERIFY(w.projects->markProjectAsDeleted(w.data->getProjectById(project)));
        QCOMPARE(w.data->getReminderCount(), 2);
        QVERIFY(w.projects->confirmProjectUpdate(w.data->getProjectById(project)));
        QVERIFY(!w.data->hasScheduledReminders(task));
        QVERIFY(w.data->hasScheduledReminders(elsewhere));
    }

    void completingARepeatedTaskMovesItsReminders()
    {
        World w;
        const QString task
            = w.task(QStringLiteral("Backup"), Inbox, { { "PERIOD", "d;2" }, { "DUE", dueIn(3) } });
        const DOTask shown = w.data->getTaskById(task);
        const QVariantMap before = dueInfo(task, shown.value("DUE").toDateTime());
        QVERIFY(w.data->scheduleReminder(before, NotificationManager::Hour));

        QVERIFY(w.tasks->markTaskAsCompleted(shown));
        QVERIFY(w.data->hasScheduledReminder(before, NotificationManager::Hour));
        QVERIFY(w.tasks->confirmTaskUpdate(shown));

        const QDateTime nextDue = w.data->getTaskById(task).value("DUE").toDateTime();
        QVERIFY(nextDue > shown.value("DUE").toDateTime());
        QCOMPARE(w.fileKeys(),
            QStringList {
                NotificationManager::notificationKey(dueInfo(task, nextDue), NotificationManager::Hour) });
    }
};

QUORVEL_TEST_MAIN(TestReminderFollowUps)
#include "tst_reminderfollowups.moc"
