#include "shell/LocalCommand.h"
#include "support/TestMain.h"

// How a command of the local channel is read: the two commands exactly, and
// nothing else - whatever another process of the user may send.
class TestLocalCommand : public QObject
{
    Q_OBJECT

private slots:
    void shouldReadOnlyWellFormedCommands_data()
    {
        QTest::addColumn<QByteArray>("bytes");
        QTest::addColumn<int>("kind");
        QTest::addColumn<QString>("taskId");
        QTest::addColumn<QString>("notificationKind");
        QTest::addColumn<qint64>("moment");
        const int ignored = int(LocalCommand::Kind::Ignored);
        const int reminder = int(LocalCommand::Kind::ShowNotification);
        QTest::newRow("window") << QByteArray("show_app_window") << int(LocalCommand::Kind::ShowWindow) << ""
                                << "" << qint64(0);
        QTest::newRow("window and a line break") << QByteArray("show_app_window\n") << ignored << ""
                                                 << "" << qint64(0);
        QTest::newRow("due reminder")
            << QByteArray("show_notification:t-1_DUEDATE_1700000000000") << reminder << "t-1"
            << "DUEDATE" << qint64(1700000000000);
        QTest::newRow("snooze") << QByteArray("show_notification:Жук_SNOOZE_5") << reminder << "Жук"
                                << "SNOOZE" << qint64(5);
        QTest::newRow("no fields") << QByteArray("show_notification:abc") << ignored << ""
                                   << "" << qint64(0);
        QTest::newRow("four fields") << QByteArray("show_notification:a_b_DUEDATE_1") << ignored << ""
                                     << "" << qint64(0);
        QTest::newRow("unknown kind") << QByteArray("show_notification:a_LATER_1") << ignored << ""
                                      << "" << qint64(0);
        QTest::newRow("signed moment") << QByteArray("show_notification:a_DUEDATE_+1") << ignored << ""
                                       << "" << qint64(0);
        QTest::newRow("moment too large")
            << QByteArray("show_notification:a_DUEDATE_99999999999999999999") << ignored << ""
            << "" << qint64(0);
        QTest::newRow("not UTF-8") << QByteArray("show_notification:\xff_DUEDATE_1") << ignored << ""
                                   << "" << qint64(0);
        QTest::newRow("prefix only later") << QByteArray("x show_notification:a_DUEDATE_1") << ignored << ""
                                           << "" << qint64(0);
    }

    void shouldReadOnlyWellFormedCommands()
    {
        QFETCH(QByteArray, bytes);
        QFETCH(int, kind);
        QFETCH(QString, taskId);
        QFETCH(QString, notificationKind);
        QFETCH(qint64, moment);
        const LocalCommand command = LocalCommand::parse(bytes);
        QCOMPARE(int(command.kind), kind);
        QCOMPARE(command.taskId, taskId);
        QCOMPARE(command.notificationKind, notificationKind);
        QCOMPARE(command.moment, moment);
    }
};

QUORVEL_TEST_MAIN(TestLocalCommand)
#include "tst_localcommand.moc"
