#include "logging/Log.h"
#include "plexlink/BoolApiOperation.h"
#include "plexlink/IntegerApiOperation.h"
#include "plexlink/ObjectApiOperation.h"
#include "plexlink/ObjectListApiOperation.h"
#include "support/LogReader.h"
#include "support/LoopbackHttpServer.h"
#include "support/TestMain.h"
#include "wirelace/Wirelace.h"

#include <QDateTime>
#include <QFileInfo>
#include <QPointer>
#include <QSignalSpy>

#include <memory>

using Reply = LoopbackHttpServer::Reply;
Q_DECLARE_METATYPE(LoopbackHttpServer::Reply)

namespace {

enum Kind { Bool, Integer, Object, ObjectList };

QByteArray success(const QByteArray& payload)
{
    return "<response><status>0</status><time>1700000000</time>" + payload + "</response>";
}

QByteArray nested(int depth)
{
    return QByteArray("<e>").repeated(depth) + QByteArray("</e>").repeated(depth);
}

const QByteArray Bomb = R"(<?xml version="1.0"?>
<!DOCTYPE lolz [
 <!ENTITY lol "lol">
 <!ENTITY lol2 "&lol;&lol;&lol;&lol;&lol;&lol;&lol;&lol;&lol;&lol;">
 <!ENTITY lol3 "&lol2;&lol2;&lol2;&lol2;&lol2;&lol2;&lol2;&lol2;&lol2;&lol2;">
 <!ENTITY lol4 "&lol3;&lol3;&lol3;&lol3;&lol3;&lol3;&lol3;&lol3;&lol3;&lol3;">
 <!ENTITY lol5 "&lol4;&lol4;&lol4;&lol4;&lol4;&lol4;&lol4;&lol4;&lol4;&lol4;">
 <!ENTITY lol6 "&lol5;&lol5;&lol5;&lol5;&lol5;&lol5;&lol5;&lol5;&lol5;&lol5;">
 <!ENTITY lol7 "&lol6;&lol6;&lol6;&lol6;&lol6;&lol6;&lol6;&lol6;&lol6;&lol6;">
 <!ENTITY lol8 "&lol7;&lol7;&lol7;&lol7;&lol7;&lol7;&lol7;&lol7;&lol7;&lol7;">
 <!ENTITY lol9 "&lol8;&lol8;&lol8;&lol8;&lol8;&lol8;&lol8;&lol8;&lol8;&lol8;">
]>
<response><status>0</status><time>1</time><result>&lol9;</result></response>)";

} // namespace

class TestApiOperation : public QObject
{
    Q_OBJECT

private:
    std::unique_ptr<LoopbackHttpServer> m_server;
    std::unique_ptr<Wirelace> m_sender;
    QString m_logPath;
    qint64 m_logStart = 0;

    QNetworkReply* request(const QString& path = QStringLiteral("/api/1/method"))
    {
        return m_sender->sendPostRequest(
            m_server->url(path), "LOGIN=a", { { "Content-Type", "text/plain" } });
    }

    static ApiOperation* make(Kind kind, QNetworkReply* reply)
    {
        switch (kind) {
        case Bool:
            return new BoolApiOperation(reply);
        case Integer:
            return new IntegerApiOperation(reply);
        case Object:
            return new ObjectApiOperation(reply);
        case ObjectList:
            return new ObjectListApiOperation(reply);
        }
        return nullptr;
    }

    // Answers the next request with reply and returns the finished operation.
    std::unique_ptr<ApiOperation> run(Kind kind, const Reply& reply)
    {
        m_server->enqueue(reply);
        std::unique_ptr<ApiOperation> operation(make(kind, request()));
        QSignalSpy finished(operation.get(), &ApiOperation::finished);
        if (!finished.wait(20000))
            return nullptr;
        return operation;
    }

    std::unique_ptr<ApiOperation> run(Kind kind, const QByteArray& body)
    {
        return run(kind, Reply::xml(body));
    }

    QStringList logMessages() const { return LogReader::messages(m_logPath, m_logStart); }

private slots:
    void initTestCase()
    {
        m_logPath = TestSandbox::root() + QStringLiteral("/logs/tst_apioperation.log");
        QVERIFY(Logging::Logger::instance().setFileDestination(m_logPath));
        Logging::Logger::instance().setLoggingLevel(Logging::DebugLevel);
    }

    void init()
    {
        m_server = std::make_unique<LoopbackHttpServer>();
        QVERIFY(m_server->start());
        m_sender = std::make_unique<Wirelace>();
        Logging::Logger::instance().flush();
        m_logStart = QFileInfo(m_logPath).size();
    }

    void cleanup()
    {
        m_server.reset();
        m_sender.reset();
    }

