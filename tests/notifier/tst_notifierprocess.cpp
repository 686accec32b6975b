#include "CommandSink.h"
#include "NotifierRun.h"
#include "NtfContent.h"
#include "support/AppProcess.h"
#include "support/TestMain.h"

#include <QDir>
#include <QElapsedTimer>
#include <QFile>
#include <QLocalSocket>
#include <QLockFile>
#include <QProcess>
#include <QRegularExpression>

// The real QuorvelNotifier in the sandboxed home: what reaches the main
// program's channel, what happens to the file, how a second start ends, and
// how the main program is started when it is not running.
class TestNotifierProcess : public QObject
{
    Q_OBJECT

private:
    static QString filePath() { return NtfContent::filePath(); }
    static QString dataDir() { return QFileInfo(filePath()).absolutePath(); }

    static bool startAndRead(NotifierRun &run)
    {
        return run.start() && run.waitForLog(QStringLiteral("Reading notification count: "));
    }

    static bool probe()
    {
        QLocalSocket socket;
        socket.connectToServer(QStringLiteral("quorvel_notifier"));
        const bool connected = socket.waitForConnected(1000);
        socket.abort();
        return connected;
    }

    static void writeScript(const QString &path, const QByteArray &body)
    {
        QDir().mkpath(QFileInfo(path).absolutePath());
        QFile script(path);
        QVERIFY(script.open(QIODevice::WriteOnly));
        script.write("#!/bin/sh\n" + body);
        script.close();
        QVERIFY(script.setPermissions(script.permissions() | QFile::ExeOwner));
    }

private slots:
    void init() { TestSandbox::reset(); }

    void shouldSendADueReminderOnceAndDropItsEntry()
    {
        const QDateTime now = QDateTime::currentDateTime();
        const QString due = NtfContent::key(QStringLiteral("task7"), QStringLiteral("STARTDATE"), now.addSecs(2));
        QVariantMap entries = NtfContent::entry(QStringLiteral("task7"), now.addSecs(2), QStringLiteral("STARTDATE"));
        entries.insert(NtfContent::entry(QStringLiteral("task8"), now.addDays(2)));
        NtfContent::write(filePath(), entries);
        CommandSink sink;
        QVERIFY(sink.listen());
        NotifierRun run;
        QVERIFY(startAndRead(run));

        QTRY_COMPARE_WITH_TIMEOUT(sink.commands().size(), 1, 20000);
        QVERIFY(run.waitForLog(QStringLiteral("Notification has sent")));
        QTest::qWait(1500);
        QCOMPARE(sink.commands(), QStringList { QStringLiteral("show_notification:") + due });
        QTRY_COMPARE(NtfContent::read(filePath()).keys(), QStringList { entries.lastKey() });
        QVERIFY(run.isRunning());
    }

    void shouldDropOverdueEntriesWithoutSending()
    {
        const QDateTime now = QDateTime::currentDateTime();
        QVariantMap entries = NtfContent::entry(QStringLiteral("late1"), now.addSecs(-60));
        entries.insert(NtfContent::entry(QStringLiteral("later"), now.addDays(1)));
        NtfContent::write(filePath(), entries);
        CommandSink sink;
        QVERIFY(sink.listen());
        NotifierRun run;
        QVERIFY(startAndRead(run));
        QTRY_VERIFY_WITH_TIMEOUT(NtfContent::read(filePath()).size() == 1, 10000);

        // One written while the notifier runs is dropped the same way.
        QVariantMap current = NtfContent::read(filePath());
        current.insert(NtfContent::entry(QStringLiteral("late2"), now.addSecs(-5)));
        NtfContent::write(filePath(), current);
        QVERIFY(run.waitForLog(QStringLiteral("DateTime of the new notification is overdue"), 2));
        QTRY_COMPARE_WITH_TIMEOUT(NtfContent::read(filePath()).keys(),
                                  NtfContent::entry(QStringLiteral("later"), now.addDays(1)).keys(), 10000);
        QTest::qWait(500);
        QCOMPARE(sink.commands(), QStringList());
        QCOMPARE(run.count(QStringLiteral("Checking if the app is active")), 0);
    }

