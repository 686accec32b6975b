#include "NtfContent.h"
#include "common/WatchedFile.h"
#include "core/NotificationFile.h"
#include "support/AppProcess.h"
#include "support/TestMain.h"

#include <QFile>
#include <QProcess>
#include <QSignalSpy>

// Following the notification file while another process rewrites it through
// QSettings (write a new file, rename it over the old one) as fast as it can.
class TestWatchedFile : public QObject
{
    Q_OBJECT

private:
    static QString folder() { return QFileInfo(NtfContent::filePath()).absolutePath(); }

private slots:
    void init() { TestSandbox::reset(); }

    void shouldSeeEveryRewriteUpToTheLast()
    {
        NtfContent::write(NtfContent::filePath(), { { QStringLiteral("counter"), 0 } });
        WatchedFile watch(NtfContent::filePath());
        NotificationFile file(NtfContent::filePath());
        QList<int> seen;
        connect(&watch, &WatchedFile::changed, this,
                [&] { seen << file.read().entries.value(QStringLiteral("counter")).toInt(); });

        QProcess writer;
        writer.setProcessEnvironment(TestSandbox::environment());
        writer.setProcessChannelMode(QProcess::ForwardedChannels);
        writer.start(AppProcess::binPath(QStringLiteral("ntf-writer")),
                     { NtfContent::filePath(), QStringLiteral("counter"), QStringLiteral("1000") });
        QVERIFY(writer.waitForStarted());
        QTRY_VERIFY_WITH_TIMEOUT(writer.state() == QProcess::NotRunning, 60000);
        QCOMPARE(writer.exitCode(), 0);

        QTRY_VERIFY_WITH_TIMEOUT(!seen.isEmpty() && seen.last() == 1000, 10000);
        for (int i = 1; i < seen.size(); ++i)
            QVERIFY2(seen.at(i) >= seen.at(i - 1), qPrintable(QStringLiteral("read %1 after %2").arg(seen.at(i)).arg(seen.at(i - 1))));
        qInfo("%d reads for 1000 rewrites", int(seen.size()));
    }

    void shouldStayQuietForOtherFilesInTheFolder()
    {
        NtfContent::write(NtfContent::filePath(), { { QStringLiteral("a"), 1 } });
        WatchedFile watch(NtfContent::filePath());
        QSignalSpy changed(&watch, &WatchedFile::changed);

        NtfContent::write(folder() + QStringLiteral("/settings.dat"), { { QStringLiteral("x"), 1 } });
        QFile lock(NtfContent::filePath() + QStringLiteral(".lock"));
        QVERIFY(lock.open(QIODevice::WriteOnly));
        lock.write("1");
        lock.close();
        QVERIFY(QFile::rename(folder() + QStringLiteral("/settings.dat"), folder() + QStringLiteral("/other.dat")));
        QVERIFY(lock.remove());
        QTest::qWait(500);
        QCOMPARE(changed.count(), 0);

        // Still awake: the file itself, replaced and then deleted, is news.
        NtfContent::write(NtfContent::filePath(), { { QStringLiteral("a"), 2 } });
        QTRY_VERIFY(changed.count() >= 1);
        const int afterRewrite = changed.count();
        QVERIFY(QFile::remove(NtfContent::filePath()));
        QTRY_VERIFY(changed.count() > afterRewrite);
    }
};

QUORVEL_TEST_MAIN(TestWatchedFile)
#include "tst_watchedfile.moc"
