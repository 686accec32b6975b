// A real Quorvel store syncing with the real quorvel-syncd while things go
// wrong under it: the device killed again and again in the middle of an
// upload, and a disk that fills up in the middle of a download.

#include "HttpCall.h"
#include "SyncdDevice.h"
#include "SyncdProcess.h"
#include "support/TestMain.h"
#include "sync/SyncHandler.h"

#include <QDir>
#include <QElapsedTimer>
#include <QNetworkAccessManager>
#include <QSet>
#include <QThread>

namespace {
const QString Password = QStringLiteral("5f4dcc3b5aa765d61d8327deb882cf99");
}

class TestSyncdInterrupted : public QObject
{
    Q_OBJECT

private:
    SyncdProcess m_server;
    QNetworkAccessManager m_manager;
    int m_accounts = 0;

    QString newAccount()
    {
        HttpCall http(&m_manager);
        const QString login = QStringLiteral("interrupted%1@example.org").arg(++m_accounts);
        const HttpCall::SyncAnswer answer = http.sync(m_server.syncUrl(), "register_user",
            { { "VERSION", "1.16.3" }, { "LOGIN", login }, { "PASS", Password } });
        return answer.status == 0 ? login : QString();
    }

    // The create_task requests the server has logged: all, and those it
    // took; and all update_task requests.
    int createRequests(int* accepted = nullptr, int* updates = nullptr) const
    {
        int all = 0;
        int taken = 0;
        int updated = 0;
        for (const QString& line : m_server.logLines()) {
            if (line.contains(QLatin1String("Request POST update_task ")))
                ++updated;
            if (!line.contains(QLatin1String("Request POST create_task ")))
                continue;
            ++all;
            if (line.contains(QLatin1String(" status=0 ")))
                ++taken;
        }
        if (accepted)
            *accepted = taken;
        if (updates)
            *updates = updated;
        return all;
    }

    bool waitForCreateRequests(int count, int timeoutMs) const
    {
        QElapsedTimer timer;
        timer.start();
        while (createRequests() < count) {
            if (timer.elapsed() > timeoutMs)
                return false;
            QThread::msleep(5);
        }
        return true;
    }

    static QStringList taskNames(SyncdDevice& device, const QString& prefix, bool syncedOnly)
    {
        QStringList names;
        for (const QJsonValue& value : device.dump()) {
            const QJsonObject row = value.toObject();
            const bool synced = row.value("synced").toInt() == 1 && row.value("local").toInt() == 0;
            if (row.value("kind").toString() == QLatin1String("task")
                && row.value("name").toString().startsWith(prefix) && (synced || !syncedOnly))
                names.append(row.value("name").toString());
        }
        return names;
    }

private slots:
    void initTestCase()
    {
        QVERIFY(QFile::exists(SyncdDevice::program()));
        QVERIFY(m_server.start());
    }

    void cleanupTestCase() { QCOMPARE(m_server.stop(), 0); }

    // Accepted objects are marked as synchronised as the upload goes, so a
    // device killed in the middle of one starts again where it stopped: no
    // task goes to the server as new twice, beyond the few of each cut.
    void shouldSendEachTaskOnceThoughKilledDuringTheUpload()
    {
        const int Tasks = 300;
        const int Kills = 4;
        const QString login = newAccount();
        QVERIFY(!login.isEmpty());
        const QStringList environment { QStringLiteral("QUORVEL_DEVICE_ROOT=") + QDir::tempPath()
            + QStringLiteral("/killed-device") };
        {
            SyncdDevice device;
            QVERIFY(device.start(m_server.syncUrl(), login, Password, environment));
            for (int i = 1; i <= Tasks; ++i)
                QVERIFY2(!device.task(QStringLiteral("upload-%1").arg(i, 3, 10, QLatin1Char('0'))).isNull(),
                    qPrintable(device.lastError()));
            device.stop();
        }

        int kills = 0;
        for (int round = 0; round < Kills; ++round) {
            SyncdDevice device;
            QVERIFY(device.start(m_server.syncUrl(), login, Password, environment));
            const int before = createRequests();
            QVERIFY2(!device.command(QStringLiteral("syncstart")).isNull(), qPrintable(device.lastError()));
            // Killed once it is well into the list.
            if (!waitForCreateRequests(before + 35, 60000))
                break;
            device.kill();
            ++kills;
        }
        QVERIFY(kills > 0);

        SyncdDevice device;
        QVERIFY(device.start(m_server.syncUrl(), login, Password, environment));
        QVERIFY(device.sync());
        QVERIFY(device.sync());
        QCOMPARE(taskNames(device, QStringLiteral("upload-"), true).size(), Tasks);

        int accepted = 0;
        int updates = 0;
        const int creates = createRequests(&accepted, &updates);
        QCOMPARE(accepted, Tasks);
        // At most the objects of an unfinished batch, and the one on its way,
        // are sent again after each kill - as new, or (when the download
        // brought them back as known) as updates.
        const int again = creates + updates - Tasks;
        QVERIFY2(again <= kills * (SyncHandler::UploadBatchSize + 1),
            qPrintable(QStringLiteral("%1 creates and %2 updates for %3 tasks after %4 kills")
                           .arg(creates)
                           .arg(updates)
                           .arg(Tasks)
                           .arg(kills)));

        // The server holds each task once.
        SyncdDevice other;
        QVERIFY(other.start(m_server.syncUrl(), login, Password));
        QVERIFY(other.sync());
        const QStringList names = taskNames(other, QStringLiteral("upload-"), true);
        QCOMPARE(names.size(), Tasks);
        QCOMPARE(QSet<QString>(names.cbegin(), names.cend()).size(), Tasks);
    }