    void shouldReadIntegerAndServerTime_data()
    {
        QTest::addColumn<QByteArray>("body");
        QTest::addColumn<int>("result");
        QTest::addColumn<uint>("serverTime");
        QTest::newRow("time present") << success("<revision>42</revision>") << 42 << 1700000000u;
        QTest::newRow("second element not named time") << QByteArray(
            "<response><status>0</status><clock>1700000000</clock><revision>42</revision></response>")
                                                       << 42 << 0u;
        QTest::newRow("only the order counts")
            << QByteArray("<a><b>0</b><time>5</time><c>42</c></a>") << 42 << 5u;
        QTest::newRow("declaration and indentation")
            << QByteArray("<?xml version=\"1.0\" encoding=\"UTF-8\"?>\n<response>\n  <status>0</status>\n"
                          "  <time>4294967295</time>\n  <revision>42</revision>\n</response>\n")
            << 42 << 4294967295u;
        QTest::newRow("time not a number")
            << QByteArray("<r><s>0</s><time>soon</time><v>42</v></r>") << 42 << 0u;
        QTest::newRow("payload not a number") << success("<revision>many</revision>") << 0 << 1700000000u;
        QTest::newRow("status with blanks")
            << QByteArray("<r><s> 0 </s><time>3</time><v>42</v></r>") << 42 << 3u;
    }

    void shouldReadIntegerAndServerTime()
    {
        QFETCH(QByteArray, body);
        QFETCH(int, result);
        QFETCH(uint, serverTime);
        const auto operation = run(Integer, body);
        QVERIFY(operation);
        QVERIFY(operation->isFinished());
        QCOMPARE(operation->networkErrorCode(), QNetworkReply::NoError);
        QCOMPARE(operation->errorCode(), -1);
        QCOMPARE(operation->result(), QVariant(result));
        QCOMPARE(operation->serverTime(), serverTime);
    }

    void shouldReadBoolWithoutPayload()
    {
        const auto operation
            = run(Bool, QByteArray("<response><status>0</status><time>12</time></response>"));
        QVERIFY(operation);
        QCOMPARE(operation->errorCode(), -1);
        QCOMPARE(operation->result(), QVariant(true));
        QCOMPARE(operation->serverTime(), 12u);
    }

    void shouldReadObjectWithUpperCaseKeys()
    {
        const auto operation = run(Object,
            success("<task><id>t-1</id><name>Buy &amp; sell</name><Memo>NULL</Memo><parent/>"
                    "<start>1709285400</start></task>"));
        QVERIFY(operation);
        QCOMPARE(operation->errorCode(), -1);
        const QVariantMap expected { { "ID", "t-1" }, { "NAME", "Buy & sell" }, { "MEMO", "NULL" },
            { "PARENT", "" }, { "START", "1709285400" } };
        QCOMPARE(operation->result().toMap(), expected);
        QCOMPARE(operation->result().toMap().value("START").userType(), int(QMetaType::QString));
    }

    void shouldReadObjectListAfterRevision()
    {
        const auto operation = run(ObjectList,
            success("<revision>77</revision>"
                    "<task><id>t-1</id><name>A &lt;b&gt;</name><start>0</start>"
                    "<due>1709285400</due><folder>1</folder><memo>NULL</memo>"
                    "<Parent>p-1</Parent></task>"
                    "<Project><id>p-1</id><folder>x</folder><due></due></Project>"));
        QVERIFY(operation);
        QCOMPARE(operation->errorCode(), -1);
        const QVariantList list = operation->result().toList();
        QCOMPARE(list.size(), 3);
        QCOMPARE(list.at(0), QVariant(77));

        const QVariantMap task = list.at(1).toMap();
        QCOMPARE(task.value("TYPE"), QVariant("task"));
        QCOMPARE(task.value("ID"), QVariant("t-1"));
        QCOMPARE(task.value("NAME"), QVariant("A <b>"));
        QCOMPARE(task.value("START").userType(), int(QMetaType::QDateTime));
        QVERIFY(!task.value("START").toDateTime().isValid());
        QCOMPARE(task.value("DUE").toDateTime(), QDateTime(QDate(2024, 3, 1), QTime(9, 30), Qt::UTC));
        QCOMPARE(task.value("DUE").toDateTime().timeSpec(), Qt::UTC);
        QCOMPARE(task.value("FOLDER"), QVariant(1));
        QCOMPARE(task.value("MEMO"), QVariant(QString()));
        QCOMPARE(task.value("PARENT"), QVariant("p-1"));
        QCOMPARE(task.size(), 8);

        const QVariantMap project = list.at(2).toMap();
        QCOMPARE(project.value("TYPE"), QVariant("Project"));
        QCOMPARE(project.value("FOLDER"), QVariant(0));
        QVERIFY(!project.value("DUE").toDateTime().isValid());
    }