    void shouldLetASecondNotifierEndAtOnce()
    {
        NotifierRun first;
        QVERIFY(startAndRead(first));
        NotifierRun second;
        QElapsedTimer timer;
        timer.start();
        QVERIFY(second.start());
        QCOMPARE(second.waitForExit(), 0);
        const qint64 elapsed = timer.elapsed();
        qInfo("second notifier ended after %lld ms", elapsed);
        QVERIFY2(elapsed < 5000, qPrintable(QString::number(elapsed)));
        QCOMPARE(second.count(QStringLiteral("Another instance of QuorvelNotifier found. Closing current process..")), 1);
        QVERIFY(first.isRunning());
        QVERIFY(probe());
    }

    void shouldWaitForAStartInProgress()
    {
        // What a notifier holds from its probe until it listens.
        QLockFile starting(QDir::tempPath() + QStringLiteral("/quorvel_notifier.lock"));
        QVERIFY(starting.tryLock(0));
        NotifierRun run;
        QVERIFY(run.start());
        QTest::qWait(1000);
        QVERIFY(run.isRunning());
        QVERIFY(!probe());
        starting.unlock();
        QVERIFY(run.waitForLog(QStringLiteral("Reading notification count: ")));
        QVERIFY(probe());
    }

    void shouldAnswerEveryProbe()
    {
        NotifierRun run;
        QVERIFY(startAndRead(run));
        for (int i = 0; i < 150; ++i)
            QVERIFY2(probe(), qPrintable(QStringLiteral("probe %1").arg(i)));
        QVERIFY(run.isRunning());
    }

    void shouldStartTheLauncherAndSendAgain()
    {
        // A notifier installed in the sandbox, so the test decides what the
        // "QuorvelMinimized" beside it does.
        const QString notifier = TestSandbox::root() + QStringLiteral("/install/QuorvelNotifier");
        QDir().mkpath(QFileInfo(notifier).absolutePath());
        QVERIFY(QFile::copy(NotifierRun::builtProgram(), notifier));
        const QString marker = TestSandbox::root() + QStringLiteral("/launcher-ran");
        writeScript(QFileInfo(notifier).absolutePath() + QStringLiteral("/QuorvelMinimized"),
                    "echo ran >> '" + marker.toUtf8() + "'\n");
        const QDateTime due = QDateTime::currentDateTime().addMSecs(1500);
        NtfContent::write(filePath(), NtfContent::entry(QStringLiteral("t5"), due));
        NotifierRun run(notifier);
        QVERIFY(startAndRead(run));

        QTRY_VERIFY_WITH_TIMEOUT(QFile::exists(marker), 20000);
        CommandSink sink;
        QVERIFY(sink.listen());
        QTRY_COMPARE_WITH_TIMEOUT(sink.commands().size(), 1, 20000);
        QCOMPARE(sink.commands().first(),
                 QStringLiteral("show_notification:") + NtfContent::key(QStringLiteral("t5"), QStringLiteral("DUEDATE"), due));
        QCOMPARE(run.count(QStringLiteral("Unable to connect to the Quorvel app")), 1);
        QCOMPARE(run.count(QStringLiteral("The Quorvel app has started successfully")), 1);
        QCOMPARE(NtfContent::readBytes(marker), QByteArray("ran\n"));
        QVERIFY(NtfContent::read(filePath()).isEmpty());
    }

    void shouldPrepareTheNotificationFile_data()
    {
        QTest::addColumn<bool>("oldFile");
        QTest::addColumn<bool>("newFile");
        QTest::newRow("neither") << false << false;
        QTest::newRow("old name only") << true << false;
        QTest::newRow("both names") << true << true;
    }

    void shouldPrepareTheNotificationFile()
    {
        QFETCH(bool, oldFile);
        QFETCH(bool, newFile);
        const QDateTime later = QDateTime::currentDateTime().addDays(3);
        const QVariantMap oldEntries = NtfContent::entry(QStringLiteral("old"), later);
        const QVariantMap newEntries = NtfContent::entry(QStringLiteral("new"), later);
        if (oldFile)
            NtfContent::write(dataDir() + QStringLiteral("/ntf.ini"), oldEntries);
        if (newFile)
            NtfContent::write(filePath(), newEntries);
        NotifierRun run;
        QVERIFY(startAndRead(run));

        QVERIFY(QFileInfo(filePath()).isFile());
        QCOMPARE(QFile::exists(dataDir() + QStringLiteral("/ntf.ini")), oldFile && newFile);
        QCOMPARE(NtfContent::read(filePath()), newFile ? newEntries : oldFile ? oldEntries : QVariantMap());
        QCOMPARE(run.count(QStringLiteral("Notification file not found. Trying to create it.")), oldFile || newFile ? 0 : 1);
        QCOMPARE(run.count(QStringLiteral("Timer has started.")), oldFile || newFile ? 1 : 0);
    }

