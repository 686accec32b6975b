#include "logging/Log.h"
#include "support/LogReader.h"
#include "support/TestMain.h"

#include <QDir>
#include <QFile>
#include <QRegularExpression>
#include <QTemporaryDir>
#include <QThread>

#include <vector>

#include <fcntl.h>
#include <unistd.h>

class TestLogger : public QObject
{
    Q_OBJECT

private:
    QTemporaryDir *m_dir = nullptr;

    QString logPath() const { return m_dir->filePath(QStringLiteral("logs/qv_log.dat")); }

    QStringList lines() const
    {
        Logging::Logger::instance().flush();
        QFile file(logPath());
        if (!file.open(QIODevice::ReadOnly))
            return {};
        return QString::fromUtf8(file.readAll()).split(QLatin1Char('\n'), Qt::SkipEmptyParts);
    }

    // The message part of a line: "LEVEL <timestamp> message".
    QStringList messages() const { return LogReader::messages(logPath()); }

private slots:
    void init()
    {
        m_dir = new QTemporaryDir();
        Logging::Logger::instance().setLoggingLevel(Logging::DebugLevel);
        QVERIFY(Logging::Logger::instance().setFileDestination(logPath()));
    }

    void cleanup()
    {
        qInstallMessageHandler(nullptr);
        Logging::Logger::instance().removeDestinations();
        delete m_dir;
    }

    void shouldWriteOnlyLevelsTheLoggerAdmits_data()
    {
        QTest::addColumn<int>("loggerLevel");
        QTest::addColumn<QStringList>("expected");
        QTest::newRow("trace") << int(Logging::TraceLevel)
                               << QStringList { "trace", "debug", "info", "warn", "error", "fatal" };
        QTest::newRow("debug") << int(Logging::DebugLevel)
                               << QStringList { "debug", "info", "warn", "error", "fatal" };
        QTest::newRow("warn") << int(Logging::WarnLevel) << QStringList { "warn", "error", "fatal" };
        QTest::newRow("off") << int(Logging::OffLevel) << QStringList {};
    }

    void shouldWriteOnlyLevelsTheLoggerAdmits()
    {
        QFETCH(int, loggerLevel);
        QFETCH(QStringList, expected);
        Logging::Logger::instance().setLoggingLevel(static_cast<Logging::Level>(loggerLevel));
        QLOG_TRACE() << "trace";
        QLOG_DEBUG() << "debug";
        QLOG_INFO() << "info";
        QLOG_WARN() << "warn";
        QLOG_ERROR() << "error";
        QLOG_FATAL() << "fatal";
        QCOMPARE(messages(), expected);
    }

    void shouldNotEvaluateArgumentsBelowTheLevel()
    {
        Logging::Logger::instance().setLoggingLevel(Logging::ErrorLevel);
        int evaluations = 0;
        auto costly = [&evaluations] { return ++evaluations; };
        QLOG_DEBUG() << costly();
        QCOMPARE(evaluations, 0);
    }

    void shouldPrefixLevelNameAndTimestamp()
    {
        QLOG_WARN() << "Disk is slow";
        const QStringList written = lines();
        QCOMPARE(written.size(), 1);
        const QRegularExpression shape(
            QStringLiteral("^WARN  \\d{4}-\\d\\d-\\d\\dT\\d\\d:\\d\\d:\\d\\d\\.\\d{3} Disk is slow$"));
        QVERIFY2(shape.match(written.first()).hasMatch(), qPrintable(written.first()));
    }

    void shouldConcatenateQtTypesAsPlainText()
    {
        const QDateTime moment(QDate(2026, 12, 8), QTime(9, 30, 5), Qt::UTC);
        QLOG_INFO() << "Application " << QStringLiteral("1.16.3") << " started; " << 42 << ' ' << 2.5 << ' '
                    << true << ' ' << moment << ' ' << QByteArray("bytes") << ' '
                    << QStringList { "a", "b" } << ' ' << QVariant(7) << ' ' << QStringLiteral("Ünïcode");
        QCOMPARE(messages().value(0),
                 QStringLiteral("Application 1.16.3 started; 42 2.5 true 2026-12-08T09:30:05.000Z bytes a, b 7 "
                                "Ünïcode"));
    }

    void shouldStartAnewWhenTheFileOutgrowsItsLimitKeepingNoOldFile()
    {
        const qint64 limit = 4096;
        QVERIFY(Logging::Logger::instance().setFileDestination(logPath(), limit, 0));
        const QString filler(100, QLatin1Char('x'));
        for (int i = 0; i < 500; ++i)
            QLOG_INFO() << "line " << i << ' ' << filler;
        Logging::Logger::instance().flush();

        QVERIFY(QFileInfo(logPath()).size() <= limit);
        QVERIFY(lines().last().contains(QStringLiteral("line 499 ")));
        QCOMPARE(QDir(m_dir->filePath(QStringLiteral("logs"))).entryList(QDir::Files),
                 QStringList { QStringLiteral("qv_log.dat") });
    }

