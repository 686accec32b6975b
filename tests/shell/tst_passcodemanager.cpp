#include "logging/Logger.h"
#include "shell/PasscodeManager.h"
#include "support/LogReader.h"
#include "support/TestMain.h"

#include <QDataStream>
#include <QFile>
#include <QFileInfo>
#include <QSignalSpy>

namespace {

QByteArray streamed(qint32 option, const QString& digest)
{
    QByteArray bytes;
    QDataStream out(&bytes, QIODevice::WriteOnly);
    out << option << digest;
    return bytes;
}

void writeRawFile(const QByteArray& bytes)
{
    QFile file(PasscodeManager::filePath());
    QVERIFY(file.open(QIODevice::WriteOnly));
    QCOMPARE(file.write(bytes), qint64(bytes.size()));
}

qint64 logSize()
{
    Logging::Logger::instance().flush();
    return QFileInfo(Logging::Logger::instance().filePath()).size();
}

QStringList logSince(qint64 from)
{
    Logging::Logger::instance().flush();
    return LogReader::levelsAndMessages(Logging::Logger::instance().filePath(), from);
}

const QString SixLetters = QStringLiteral("qwerty");
// MD5 of "qwerty"
const QString SixLettersDigest = QStringLiteral("d8578edf8458ce06fbc5bb76a58c5ca4");

} // namespace

class TestPasscodeManager : public QObject
{
    Q_OBJECT

private slots:
    void initTestCase()
    {
        QVERIFY(Logging::Logger::instance().setFileDestination(
            TestSandbox::root() + QStringLiteral("/log/tst_passcodemanager.log")));
    }
    void init() { TestSandbox::reset(); }

    void shouldRefuseEmptyPasscode()
    {
        PasscodeManager manager;
        QVERIFY(!manager.verifyPasscode(QString()));
        QVERIFY(!manager.savePasscode(QString()));
        QVERIFY(!QFile::exists(PasscodeManager::filePath()));
        QVERIFY(manager.savePasscode(SixLetters));
        QVERIFY(!manager.verifyPasscode(QString()));
    }

    void shouldStoreDigestForOwnerOnlyAndVerify_data()
    {
        QTest::addColumn<QString>("passcode");
        QTest::addColumn<QString>("digest");
        QTest::newRow("ascii") << SixLetters << SixLettersDigest;
        // UTF-8 bytes, not UTF-16 or Latin-1: "пароль"
        QTest::newRow("cyrillic") << QString::fromUtf8("\xd0\xbf\xd0\xb0\xd1\x80\xd0\xbe\xd0\xbb\xd1\x8c")
                                  << QStringLiteral("e242f36f4f95f12966da8fa2efd59992");
    }
    void shouldStoreDigestForOwnerOnlyAndVerify()
    {
        QFETCH(QString, passcode);
        QFETCH(QString, digest);
        PasscodeManager manager;
        QSignalSpy setChanged(&manager, &PasscodeManager::isPasscodeSetChanged);
        QVERIFY(manager.savePasscode(passcode));
        QCOMPARE(setChanged.count(), 1);
        QCOMPARE(setChanged.first().first().toBool(), true);
        QVERIFY(manager.isPasscodeSet());
        QVERIFY(manager.verifyPasscode(passcode));
        QVERIFY(!manager.verifyPasscode(passcode + QLatin1Char('x')));

        QFile file(PasscodeManager::filePath());
        QVERIFY(file.open(QIODevice::ReadOnly));
        QCOMPARE(file.readAll(), streamed(0, digest));
        QCOMPARE(file.permissions() & ~(QFileDevice::ReadUser | QFileDevice::WriteUser),
            QFileDevice::ReadOwner | QFileDevice::WriteOwner);

        PasscodeManager reloaded;
        QVERIFY(reloaded.isPasscodeSet());
        QVERIFY(reloaded.verifyPasscode(passcode));
    }

    void shouldRemovePasscodeOnlyWhenFileExists()
    {
        PasscodeManager manager;
        QSignalSpy setChanged(&manager, &PasscodeManager::isPasscodeSetChanged);
        QVERIFY(!manager.removePasscode());
        QCOMPARE(setChanged.count(), 0);

        QVERIFY(manager.savePasscode(SixLetters));
        QVERIFY(manager.removePasscode());
        QCOMPARE(setChanged.count(), 2);
        QCOMPARE(setChanged.last().first().toBool(), false);
        QVERIFY(!manager.isPasscodeSet());
        QVERIFY(!manager.verifyPasscode(SixLetters));
        QVERIFY(!QFile::exists(PasscodeManager::filePath()));
    }