    void shouldKeepEntriesAnotherProcessWritesMeanwhile()
    {
        NotifierRun run;
        QVERIFY(startAndRead(run));
        const int count = 150;
        QProcess writer;
        writer.setProcessEnvironment(TestSandbox::environment());
        writer.setProcessChannelMode(QProcess::ForwardedChannels);
        writer.start(AppProcess::binPath(QStringLiteral("ntf-writer")),
                     { filePath(), QStringLiteral("mixed"), QString::number(count) });
        QVERIFY(writer.waitForStarted());
        QTRY_VERIFY_WITH_TIMEOUT(writer.state() == QProcess::NotRunning, 60000);
        QCOMPARE(writer.exitCode(), 0);

        // Every past entry goes, every future one stays, none comes back.
        QTRY_VERIFY_WITH_TIMEOUT(NtfContent::read(filePath()).keys().filter(QRegularExpression("^p")).isEmpty(), 30000);
        const QStringList keys = NtfContent::read(filePath()).keys();
        QCOMPARE(keys.size(), count);
        QCOMPARE(keys.filter(QRegularExpression("^f\\d+_DUEDATE_")).size(), count);
        QVERIFY(run.waitForLog(QStringLiteral("Timer has started."), count));
        QCOMPARE(run.count(QStringLiteral("Unable to")), 0);
    }

    void shouldEndOrderlyWhenAskedTo()
    {
        NotifierRun run;
        QVERIFY(startAndRead(run));
        QCOMPARE(run.stop(), 0);
        QCOMPARE(run.count(QStringLiteral("Application has stopped with code 0")), 1);
        QVERIFY(QDir::temp().entryList({ "quorvel-notifier-*" }).isEmpty());
    }

    void shouldEndWhenItsFolderIsRemoved()
    {
        NotifierRun run;
        QVERIFY(startAndRead(run));
        // Made again at once, as a fresh start of Quorvel would: still another folder.
        QVERIFY(QDir(dataDir()).removeRecursively());
        NtfContent::write(filePath(), {});
        QCOMPARE(run.waitForExit(), 0);
        QVERIFY(!probe());
    }

    void shouldLetGoOfItsStartersOutput()
    {
        // Started through a pipe (a shell pipeline, a test runner), it must
        // not keep the reader waiting after the starter has ended.
        NotifierRun run;
        QVERIFY(startAndRead(run));
        for (const char *stream : { "0", "1", "2" }) {
            const QString target = QFile::symLinkTarget(QStringLiteral("/proc/%1/fd/%2").arg(run.pid()).arg(stream));
            QCOMPARE(target, QStringLiteral("/dev/null"));
        }
    }

    void launcherShouldStartQuorvelHiddenFromItsOwnFolder()
    {
        const QString folder = TestSandbox::root() + QStringLiteral("/opt");
        const QString arguments = TestSandbox::root() + QStringLiteral("/quorvel-arguments");
        QDir().mkpath(folder);
        QVERIFY(QFile::copy(AppProcess::binPath(QStringLiteral("QuorvelMinimized")), folder + "/QuorvelMinimized"));
        writeScript(folder + QStringLiteral("/Quorvel"), "echo \"$@\" > '" + arguments.toUtf8() + "'\n");
        const QString link = TestSandbox::root() + QStringLiteral("/bin/start-hidden");
        QDir().mkpath(QFileInfo(link).absolutePath());
        QVERIFY(QFile::link(folder + QStringLiteral("/QuorvelMinimized"), link));

        QCOMPARE(QProcess::execute(link, {}), 0);
        QCOMPARE(NtfContent::readBytes(arguments), QByteArray("--minimized\n"));
    }
};

QUORVEL_TEST_MAIN(TestNotifierProcess)
#include "tst_notifierprocess.moc"
