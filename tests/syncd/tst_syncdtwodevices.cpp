// Two real Quorvel stores, each in a process and home of its own, sync
// through the real quorvel-syncd.

#include "HttpCall.h"
#include "SyncdDevice.h"
#include "SyncdProcess.h"
#include "support/TestMain.h"

#include <QNetworkAccessManager>

namespace {
const QString Password = QStringLiteral("5f4dcc3b5aa765d61d8327deb882cf99");
}

class TestSyncdTwoDevices : public QObject
{
    Q_OBJECT

private:
    SyncdProcess m_server;
    QNetworkAccessManager m_manager;
    int m_accounts = 0;

    QString newAccount()
    {
        HttpCall http(&m_manager);
        const QString login = QStringLiteral("devices%1@example.org").arg(++m_accounts);
        const HttpCall::SyncAnswer answer = http.sync(m_server.syncUrl(), "register_user",
            { { "VERSION", "1.16.3" }, { "LOGIN", login }, { "PASS", Password } });
        return answer.status == 0 ? login : QString();
    }

    // Both devices signed in to a fresh account, and synced once.
    bool pair(SyncdDevice& first, SyncdDevice& second)
    {
        const QString login = newAccount();
        return !login.isEmpty() && first.start(m_server.syncUrl(), login, Password)
            && second.start(m_server.syncUrl(), login, Password) && first.sync() && second.sync();
    }

private slots:
    void initTestCase()
    {
        QVERIFY(QFile::exists(SyncdDevice::program()));
        QVERIFY(m_server.start());
    }

    void cleanupTestCase()
    {
        QCOMPARE(m_server.stop(), 0);
    }

    void shouldBringATaskToTheOtherDeviceAndItsCompletionBack()
    {
        SyncdDevice ann, bob;
        QVERIFY(pair(ann, bob));
        const QString task = ann.task("write-report");
        QVERIFY2(!task.isEmpty(), qPrintable(ann.lastError()));
        QVERIFY(ann.sync());
        QVERIFY(bob.sync());
        const QJsonObject onBob = bob.row(task);
        QCOMPARE(onBob.value("name").toString(), QStringLiteral("write-report"));
        QCOMPARE(onBob.value("state").toInt(), 0);
        // Both devices keep it in the same (the server's) QuorvelBox.
        QCOMPARE(onBob.value("parent"), ann.row(task).value("parent"));

        QVERIFY2(!bob.command("complete " + task).isNull(), qPrintable(bob.lastError()));
        QVERIFY(!bob.command("confirm task " + task).isNull());
        QVERIFY(bob.sync());
        QVERIFY(ann.sync());
        QCOMPARE(ann.row(task).value("state").toInt(), 2);
        QCOMPARE(ann.row(task).value("synced").toInt(), 1);
    }

    void shouldClearADeletedContextOnTheOtherDevicesTasks()
    {
        SyncdDevice ann, bob;
        QVERIFY(pair(ann, bob));
        const QString context = ann.command("context at-home");
        const QString task = ann.task("water-plants", "inbox", context);
        QVERIFY(!task.isEmpty());
        QVERIFY(ann.sync());
        QVERIFY(bob.sync());
        QCOMPARE(bob.row(task).value("context").toString(), context);

        QVERIFY(!ann.command("delete context " + context).isNull());
        QVERIFY(!ann.command("confirm context " + context).isNull());
        QVERIFY(ann.sync());
        QVERIFY(bob.sync());
        QCOMPARE(bob.row(context).value("state").toInt(), 1);
        QCOMPARE(bob.row(task).value("context").toString(), QString());
        QCOMPARE(bob.row(task).value("state").toInt(), 0);
    }

    // A delete or complete inside its undo time is not the user's yet: a
    // sync that runs meanwhile must not send it, and whatever the user then
    // decides, the server and both devices agree.
    void shouldSendNothingTheUserHasNotConfirmed_data()
    {
        QTest::addColumn<QString>("change");
        QTest::addColumn<QString>("decision");
        QTest::addColumn<int>("state");
        QTest::newRow("complete, undone") << "complete" << "undo" << 0;
        QTest::newRow("complete, confirmed") << "complete" << "confirm" << 2;
        QTest::newRow("delete, undone") << "delete" << "undo" << 0;
        QTest::newRow("delete, confirmed") << "delete" << "confirm" << 1;
        QTest::newRow("delete, confirmed, restored") << "delete" << "restore" << 0;
    }

    void shouldSendNothingTheUserHasNotConfirmed()
    {
        QFETCH(QString, change);
        QFETCH(QString, decision);
        QFETCH(int, state);
        SyncdDevice ann, bob;
        QVERIFY(pair(ann, bob));
        const QString task = ann.task("call-mum");
        QVERIFY(ann.sync());
        QVERIFY(bob.sync());

        QVERIFY(!ann.command(change == "complete" ? "complete " + task : "delete task " + task).isNull());
        // The midnight timer, the window coming back, a run already under way...
        QVERIFY2(!ann.command("syncstart").isNull(), qPrintable(ann.lastError()));
        QTest::qWait(300);
        QVERIFY(!ann.command((decision == "restore" ? QString("confirm") : decision) + " task " + task).isNull());
        QVERIFY(!ann.command("syncwait").isNull());
        if (decision == "restore")
            QVERIFY(!ann.command("restore task " + task).isNull());

        QVERIFY(ann.sync());
        QVERIFY(bob.sync());
        QCOMPARE(ann.row(task).value("state").toInt(), state);
        QCOMPARE(bob.row(task).value("state").toInt(), state);
        QCOMPARE(ann.row(task).value("synced").toInt(), 1);
    }
};

QUORVEL_TEST_MAIN(TestSyncdTwoDevices)
#include "tst_syncdtwodevices.moc"
