#include "NotifierRun.h"
#include "NtfContent.h"
#include "shell/AppPaths.h"
#include "support/AppProcess.h"
#include "support/HostileSettings.h"
#include "support/LogReader.h"
#include "support/TestMain.h"

#include <QCryptographicHash>
#include <QDir>
#include <QDirIterator>
#include <QElapsedTimer>
#include <QFile>
#include <QStandardPaths>

#include <unistd.h>

// The real Quorvel and the real QuorvelNotifier started on damaged and
// hostile files, and on a data folder they cannot write: they keep
// running, say in their log what they met, and lose no file.
class TestDamagedFiles : public QObject
{
    Q_OBJECT

private:
    static QByteArray readBytes(const QString& path)
    {
        QFile file(path);
        return file.open(QIODevice::ReadOnly) ? file.readAll() : QByteArray();
    }

    static void writeBytes(const QString& path, const QByteArray& bytes)
    {
        QDir().mkpath(QFileInfo(path).absolutePath());
        QFile file(path);
        QVERIFY(file.open(QIODevice::WriteOnly | QIODevice::Truncate));
        QCOMPARE(file.write(bytes), bytes.size());
    }

    static QStringList keptCopies(const QString& fileName)
    {
        return QDir(AppPaths::appDataDir())
            .entryList({ fileName + QStringLiteral(".damaged-*") }, QDir::Files);
    }

    // Whether the bytes still exist: as the file, or as a copy kept beside it.
    static bool preserved(const QString& fileName, const QByteArray& content)
    {
        if (readBytes(AppPaths::appDataFile(fileName)) == content)
            return true;
        for (const QString& copy : keptCopies(fileName)) {
            if (readBytes(AppPaths::appDataFile(copy)) == content)
                return true;
        }
        return false;
    }

    static void runOnce()
    {
        AppProcess app;
        QVERIFY(app.start());
        QVERIFY2(app.waitForReady(), qPrintable(AppProcess::logMessages().join('\n')));
        QCOMPARE(app.stop(), 0);
        TestSandbox::endStrayProcesses();
    }

    // Every file of the application data folder and its content's digest.
    static QMap<QString, QByteArray> digests()
    {
        QMap<QString, QByteArray> files;
        QDirIterator it(AppPaths::appDataDir(), QDir::Files | QDir::Hidden, QDirIterator::Subdirectories);
        while (it.hasNext()) {
            const QString path = it.next();
            files.insert(path, QCryptographicHash::hash(readBytes(path), QCryptographicHash::Sha256));
        }
        return files;
    }

private slots:
    void init() { TestSandbox::reset(); }

    void shouldStartWithUnsafeValuesInEveryFile_data()
    {
        QTest::addColumn<QString>("fileName");
        QTest::addColumn<QByteArray>("group");
        QTest::addColumn<QString>("logged");
        const QString screened = QStringLiteral(" held values that cannot be read safely");
        QTest::newRow("settings") << "settings.dat" << QByteArray() << screened;
        QTest::newRow("sync") << "sync.dat" << QByteArray("[Sync]\n") << screened;
        QTest::newRow("sorting") << "sorting.dat" << QByteArray() << screened;
        QTest::newRow("favorites") << "favorites.dat" << QByteArray() << screened;
        QTest::newRow("meta") << "meta.dat" << QByteArray() << screened;
        QTest::newRow("predefined objects") << "predefined_objects.dat" << QByteArray() << screened;
        QTest::newRow("repeated reminders") << "repeated_tasks_reminders.dat" << QByteArray() << screened;
        QTest::newRow("notifications")
            << "ntf.dat" << QByteArray() << QStringLiteral(" holds values that cannot be read safely");
    }

    void shouldStartWithUnsafeValuesInEveryFile()
    {
        QFETCH(QString, fileName);
        QFETCH(QByteArray, group);
        QFETCH(QString, logged);
        runOnce();
        const QByteArray content = group + "plain=1\n" + HostileSettings::lines(HostileSettings::values());
        writeBytes(AppPaths::appDataFile(fileName), content);

        AppProcess app;
        QVERIFY(app.start());
        QVERIFY2(app.waitForReady(), qPrintable(AppProcess::logMessages().join('\n')));
        const QString expected = AppPaths::appDataFile(fileName) + logged;
        QVERIFY2(AppProcess::logMessages().filter(expected).size() >= 1,
            qPrintable(AppProcess::logMessages().join('\n')));
        QVERIFY(preserved(fileName, content));
        QCOMPARE(app.stop(), 0);
    }

    // The notifier reads the file, and rewrites it to drop an overdue entry.
    void shouldKeepTheNotifierRunningOnUnsafeValues()
    {
        const QString overdue = NtfContent::key(
            QStringLiteral("t1"), QStringLiteral("DUEDATE"), QDateTime::currentDateTime().addSecs(-60));
        const QVariantMap entries
            = NtfContent::entry(QStringLiteral("t1"), QDateTime::currentDateTime().addSecs(-60));
        const QByteArray content
            = NtfContent::bytes(entries) + HostileSettings::lines(HostileSettings::values());
        writeBytes(NtfContent::filePath(), content);

        NotifierRun notifier;
        QVERIFY(notifier.start());
        QVERIFY(notifier.waitForLog(QStringLiteral("DateTime of the new notification is overdue")));
        QVERIFY(notifier.waitForLog(QStringLiteral("holds values that cannot be read safely")));
        QTRY_VERIFY_WITH_TIMEOUT(!NtfContent::read(NtfContent::filePath()).contains(overdue), 10000);
        QVERIFY(notifier.isRunning());
        // The rewrite took the unsafe entries out, after keeping the file aside.
        QVERIFY(!readBytes(NtfContent::filePath()).contains("hostile_"));
        QVERIFY(preserved(QStringLiteral("ntf.dat"), content));
        QCOMPARE(notifier.stop(), 0);
    }

