#include "logging/Logger.h"
#include "shell/AppUpdater.h"
#include "shell/Settings.h"
#include "support/LogReader.h"
#include "support/LoopbackHttpServer.h"
#include "support/TestMain.h"

#include <QDir>
#include <QFile>
#include <QFileInfo>
#include <QJsonDocument>
#include <QJsonObject>
#include <QSignalSpy>

Q_DECLARE_METATYPE(LoopbackHttpServer::Reply)

namespace {

using Reply = LoopbackHttpServer::Reply;

const QString SaveErrorText = QStringLiteral(
    "Unable to save downloaded file. Contact the application's support team for more information.");
const QString LaunchErrorText = QStringLiteral(
    "Unable to launch downloaded file. Contact the application's support team for more information.");
const QString SetupPath = QStringLiteral("/files/QuorvelSetup-1.16.10.run");

QByteArray updateInfo(const QString& version, const QString& url)
{
    const QJsonObject info { { QStringLiteral("version"), version },
        { QStringLiteral("description"), QStringLiteral("Faster sync") }, { QStringLiteral("url"), url } };
    return QJsonDocument(info).toJson();
}

// Not compressible into a pattern that would hide a shifted or dropped block.
QByteArray setupBytes(int size)
{
    QByteArray bytes(size, Qt::Uninitialized);
    quint32 state = 12345;
    for (char& byte : bytes) {
        state = state * 1103515245u + 12345u;
        byte = char(state >> 24);
    }
    return bytes;
}

QStringList setupFilesInTemp()
{
    return QDir(QDir::tempPath()).entryList({ QStringLiteral("QuorvelSetup*") }, QDir::Files | QDir::Hidden);
}

// The signals a check can end with, watched together.
struct CheckSpies
{
    explicit CheckSpies(AppUpdater* updater)
        : newVersion(updater, &AppUpdater::newVersionAvailable)
        , noUpdates(updater, &AppUpdater::noUpdatesAvailable)
        , networkError(updater, &AppUpdater::networkError)
    {
    }
    QSignalSpy newVersion;
    QSignalSpy noUpdates;
    QSignalSpy networkError;
};

} // namespace

class TestAppUpdater : public QObject
{
    Q_OBJECT

private:
    std::unique_ptr<LoopbackHttpServer> m_server;
    std::unique_ptr<AppUpdater> m_updater;
    QStringList m_opened;
    int m_quits = 0;
    bool m_openerAccepts = true;

    void useServer() { qputenv(AppUpdater::UpdateUrlVariable, m_server->url(QString()).toString().toUtf8()); }

    // Runs one check against the next queued reply and waits for its end.
    void runCheck(bool force)
    {
        m_updater->check(force);
        QVERIFY(m_updater->isChecking());
        QTRY_VERIFY(!m_updater->isChecking());
    }

    // Publishes version 1.16.10 through a forced check; the setup program's
    // download gets the given reply.
    void publishSetup(Reply download)
    {
        // Binary, as a setup program is: the server would compress text.
        download.contentType = "application/octet-stream";
        m_server->enqueue(
            Reply::json(updateInfo(QStringLiteral("1.16.10"), m_server->url(SetupPath).toString())));
        runCheck(true);
        QCOMPARE(m_updater->version(), QStringLiteral("1.16.10"));
        m_server->enqueue(download);
    }

private slots:
    void initTestCase()
    {
        QVERIFY(Logging::Logger::instance().setFileDestination(
            TestSandbox::root() + QStringLiteral("/log/tst_appupdater.log")));
        Settings::instance()->setApplicationLanguage(QStringLiteral("en"));
    }

    void init()
    {
        Settings::instance()->setIgnoreUpdateVersion(QString());
        for (const QString& name : setupFilesInTemp())
            QFile::remove(QDir(QDir::tempPath()).filePath(name));
        m_server = std::make_unique<LoopbackHttpServer>();
        QVERIFY(m_server->start());
        useServer();
        m_updater = std::make_unique<AppUpdater>();
        m_opened.clear();
        m_quits = 0;
        m_openerAccepts = true;
        m_updater->setFileOpener([this](const QString& path) {
            m_opened.append(path);
            return m_openerAccepts;
        });
        m_updater->setQuitFunction([this] { ++m_quits; });
        m_updater->setProxyCredentialsAsker([](const QString&) { return QVariantMap(); });
    }