    void shouldWriteOptionOnlyWhenItChanges()
    {
        PasscodeManager manager;
        QSignalSpy optionChanged(&manager, &PasscodeManager::requirePasscodeOptionChanged);
        manager.setRequirePasscodeOption(PasscodeManager::WhenAppLaunches);
        QCOMPARE(optionChanged.count(), 0);
        QVERIFY(!QFile::exists(PasscodeManager::filePath()));

        manager.setRequirePasscodeOption(PasscodeManager::WhenAppWindowBecomesActive);
        QCOMPARE(optionChanged.count(), 1);
        QCOMPARE(PasscodeManager().requirePasscodeOption(), PasscodeManager::WhenAppWindowBecomesActive);
        QVERIFY(!PasscodeManager().isPasscodeSet());

        manager.setRequirePasscodeOption(PasscodeManager::RequirePasscodeOption(7));
        QCOMPARE(manager.requirePasscodeOption(), PasscodeManager::WhenAppWindowBecomesActive);
        QCOMPARE(optionChanged.count(), 1);
    }

    // A folder in the file's place: the file cannot be replaced.
    void shouldLeavePreviousPasscodeWhenWriteFails()
    {
        PasscodeManager manager;
        QVERIFY(manager.savePasscode(SixLetters));
        QVERIFY(QFile::remove(PasscodeManager::filePath()));
        QVERIFY(QDir().mkpath(PasscodeManager::filePath()));

        QSignalSpy setChanged(&manager, &PasscodeManager::isPasscodeSetChanged);
        QVERIFY(!manager.savePasscode(QStringLiteral("another one")));
        QCOMPARE(setChanged.count(), 0);
        QVERIFY(manager.verifyPasscode(SixLetters));

        PasscodeManager fresh;
        QVERIFY(!fresh.savePasscode(SixLetters));
        QVERIFY(!fresh.isPasscodeSet());
    }

    void shouldReadDamagedFileAsNoPasscode_data()
    {
        QTest::addColumn<QByteArray>("bytes");
        QTest::addColumn<int>("option");
        QTest::addColumn<bool>("passcodeSet");
        QTest::addColumn<bool>("logged");

        const QByteArray whole = streamed(1, SixLettersDigest);
        QTest::newRow("whole") << whole << 1 << true << false;
        QTest::newRow("option without passcode") << streamed(1, QString()) << 1 << false << false;
        QTest::newRow("empty") << QByteArray() << 0 << false << false;
        QTest::newRow("half an option") << whole.left(2) << 0 << false << true;
        QTest::newRow("digest cut short") << whole.left(whole.size() - 6) << 1 << false << true;
        QTest::newRow("digest length only") << whole.left(8) << 1 << false << true;
        QTest::newRow("upper-case digest") << streamed(0, SixLettersDigest.toUpper()) << 0 << false << true;
        QTest::newRow("short digest") << streamed(0, SixLettersDigest.left(31)) << 0 << false << true;
        QTest::newRow("not hexadecimal") << streamed(0, QString(32, QLatin1Char('z'))) << 0 << false << true;
        // An odd byte count cannot be UTF-16.
        QTest::newRow("odd string length")
            << QByteArray::fromHex("000000010000000561626364650000") << 1 << false << true;
        QTest::newRow("huge claimed length")
            << QByteArray::fromHex("000000017ffffffe6162") << 1 << false << true;
        // A lock that is set stays set even when its option is unreadable.
        QTest::newRow("unknown option") << streamed(9, SixLettersDigest) << 0 << true << true;
    }
    void shouldReadDamagedFileAsNoPasscode()
    {
        QFETCH(QByteArray, bytes);
        QFETCH(int, option);
        QFETCH(bool, passcodeSet);
        QFETCH(bool, logged);
        writeRawFile(bytes);

        const qint64 logStart = logSize();
        PasscodeManager manager;
        QCOMPARE(int(manager.requirePasscodeOption()), option);
        QCOMPARE(manager.isPasscodeSet(), passcodeSet);
        QCOMPARE(manager.verifyPasscode(SixLetters), passcodeSet);
        const QStringList log = logSince(logStart);
        QCOMPARE(!log.filter(QStringLiteral("WARN The passcode file")).isEmpty(), logged);
        QVERIFY(QFile::exists(PasscodeManager::filePath()));
    }
};

QUORVEL_TEST_MAIN(TestPasscodeManager)
#include "tst_passcodemanager.moc"