    void shouldReadObjectListWithOnlyRevision()
    {
        const auto operation = run(ObjectList, success("<revision>5</revision>"));
        QVERIFY(operation);
        QCOMPARE(operation->result().toList(), QVariantList { 5 });
    }

    void shouldReportServerError_data()
    {
        QTest::addColumn<QByteArray>("body");
        QTest::addColumn<int>("code");
        QTest::addColumn<QString>("text");
        QTest::newRow("wrong password") << QByteArray(
            "<response><status>201</status><error>Wrong password</error>"
            "</response>") << 201 << "Wrong password";
        QTest::newRow("old client") << QByteArray("<r><s>110</s><e>Update the app</e><p>1</p></r>") << 110
                                    << "Update the app";
        QTest::newRow("no text element") << QByteArray("<r><s>3</s></r>") << 3 << "";
        QTest::newRow("server says 500") << QByteArray("<r><s>500</s><e>Oops</e></r>") << 500 << "Oops";
    }

    void shouldReportServerError()
    {
        QFETCH(QByteArray, body);
        QFETCH(int, code);
        QFETCH(QString, text);
        const auto operation = run(Integer, body);
        QVERIFY(operation);
        QCOMPARE(operation->networkErrorCode(), QNetworkReply::NoError);
        QCOMPARE(operation->errorCode(), code);
        QCOMPARE(operation->errorText(), text);
        QVERIFY(!operation->result().isValid());
        QCOMPARE(operation->serverTime(), 0u);
    }

    void shouldRefuseUnreadableReplies_data()
    {
        QTest::addColumn<int>("kind");
        QTest::addColumn<QByteArray>("body");
        QTest::newRow("status not a number") << int(Integer) << QByteArray("<r><s>abc</s><e>x</e></r>");
        QTest::newRow("status empty") << int(Bool) << QByteArray("<r><s></s></r>");
        QTest::newRow("root only") << int(Bool) << QByteArray("<r/>");
        QTest::newRow("plain text") << int(Bool) << QByteArray("Internal error, try later");
        QTest::newRow("HTML page") << int(Bool)
                                   << QByteArray("<html><body><h1>502 Bad Gateway</h1><hr></body></html>");
        QTest::newRow("empty body") << int(Bool) << QByteArray();
        QTest::newRow("document cut short")
            << int(ObjectList) << QByteArray("<r><s>0</s><time>1</time><v>4</v><task>");
        QTest::newRow("two roots") << int(Bool) << QByteArray("<r><s>0</s></r><r><s>0</s></r>");
        QTest::newRow("entity expansion bomb") << int(Integer) << Bomb;
        QTest::newRow("external entity")
            << int(Object)
            << QByteArray("<?xml version=\"1.0\"?><!DOCTYPE r [<!ENTITY x SYSTEM \"file:///etc/passwd\">]>"
                          "<r><s>0</s><time>1</time><task><name>&x;</name></task></r>");
        QTest::newRow("undeclared entity") << int(Object) << success("<task><name>&x;</name></task>");
        QTest::newRow("40 levels deep") << int(Object) << success("<task>" + nested(40) + "</task>");
        QTest::newRow("10 MB text") << int(
            Object) << success("<task><memo>" + QByteArray(10 * 1024 * 1024, 'a') + "</memo></task>");
        QTest::newRow("integer without payload") << int(Integer) << success("");
        QTest::newRow("object without payload") << int(Object) << success("");
        QTest::newRow("list without payload") << int(ObjectList) << success("");
    }

    void shouldRefuseUnreadableReplies()
    {
        QFETCH(int, kind);
        QFETCH(QByteArray, body);
        const auto operation = run(Kind(kind), body);
        QVERIFY(operation);
        QCOMPARE(operation->networkErrorCode(), QNetworkReply::NoError);
        QCOMPARE(operation->errorCode(), 500);
        QCOMPARE(operation->errorText(), QStringLiteral("Internal Server Error"));
        QVERIFY(!operation->result().isValid());
        QCOMPARE(operation->serverTime(), 0u);
        QVERIFY(!logMessages()
                     .filter(QStringLiteral("The sync server's reply to /api/1/method was refused: "))
                     .isEmpty());
    }

    void shouldRefuseReplyAnnouncingTooManyBytes()
    {
        // Without the size check this would wait for the transfer time-out.
        const auto operation
            = run(Integer, Reply::stall(success("<v>1</v>"), 20).withAnnouncedLength(qint64(1) << 40));
        QVERIFY(operation);
        QCOMPARE(operation->errorCode(), 500);
        QCOMPARE(operation->networkErrorCode(), QNetworkReply::NoError);
    }