    void cleanup()
    {
        m_updater.reset();
        m_server.reset();
        qunsetenv(AppUpdater::UpdateUrlVariable);
    }

    void shouldCompareVersionsByNumericParts_data()
    {
        QTest::addColumn<QString>("published");
        QTest::addColumn<bool>("force");
        QTest::addColumn<bool>("newer");
        QTest::addColumn<bool>("noUpdates");
        QTest::newRow("1.16.10 forced") << "1.16.10" << true << true << false;
        QTest::newRow("1.16.10 unforced") << "1.16.10" << false << true << false;
        QTest::newRow("2") << "2" << false << true << false;
        QTest::newRow("1.16.3.1") << "1.16.3.1" << false << true << false;
        QTest::newRow("equal forced") << "1.16.3" << true << false << true;
        QTest::newRow("equal unforced") << "1.16.3" << false << false << false;
        QTest::newRow("1.16 forced") << "1.16" << true << false << true;
        QTest::newRow("1.9.9 forced") << "1.9.9" << true << false << true;
    }
    void shouldCompareVersionsByNumericParts()
    {
        QFETCH(QString, published);
        QFETCH(bool, force);
        QFETCH(bool, newer);
        QFETCH(bool, noUpdates);
        CheckSpies spies(m_updater.get());
        QSignalSpy versionChanged(m_updater.get(), &AppUpdater::versionChanged);
        m_server->enqueue(Reply::json(updateInfo(published, QStringLiteral("https://example.com/s.run"))));
        runCheck(force);

        QCOMPARE(m_server->lastRequest().path, QByteArray("/linux/update/en.txt"));
        QCOMPARE(spies.newVersion.count(), newer ? 1 : 0);
        QCOMPARE(spies.noUpdates.count(), noUpdates ? 1 : 0);
        QCOMPARE(spies.networkError.count(), 0);
        QCOMPARE(m_updater->version(), published);
        QCOMPARE(versionChanged.count(), 1);
        QCOMPARE(m_updater->description(), QStringLiteral("Faster sync"));
    }

    void shouldSkipIgnoredVersionUnlessForced()
    {
        CheckSpies spies(m_updater.get());
        const QByteArray info
            = updateInfo(QStringLiteral("1.16.10"), QStringLiteral("https://example.com/s.run"));
        m_server->enqueue(Reply::json(info));
        runCheck(false);
        m_updater->ignore();
        QCOMPARE(Settings::instance()->ignoreUpdateVersion(), QStringLiteral("1.16.10"));

        m_server->enqueue(Reply::json(info));
        runCheck(false);
        QCOMPARE(spies.newVersion.count(), 1);
        m_server->enqueue(Reply::json(info));
        runCheck(true);
        QCOMPARE(spies.newVersion.count(), 2);
    }

    void shouldReportNetworkErrorOnlyWhenForced_data()
    {
        QTest::addColumn<Reply>("reply");
        QTest::addColumn<bool>("force");
        QTest::newRow("dropped, forced") << Reply::drop() << true;
        QTest::newRow("dropped, unforced") << Reply::drop() << false;
        QTest::newRow("not found, forced") << Reply::text("missing", 404) << true;
        QTest::newRow("not found, unforced") << Reply::text("missing", 404) << false;
    }
    void shouldReportNetworkErrorOnlyWhenForced()
    {
        QFETCH(Reply, reply);
        QFETCH(bool, force);
        CheckSpies spies(m_updater.get());
        m_server->enqueue(reply);
        runCheck(force);
        QCOMPARE(spies.networkError.count(), force ? 1 : 0);
        QCOMPARE(spies.newVersion.count() + spies.noUpdates.count(), 0);
    }