    // The device's data folder is a small file system of its own that the
    // download fills: nothing of the merge may stay, the log must not report
    // a second, spurious fault, and the device goes on.
    void shouldKeepNothingOfAMergeThatFillsTheDisk()
    {
        QProcess probe;
        probe.start(QStringLiteral("unshare"),
            { QStringLiteral("-r"), QStringLiteral("-m"), QStringLiteral("true") });
        if (!probe.waitForFinished(10000) || probe.exitStatus() != QProcess::NormalExit
            || probe.exitCode() != 0)
            QSKIP("No mount namespace can be made here for a small file system (unshare -r -m).");

        const QString login = newAccount();
        QVERIFY(!login.isEmpty());
        {
            SyncdDevice filler;
            QVERIFY(filler.start(m_server.syncUrl(), login, Password));
            for (int i = 1; i <= 200; ++i)
                QVERIFY(!filler.task(QStringLiteral("fill-%1-").arg(i) + QString(900, QLatin1Char('x')))
                             .isNull());
            QVERIFY(filler.sync());
        }

        const QString root = QDir::tempPath() + QStringLiteral("/full-device");
        const QString data = root + QStringLiteral("/home/.local/share/Velmora/Quorvel");
        const QString logs = root + QStringLiteral("/logs-outside");
        QVERIFY(QDir().mkpath(data) && QDir().mkpath(logs));
        // 128 KiB for the data folder; the log lives outside it, so that it
        // can tell what happened.
        const QString script = QStringLiteral(
            "mount -t tmpfs -o size=128k tmpfs \"$1\" && ln -s \"$2\" \"$1/logs\" && shift 2 && exec \"$@\"");
        SyncdDevice device;
        device.setWrapper({ QStringLiteral("unshare"), QStringLiteral("-r"), QStringLiteral("-m"),
            QStringLiteral("sh"), QStringLiteral("-c"), script, QStringLiteral("sh"), data, logs });
        QVERIFY2(device.start(
                     m_server.syncUrl(), login, Password, { QStringLiteral("QUORVEL_DEVICE_ROOT=") + root }),
            qPrintable(device.lastError()));

        device.sync();
        QVERIFY(!device.command(QStringLiteral("now")).isNull());
        QCOMPARE(taskNames(device, QStringLiteral("fill-"), false), QStringList());
        QFile log(logs + QStringLiteral("/qv_log.dat"));
        QVERIFY(log.open(QIODevice::ReadOnly));
        const QString text = QString::fromUtf8(log.readAll());
        QVERIFY2(text.contains(QStringLiteral("database or disk is full")), qPrintable(text.right(3000)));
        QVERIFY2(text.contains(QStringLiteral("none of them were kept")), qPrintable(text.right(3000)));
        QVERIFY2(!text.contains(QStringLiteral("no transaction is active")), qPrintable(text.right(3000)));
        device.stop();
    }
};

QUORVEL_TEST_MAIN(TestSyncdInterrupted)
#include "tst_syncdinterrupted.moc"