    void shouldReportNetworkFailures_data()
    {
        QTest::addColumn<Reply>("reply");
        QTest::addColumn<int>("expected");
        QTest::newRow("closed without answer") << Reply::drop() << int(QNetworkReply::RemoteHostClosedError);
        QTest::newRow("body cut off")
            << Reply::cutOff(success("<v>1</v>"), 30) << int(QNetworkReply::RemoteHostClosedError);
        QTest::newRow("HTTP 500") << Reply::text("down", 500) << int(QNetworkReply::InternalServerError);
        QTest::newRow("HTTP 404") << Reply::text("gone", 404) << int(QNetworkReply::ContentNotFoundError);
    }

    void shouldReportNetworkFailures()
    {
        QFETCH(Reply, reply);
        QFETCH(int, expected);
        // Qt sends a request again when the connection closes before any
        // answer, so every attempt gets the same treatment.
        m_server->setDefaultHandler([reply](const LoopbackHttpServer::Request&) { return reply; });
        const auto operation = run(Integer, reply);
        QVERIFY(operation);
        QCOMPARE(int(operation->networkErrorCode()), expected);
        QCOMPARE(operation->errorCode(), -1);
        QCOMPARE(operation->errorText(), operation->reply()->errorString());
        QVERIFY(!operation->errorText().isEmpty());
        QVERIFY(!operation->result().isValid());
    }

    void shouldReportRefusedConnection()
    {
        const QUrl closed = m_server->url("/api/1/method");
        m_server->stop();
        std::unique_ptr<ApiOperation> operation(make(Bool, m_sender->sendPostRequest(closed, "x")));
        QVERIFY(QSignalSpy(operation.get(), &ApiOperation::finished).wait(20000));
        QCOMPARE(operation->networkErrorCode(), QNetworkReply::ConnectionRefusedError);
        QCOMPARE(operation->errorCode(), -1);
        QVERIFY(!operation->errorText().isEmpty());
    }

    void shouldAbortOnceAndNeverFinish()
    {
        m_server->enqueue(Reply::hang());
        std::unique_ptr<ApiOperation> operation(make(ObjectList, request()));
        QVERIFY(m_server->waitForRequests(1));
        QSignalSpy finished(operation.get(), &ApiOperation::finished);
        QSignalSpy aborted(operation.get(), &ApiOperation::aborted);

        operation->abort();
        QCOMPARE(aborted.count(), 1);
        QVERIFY(operation->isFinished());
        QCOMPARE(operation->reply()->error(), QNetworkReply::OperationCanceledError);
        operation->abort();
        QCoreApplication::processEvents();
        QCOMPARE(aborted.count(), 1);
        QCOMPARE(finished.count(), 0);
        QCOMPARE(operation->networkErrorCode(), QNetworkReply::NoError);
        QCOMPARE(operation->errorCode(), -1);
    }

    void shouldIgnoreAbortAfterFinishing()
    {
        const auto operation = run(Bool, success(""));
        QVERIFY(operation);
        QSignalSpy aborted(operation.get(), &ApiOperation::aborted);
        operation->abort();
        QCOMPARE(aborted.count(), 0);
        QCOMPARE(operation->result(), QVariant(true));
    }

    void shouldStayPendingWithoutReply()
    {
        BoolApiOperation operation(nullptr);
        QSignalSpy aborted(&operation, &ApiOperation::aborted);
        operation.abort();
        QCOMPARE(aborted.count(), 0);
        QVERIFY(!operation.isFinished());
        QCOMPARE(operation.errorCode(), -1);
        QCOMPARE(operation.networkErrorCode(), QNetworkReply::NoError);
        QVERIFY(!operation.result().isValid());
    }

    void shouldFinishForReplyThatEndedBeforehand()
    {
        m_server->enqueue(Reply::xml(success("<v>9</v>")));
        QNetworkReply* reply = request();
        QVERIFY(QSignalSpy(reply, &QNetworkReply::finished).wait(20000));
        IntegerApiOperation operation(reply);
        QSignalSpy finished(&operation, &ApiOperation::finished);
        QVERIFY(finished.wait(20000));
        QCOMPARE(operation.result(), QVariant(9));
    }

    void shouldDisposeOfItsReply()
    {
        m_server->enqueue(Reply::xml(success("")));
        auto operation = std::make_unique<BoolApiOperation>(request());
        QPointer<QNetworkReply> reply = operation->reply();
        QVERIFY(QSignalSpy(operation.get(), &ApiOperation::finished).wait(20000));
        operation.reset();
        QVERIFY(reply);
        QTRY_VERIFY(!reply);
    }

    void shouldTakeOwnersParent()
    {
        QObject owner;
        m_server->enqueue(Reply::hang());
        QPointer<ApiOperation> operation = new BoolApiOperation(request(), &owner);
        QCOMPARE(operation->parent(), &owner);
    }
};

QUORVEL_TEST_MAIN(TestApiOperation)
#include "tst_apioperation.moc"