    void shouldIgnoreMalformedUpdateInfo_data()
    {
        QTest::addColumn<QByteArray>("body");
        const QByteArray url = "\"url\": \"https://example.com/s.run\"";
        QTest::newRow("not JSON") << QByteArray("version=1.16.10");
        QTest::newRow("array") << QByteArray("[\"1.16.10\"]");
        QTest::newRow("no version") << QByteArray("{\"description\": \"x\", " + url + "}");
        QTest::newRow("numeric version")
            << QByteArray("{\"version\": 2, \"description\": \"x\", " + url + "}");
        QTest::newRow("no url") << QByteArray("{\"version\": \"1.16.10\", \"description\": \"x\"}");
        QTest::newRow("description object")
            << QByteArray("{\"version\": \"1.16.10\", \"description\": {}, " + url + "}");
        QTest::newRow("version of words")
            << QByteArray("{\"version\": \"latest\", \"description\": \"x\", " + url + "}");
        QTest::newRow("setup over plain HTTP") << updateInfo("1.16.10", "http://example.com/s.run");
        QTest::newRow("relative setup address") << updateInfo("1.16.10", "s.run");
        QJsonObject huge
            = QJsonDocument::fromJson(updateInfo("1.16.10", "https://example.com/s.run")).object();
        huge.insert(QStringLiteral("description"), QString(1100 * 1024, QLatin1Char('x')));
        QTest::newRow("over 1 MiB") << QJsonDocument(huge).toJson();
    }
    void shouldIgnoreMalformedUpdateInfo()
    {
        QFETCH(QByteArray, body);
        CheckSpies spies(m_updater.get());
        Logging::Logger::instance().flush();
        const qint64 logStart = QFileInfo(Logging::Logger::instance().filePath()).size();
        m_server->enqueue(Reply::json(body));
        runCheck(true);

        QCOMPARE(spies.newVersion.count() + spies.noUpdates.count() + spies.networkError.count(), 0);
        QCOMPARE(m_updater->version(), QString());
        Logging::Logger::instance().flush();
        const QStringList log
            = LogReader::levelsAndMessages(Logging::Logger::instance().filePath(), logStart);
        QCOMPARE(log.filter(QStringLiteral("WARN Ignored the update information")).size(), 1);
    }

    void shouldDownloadSetupThenOpenItAndQuit_data()
    {
        QTest::addColumn<bool>("openerAccepts");
        QTest::newRow("opened") << true;
        QTest::newRow("refused") << false;
    }
    void shouldDownloadSetupThenOpenItAndQuit()
    {
        QFETCH(bool, openerAccepts);
        m_openerAccepts = openerAccepts;
        const QByteArray bytes = setupBytes(3 * 1024 * 1024 + 17);
        publishSetup(Reply::text(bytes));
        QSignalSpy progress(m_updater.get(), &AppUpdater::downloadProgressChanged);
        QSignalSpy errors(m_updater.get(), &AppUpdater::error);
        m_updater->startDownload();
        QTRY_VERIFY(!m_updater->isDownloading());

        QVERIFY(progress.count() >= 3);
        QCOMPARE(progress.first().first().toInt(), 0);
        QCOMPARE(progress.at(progress.count() - 2).first().toInt(), 100);
        QCOMPARE(progress.last().first().toInt(), -1);
        for (int i = 1; i < progress.count() - 1; ++i)
            QVERIFY(progress.at(i).first().toInt() >= progress.at(i - 1).first().toInt());

        const QString path = QDir(QDir::tempPath()).filePath(QStringLiteral("QuorvelSetup-1.16.10.run"));
        QCOMPARE(m_opened, QStringList { path });
        QCOMPARE(m_quits, openerAccepts ? 1 : 0);
        QCOMPARE(errors.count(), openerAccepts ? 0 : 1);
        if (!openerAccepts)
            QCOMPARE(errors.first().first().toString(), LaunchErrorText);
        QFile file(path);
        QVERIFY(file.open(QIODevice::ReadOnly));
        QVERIFY(file.readAll() == bytes);
        QCOMPARE(
            file.permissions() & ~(QFileDevice::ReadUser | QFileDevice::WriteUser | QFileDevice::ExeUser),
            QFileDevice::ReadOwner | QFileDevice::WriteOwner | QFileDevice::ExeOwner);
    }

    // Stopped by the user: quiet. Cut off by the network: an error. Neither
    // leaves a file behind that could be taken for the setup program.
    void shouldEndInterruptedDownloadWithoutFile_data()
    {
        QTest::addColumn<bool>("stop");
        QTest::newRow("stopped") << true;
        QTest::newRow("cut off") << false;
    }
    void shouldEndInterruptedDownloadWithoutFile()
    {
        QFETCH(bool, stop);
        const QByteArray bytes = setupBytes(1024 * 1024);
        publishSetup(stop ? Reply::hang() : Reply::cutOff(bytes, 256 * 1024));
        QSignalSpy networkError(m_updater.get(), &AppUpdater::networkError);
        m_updater->startDownload();
        if (stop) {
            QVERIFY(m_server->waitForRequests(2));
            m_updater->stopDownload();
        }
        QTRY_VERIFY(!m_updater->isDownloading());
        QCoreApplication::processEvents();

        QCOMPARE(networkError.count(), stop ? 0 : 1);
        QCOMPARE(m_updater->downloadProgress(), -1);
        QCOMPARE(setupFilesInTemp(), QStringList());
        QVERIFY(m_opened.isEmpty());
    }

