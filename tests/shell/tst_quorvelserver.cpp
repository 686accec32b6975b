#include "shell/AppInfo.h"
#include "shell/QuorvelServer.h"
#include "support/TestMain.h"

#include <QDir>
#include <QFile>
#include <QLocalServer>
#include <QLocalSocket>
#include <QSignalSpy>

#ifdef Q_OS_UNIX
#include <sys/socket.h>
#include <sys/un.h>
#include <unistd.h>
#endif

class TestQuorvelServer : public QObject
{
    Q_OBJECT

private:
    static void send(const QByteArray &command)
    {
        QLocalSocket socket;
        socket.connectToServer(AppInfo::serverName());
        QVERIFY(socket.waitForConnected(1000));
        socket.write(command);
        QVERIFY(socket.waitForBytesWritten(1000));
        socket.disconnectFromServer();
    }

private slots:
    void cleanup() { QLocalServer::removeServer(AppInfo::serverName()); }

    void shouldAskForTheWindowOnExactCommand()
    {
        QuorvelServer server;
        QVERIFY(server.listen());
        QSignalSpy spy(&server, &QuorvelServer::showAppWindowRequested);
        send("show_app_window");
        QVERIFY(spy.wait(2000));
        QCOMPARE(spy.count(), 1);
    }

    void shouldIgnoreAnythingElse_data()
    {
        QTest::addColumn<QByteArray>("command");
        QTest::newRow("with line break") << QByteArray("show_app_window\n");
        QTest::newRow("upper case") << QByteArray("SHOW_APP_WINDOW");
        QTest::newRow("prefix") << QByteArray("show_app_win");
        QTest::newRow("notification without key") << QByteArray("show_notification:abc");
        QTest::newRow("binary") << QByteArray("\x00\xff\xfe", 3);
    }

    void shouldIgnoreAnythingElse()
    {
        QFETCH(QByteArray, command);
        QuorvelServer server;
        QVERIFY(server.listen());
        QSignalSpy spy(&server, &QuorvelServer::showAppWindowRequested);
        send(command);
        // A valid command afterwards proves the server is still serving and
        // that the ignored one caused nothing in between.
        send("show_app_window");
        QVERIFY(spy.wait(2000));
        QCOMPARE(spy.count(), 1);
    }

    void shouldTakeOverTheSocketOfACrashedInstance()
    {
#ifdef Q_OS_UNIX
        // A killed instance leaves its socket file behind: bound, never removed.
        const QByteArray path = QFile::encodeName(QDir::tempPath() + QLatin1Char('/') + AppInfo::serverName());
        const int fd = ::socket(AF_UNIX, SOCK_STREAM, 0);
        QVERIFY(fd >= 0);
        sockaddr_un address = {};
        address.sun_family = AF_UNIX;
        qstrncpy(address.sun_path, path.constData(), sizeof(address.sun_path));
        QCOMPARE(::bind(fd, reinterpret_cast<sockaddr *>(&address), sizeof(address)), 0);
        ::close(fd);
        QVERIFY(QFile::exists(QString::fromLocal8Bit(path)));
#endif
        QuorvelServer server;
        QVERIFY(server.listen());
        QSignalSpy spy(&server, &QuorvelServer::showAppWindowRequested);
        send("show_app_window");
        QVERIFY(spy.wait(2000));
    }

    void shouldLetOnlyItsOwnUserConnect()
    {
        QuorvelServer server;
        QVERIFY(server.listen());
        QLocalSocket probe;
        probe.connectToServer(AppInfo::serverName());
        QVERIFY(probe.waitForConnected(1000));
        const QString path = probe.fullServerName();
        probe.disconnectFromServer();
#ifdef Q_OS_UNIX
        const QFile::Permissions others = QFile::ReadOther | QFile::WriteOther | QFile::ReadGroup | QFile::WriteGroup;
        QCOMPARE(QFile::permissions(path) & others, QFile::Permissions());
#else
        Q_UNUSED(path)
#endif
    }

    void shouldFindARunningInstanceOnlyWhenOneListens()
    {
        QVERIFY(!QuorvelServer::notifyRunningInstance(300));
        QuorvelServer server;
        QVERIFY(server.listen());
        QSignalSpy spy(&server, &QuorvelServer::showAppWindowRequested);
        QVERIFY(QuorvelServer::notifyRunningInstance(300));
        QVERIFY(spy.wait(2000));
    }
};

QUORVEL_TEST_MAIN(TestQuorvelServer)
#include "tst_quorvelserver.moc"
