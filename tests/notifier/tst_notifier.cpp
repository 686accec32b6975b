#include "CommandSink.h"
#include "JumpingClock.h"
#include "NtfContent.h"
#include "core/Notifier.h"
#include "core/NotifierApplication.h"
#include "core/Reader.h"
#include "logging/Log.h"
#include "support/LogReader.h"
#include "support/TestMain.h"

#include <QSignalSpy>

// The notifier's timers against a wall clock the test moves: what happens
// when the clock jumps, when a reminder lies beyond the longest timer, and
// when a timer fires before its moment.
class TestNotifier : public QObject
{
    Q_OBJECT

private:
    static int logCount(const QString &text)
    {
        return LogReader::messages(NtfContent::logPath()).filter(text).size();
    }

    static QDateTime momentOf(const QString &key)
    {
        return QDateTime::fromMSecsSinceEpoch(key.section(QLatin1Char('_'), 2).toLongLong());
    }

private slots:
    void init()
    {
        TestSandbox::reset();
        QVERIFY(Logging::Logger::instance().setFileDestination(NtfContent::logPath()));
    }

    void shouldArmWithRemainingTimeUpToTheLongestTimer_data()
    {
        QTest::addColumn<qint64>("aheadMs");
        QTest::addColumn<qint64>("expectedInterval");
        QTest::newRow("one minute") << qint64(60000) << qint64(60000);
        QTest::newRow("twenty days") << qint64(20) * 86400000 << qint64(20) * 86400000;
        QTest::newRow("forty days") << qint64(40) * 86400000 << qint64(Notifier::MaxTimerInterval);
    }

    void shouldArmWithRemainingTimeUpToTheLongestTimer()
    {
        QFETCH(qint64, aheadMs);
        QFETCH(qint64, expectedInterval);
        JumpingClock clock;
        Notifier notifier(&clock);
        notifier.addNotification(QStringLiteral("t_DUEDATE_1"), clock.now().addMSecs(aheadMs));
        const int interval = notifier.timerInterval(QStringLiteral("t_DUEDATE_1"));
        QVERIFY2(interval <= expectedInterval && interval > expectedInterval - 5000, qPrintable(QString::number(interval)));
    }

    void shouldFollowWallClockJumps_data()
    {
        QTest::addColumn<qint64>("jumpMs");
        QTest::newRow("forward past two reminders") << qint64(3600000);
        QTest::newRow("backward") << qint64(-3600000);
        QTest::newRow("forward past all") << qint64(86400000);
    }

    void shouldFollowWallClockJumps()
    {
        QFETCH(qint64, jumpMs);
        JumpingClock clock;
        const QDateTime start = clock.now();
        QVariantMap entries = NtfContent::entry(QStringLiteral("t1"), start.addSecs(600));
        entries.insert(NtfContent::entry(QStringLiteral("t2"), start.addSecs(1200)));
        entries.insert(NtfContent::entry(QStringLiteral("t3"), start.addSecs(3 * 3600)));
        NtfContent::write(NtfContent::filePath(), entries);
        const QByteArray fileBefore = NtfContent::readBytes(NtfContent::filePath());
        CommandSink sink;
        QVERIFY(sink.listen());
        Reader reader(NtfContent::filePath());
        Notifier notifier(&clock);
        NotifierApplication::wire(reader, notifier);
        QSignalSpy expired(&notifier, &Notifier::notificationExpired);
        reader.read();
        QCOMPARE(notifier.timerCount(), 3);

        clock.jump(jumpMs);
        notifier.checkLocalTime();

        int stillArmed = 0;
        for (const QString &key : entries.keys()) {
            const qint64 remaining = clock.now().msecsTo(momentOf(key));
            const int interval = notifier.timerInterval(key);
            if (remaining <= 0) {
                QCOMPARE(interval, -1);
                continue;
            }
            ++stillArmed;
            QVERIFY2(qAbs(interval - remaining) < 5000, qPrintable(key + " " + QString::number(interval)));
        }
        QCOMPARE(notifier.timerCount(), stillArmed);
        QCOMPARE(logCount(QStringLiteral("Local time has changed! Difference: ")), 1);
        // Dropped reminders are neither shown nor taken out of the file.
        QTest::qWait(300);
        QCOMPARE(sink.commands(), QStringList());
        QCOMPARE(expired.count(), 0);
        QCOMPARE(NtfContent::readBytes(NtfContent::filePath()), fileBefore);
    }

    void shouldSendEarlyFiringOnlyWithinASecond_data()
    {
        QTest::addColumn<qint64>("earlyMs");
        QTest::addColumn<int>("reschedules");
        QTest::newRow("800 ms early sends at once") << qint64(800) << 0;
        QTest::newRow("1500 ms early is re-armed") << qint64(1500) << 1;
    }

    void shouldSendEarlyFiringOnlyWithinASecond()
    {
        QFETCH(qint64, earlyMs);
        QFETCH(int, reschedules);
        JumpingClock clock;
        CommandSink sink;
        QVERIFY(sink.listen());
        Notifier notifier(&clock);
        notifier.setLauncherPath(TestSandbox::root() + QStringLiteral("/no-launcher"));
        QSignalSpy expired(&notifier, &Notifier::notificationExpired);
        const QString key = QStringLiteral("t9_STARTDATE_1700000000000");
        notifier.addNotification(key, clock.now().addMSecs(300));
        // The timer runs 300 ms on the machine's clock; by the wall clock it
        // then fires earlyMs before the moment.
        clock.jump(-earlyMs);

        QTRY_COMPARE_WITH_TIMEOUT(sink.commands().size(), 1, 15000);
        QCOMPARE(sink.commands().first(), QStringLiteral("show_notification:") + key);
        QCOMPARE(expired.count(), 1);
        QCOMPARE(expired.first().first().toString(), key);
        QCOMPARE(logCount(QStringLiteral("Reschedule notification")), reschedules);
        QCOMPARE(notifier.timerCount(), 0);
    }

    void shouldReplaceTheTimerOfAKeyReadWithAnotherMoment()
    {
        JumpingClock clock;
        CommandSink sink;
        QVERIFY(sink.listen());
        Notifier notifier(&clock);
        notifier.setLauncherPath(TestSandbox::root() + QStringLiteral("/no-launcher"));
        const QString key = QStringLiteral("t4_DUEDATE_1700000000000");
        notifier.addNotification(key, clock.now().addMSecs(200));
        notifier.addNotification(key, clock.now().addSecs(3600));
        QTest::qWait(1000);
        QCoreApplication::sendPostedEvents(nullptr, QEvent::DeferredDelete);
        QCOMPARE(sink.commands(), QStringList());
        QCOMPARE(notifier.timerCount(), 1);
        QVERIFY(notifier.timerInterval(key) > 3500000);
        // The first timer is gone, not merely ignored when it runs out.
        QCOMPARE(notifier.findChildren<QTimer *>().size(), 1);
        QCOMPARE(logCount(QStringLiteral("Reschedule notification")), 0);
    }
};

QUORVEL_TEST_MAIN(TestNotifier)
#include "tst_notifier.moc"