    void shouldReportUnwritableTempFolder()
    {
        const QByteArray bytes = setupBytes(1024);
        publishSetup(Reply::text(bytes));
        const QByteArray sandboxTemp = qgetenv("TMPDIR");
        // A file where the folder should be: not even root can write into it.
        const QString notAFolder = TestSandbox::home() + QStringLiteral("/not-a-folder");
        QFile blocker(notAFolder);
        QVERIFY(blocker.open(QIODevice::WriteOnly));
        blocker.close();
        qputenv("TMPDIR", notAFolder.toUtf8());
        QSignalSpy errors(m_updater.get(), &AppUpdater::error);
        m_updater->startDownload();
        QTRY_VERIFY(!m_updater->isDownloading());
        qputenv("TMPDIR", sandboxTemp);

        QCOMPARE(errors.count(), 1);
        QCOMPARE(errors.first().first().toString(), SaveErrorText);
        QCOMPARE(m_updater->downloadProgress(), -1);
        QVERIFY(m_opened.isEmpty());
        QCOMPARE(QFileInfo(notAFolder).size(), 0);
        QCOMPARE(setupFilesInTemp(), QStringList());
    }

    // The name comes from the server and lands in a shared folder.
    void shouldSaveSetupUnderPlainNameOnly_data()
    {
        QTest::addColumn<QString>("url");
        QTest::addColumn<QString>("name");
        QTest::newRow("plain") << "https://e.com/d/QuorvelSetup-1.16.10.run?s=1"
                               << "QuorvelSetup-1.16.10.run";
        QTest::newRow("no name") << "https://e.com/d/"
                                 << "QuorvelSetup";
        QTest::newRow("hidden") << "https://e.com/.bashrc"
                                << "QuorvelSetup";
        QTest::newRow("encoded parent") << "https://e.com/d/%2E%2E"
                                        << "QuorvelSetup";
        QTest::newRow("encoded slash") << "https://e.com/d/..%2F..%2Fx"
                                       << "x";
        QTest::newRow("shell characters") << "https://e.com/a;rm%20-rf%20~"
                                          << "QuorvelSetup";
    }
    void shouldSaveSetupUnderPlainNameOnly()
    {
        QFETCH(QString, url);
        QFETCH(QString, name);
        QCOMPARE(AppUpdater::setupFilePath(QUrl(url)), QDir(QDir::tempPath()).filePath(name));
    }

    void shouldRequestNothingWithoutAddress()
    {
        qunsetenv(AppUpdater::UpdateUrlVariable);
        if (AppUpdater::updateInfoUrl(QStringLiteral("en")).isValid())
            QSKIP("This build has a built-in update address");
        CheckSpies spies(m_updater.get());
        m_updater->check(true);
        QVERIFY(!m_updater->isChecking());
        QTest::qWait(100);
        QCOMPARE(m_server->requestCount(), 0);
        QCOMPARE(spies.newVersion.count() + spies.noUpdates.count() + spies.networkError.count(), 0);
    }

    // Qt never sends loopback requests through a proxy, so the site itself
    // answers as a proxy would: the challenge must reach the asker and its
    // answer must go out with the retry.
    void shouldAnswerProxyChallengeThroughAsker()
    {
        int asked = 0;
        m_updater->setProxyCredentialsAsker([&asked](const QString&) {
            ++asked;
            return QVariantMap { { QStringLiteral("username"), QStringLiteral("dan") },
                { QStringLiteral("password"), QStringLiteral("pw") } };
        });
        m_server->enqueue(
            Reply::text("auth", 407).withHeader("Proxy-Authenticate", "Basic realm=\"office\""));
        m_server->enqueue(
            Reply::json(updateInfo(QStringLiteral("1.16.10"), QStringLiteral("https://e.com/s"))));
        CheckSpies spies(m_updater.get());
        runCheck(true);

        QCOMPARE(asked, 1);
        QCOMPARE(spies.newVersion.count(), 1);
        QCOMPARE(m_server->lastRequest().header("Proxy-Authorization"), QByteArray("Basic ZGFuOnB3"));
    }
};

QUORVEL_TEST_MAIN(TestAppUpdater)
#include "tst_appupdater.moc"