    void shouldAppendToAnExistingLog()
    {
        QLOG_INFO() << "first run";
        QVERIFY(Logging::Logger::instance().setFileDestination(logPath()));
        QLOG_INFO() << "second run";
        QCOMPARE(lines().size(), 2);
    }

    void shouldKeepLinesWholeWhenThreadsLogAtOnce()
    {
        const int threadCount = 4;
        const int linesPerThread = 2000;
        std::vector<QThread *> threads;
        for (int t = 0; t < threadCount; ++t) {
            threads.push_back(QThread::create([t] {
                for (int i = 0; i < linesPerThread; ++i)
                    QLOG_DEBUG() << "thread " << t << " line " << i << " end";
            }));
            threads.back()->start();
        }
        for (QThread *thread : threads) {
            QVERIFY(thread->wait(60000));
            delete thread;
        }
        const QStringList written = lines();
        QCOMPARE(written.size(), threadCount * linesPerThread);
        const QRegularExpression whole(QStringLiteral("^DEBUG \\S+ thread \\d line \\d+ end$"));
        for (const QString &line : written)
            QVERIFY2(whole.match(line).hasMatch(), qPrintable(line));
    }

    void shouldRouteQtMessagesAtTheirLevels()
    {
        Logging::Logger::instance().setLoggingLevel(Logging::InfoLevel);
        Logging::Logger::routeQtMessages();
        qDebug("not admitted");
        qInfo("an info");
        qWarning("a warning");
        qCritical("a critical");
        const QStringList written = lines();
        QCOMPARE(written.size(), 3);
        QVERIFY(written.at(0).startsWith(QLatin1String("INFO  ")) && written.at(0).endsWith(QLatin1String("an info")));
        QVERIFY(written.at(1).startsWith(QLatin1String("WARN  ")));
        QVERIFY(written.at(2).startsWith(QLatin1String("ERROR ")));
    }

    void shouldReadTheEnvironmentSwitchForQtMessages_data()
    {
        QTest::addColumn<QByteArray>("value");
        QTest::addColumn<bool>("unset");
        QTest::addColumn<bool>("wanted");
        QTest::newRow("unset") << QByteArray() << true << true;
        QTest::newRow("zero") << QByteArray("0") << false << false;
        QTest::newRow("one") << QByteArray("1") << false << true;
        QTest::newRow("empty") << QByteArray("") << false << true;
        QTest::newRow("zero with space") << QByteArray("0 ") << false << true;
    }

    void shouldReadTheEnvironmentSwitchForQtMessages()
    {
        QFETCH(QByteArray, value);
        QFETCH(bool, unset);
        QFETCH(bool, wanted);
        if (unset)
            qunsetenv("WRITE_QT_MESSAGES_TO_LOG");
        else
            qputenv("WRITE_QT_MESSAGES_TO_LOG", value);
        QCOMPARE(Logging::Logger::qtMessagesWantedByEnvironment(), wanted);
        qunsetenv("WRITE_QT_MESSAGES_TO_LOG");
    }

    void shouldReportADestinationThatCannotBeOpened()
    {
        QFile blocker(m_dir->filePath(QStringLiteral("blocker")));
        QVERIFY(blocker.open(QIODevice::WriteOnly));
        blocker.close();
        QVERIFY(!Logging::Logger::instance().setFileDestination(blocker.fileName() + QStringLiteral("/x.dat")));
        // The previous destination stays in use.
        QLOG_INFO() << "still logged";
        QCOMPARE(lines().size(), 1);
    }

    void shouldFallBackToStandardErrorWithoutALogFile()
    {
        Logging::Logger::instance().removeDestinations();
        // A folder that cannot be made: a file of that name is in the way.
        QFile blocker(m_dir->filePath(QStringLiteral("blocker")));
        QVERIFY(blocker.open(QIODevice::WriteOnly));
        blocker.close();
        const QString captured = m_dir->filePath(QStringLiteral("stderr.txt"));
        std::fflush(stderr);
        const int saved = ::dup(STDERR_FILENO);
        const int file = ::open(QFile::encodeName(captured).constData(), O_WRONLY | O_CREAT | O_TRUNC, 0600);
        QVERIFY(saved >= 0 && file >= 0);
        ::dup2(file, STDERR_FILENO);
        ::close(file);
        const bool opened
            = Logging::Logger::instance().setFileDestination(blocker.fileName() + QStringLiteral("/x.dat"));
        QLOG_WARN() << "told on standard error";
        Logging::Logger::instance().flush();
        std::fflush(stderr);
        ::dup2(saved, STDERR_FILENO);
        ::close(saved);

        QVERIFY(!opened);
        QFile output(captured);
        QVERIFY(output.open(QIODevice::ReadOnly));
        const QString text = QString::fromUtf8(output.readAll());
        QVERIFY2(text.contains(QStringLiteral("logging to standard error")), qPrintable(text));
        QVERIFY2(QRegularExpression(QStringLiteral("WARN  \\S+ told on standard error\n")).match(text).hasMatch(),
            qPrintable(text));
    }
};

QUORVEL_TEST_MAIN(TestLogger)
#include "tst_logger.moc"