    void shouldLogToStandardErrorWhenTheDataFolderIsReadOnly_data()
    {
        QTest::addColumn<bool>("unsafe");
        QTest::addColumn<QStringList>("expected");
        QTest::newRow("readable files") << false << QStringList();
        // Nothing can be repaired there: what cannot be read safely is read
        // from private copies, and nothing is written.
        QTest::newRow("unsafe values in the settings and the sync state")
            << true
            << QStringList { QStringLiteral("is read but not written this run"),
                   QStringLiteral("is read from a copy this run") };
    }

    void shouldLogToStandardErrorWhenTheDataFolderIsReadOnly()
    {
        QFETCH(bool, unsafe);
        QFETCH(QStringList, expected);
        runOnce();
        if (unsafe) {
            const QByteArray hostile = HostileSettings::lines(HostileSettings::fatalValues());
            writeBytes(AppPaths::settingsFile(), readBytes(AppPaths::settingsFile()) + hostile);
            writeBytes(AppPaths::appDataFile(QStringLiteral("sync.dat")),
                "[Sync]\nLastClientRevision=4\n" + hostile);
        }
        const QMap<QString, QByteArray> before = digests();
        QVERIFY(!before.isEmpty());

        const bool asRoot = ::geteuid() == 0;
        QString program = AppProcess::binPath(QStringLiteral("Quorvel"));
        QStringList arguments;
        if (asRoot && QStandardPaths::findExecutable(QStringLiteral("runuser")).isEmpty())
            QSKIP("Running as root without runuser, which would run the program as another user.");
        if (asRoot) {
            // Permissions do not stop root: the program runs as nobody, who
            // may read the sandbox but write nothing in the data folder.
            for (const QString& folder : { TestSandbox::root(), TestSandbox::home() })
                QFile::setPermissions(
                    folder, QFile::permissions(folder) | QFile::ExeOther | QFile::ReadOther);
            QDirIterator it(AppPaths::appDataDir(), QDir::AllEntries | QDir::NoDotAndDotDot,
                QDirIterator::Subdirectories);
            while (it.hasNext()) {
                const QString entry = it.next();
                const bool folder = QFileInfo(entry).isDir();
                QFile::setPermissions(entry,
                    QFile::permissions(entry) | QFile::ReadOther
                        | (folder ? QFile::ExeOther : QFile::Permissions()));
            }
            QFile::setPermissions(
                TestSandbox::root() + QStringLiteral("/tmp"), QFileDevice::Permissions(0x7777));
            arguments = QStringList { QStringLiteral("-u"), QStringLiteral("nobody"), QStringLiteral("--"),
                QStringLiteral("env"), QStringLiteral("HOME=") + TestSandbox::home(), program };
            program = QStringLiteral("runuser");
        } else {
            QDirIterator it(AppPaths::appDataDir(), QDir::AllEntries | QDir::NoDotAndDotDot,
                QDirIterator::Subdirectories);
            QStringList entries { AppPaths::appDataDir() };
            while (it.hasNext())
                entries.append(it.next());
            for (const QString& entry : entries)
                QFile::setPermissions(
                    entry, QFile::permissions(entry) & ~(QFile::WriteOwner | QFile::WriteUser));
        }

        AppProcess app(program);
        app.process().setProcessChannelMode(QProcess::SeparateChannels);
        QVERIFY(app.start(arguments));
        QByteArray errors;
        QElapsedTimer timer;
        timer.start();
        while (!errors.contains("Showing the window") && timer.elapsed() < 30000
            && app.process().state() != QProcess::NotRunning) {
            app.process().waitForReadyRead(200);
            errors += app.process().readAllStandardError();
        }
        const bool running = app.process().state() == QProcess::Running;
        app.stop();
        TestSandbox::endStrayProcesses();
        if (!asRoot) {
            QDirIterator it(AppPaths::appDataDir(), QDir::AllEntries | QDir::NoDotAndDotDot,
                QDirIterator::Subdirectories);
            QFile::setPermissions(
                AppPaths::appDataDir(), QFile::permissions(AppPaths::appDataDir()) | QFile::WriteOwner);
            while (it.hasNext()) {
                const QString entry = it.next();
                QFile::setPermissions(entry, QFile::permissions(entry) | QFile::WriteOwner);
            }
        }

        QVERIFY2(running, errors.right(3000).constData());
        QVERIFY2(errors.contains("logging to standard error"), errors.right(3000).constData());
        QVERIFY2(errors.contains("Connected to the database successfully."), errors.right(3000).constData());
        for (const QString& text : expected)
            QVERIFY2(errors.contains(text.toUtf8()), errors.right(3000).constData());
        QCOMPARE(digests(), before);
    }
};

QUORVEL_TEST_MAIN(TestDamagedFiles)
#include "tst_damagedfiles.moc"
