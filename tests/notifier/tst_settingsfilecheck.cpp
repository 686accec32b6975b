#include "common/SettingsFileCheck.h"
#include "logging/Logger.h"
#include "support/HostileSettings.h"
#include "support/LogReader.h"
#include "support/TestMain.h"

#include <QColor>
#include <QDir>
#include <QFile>
#include <QSettings>

#include <unistd.h>

// What may reach QSettings of an INI file: everything these programs write
// goes through untouched, every value that would make QDataStream build
// something else is left out, however it is spelled.
class TestSettingsFileCheck : public QObject
{
    Q_OBJECT

private:
    static QString folder() { return TestSandbox::home() + QStringLiteral("/files"); }
    static QString logPath() { return TestSandbox::home() + QStringLiteral("/check.log"); }

    static QByteArray readBytes(const QString& path)
    {
        QFile file(path);
        return file.open(QIODevice::ReadOnly) ? file.readAll() : QByteArray();
    }

    static void writeBytes(const QString& path, const QByteArray& bytes)
    {
        QFile file(path);
        QVERIFY(file.open(QIODevice::WriteOnly | QIODevice::Truncate));
        QCOMPARE(file.write(bytes), bytes.size());
    }

    // Every key and value of the text as QSettings reads it. Safe only for
    // text that passed the check - which is what the callers test.
    static QVariantMap parsed(const QByteArray& bytes)
    {
        static int count = 0;
        const QString path = folder() + QStringLiteral("/parsed-%1.ini").arg(++count);
        writeBytes(path, bytes);
        QVariantMap values;
        const QSettings file(path, QSettings::IniFormat);
        for (const QString& key : file.allKeys())
            values.insert(key, file.value(key));
        return values;
    }

    static QStringList keptCopies(const QString& path)
    {
        const QFileInfo info(path);
        return QDir(info.absolutePath())
            .entryList({ info.fileName() + QStringLiteral(".damaged-*") }, QDir::Files);
    }

private slots:
    void init()
    {
        TestSandbox::reset();
        QDir().mkpath(folder());
        QVERIFY(Logging::Logger::instance().setFileDestination(logPath()));
    }

    void shouldPassEverythingTheProgramsWrite()
    {
        const QString path = folder() + QStringLiteral("/written.dat");
        {
            QSettings file(path, QSettings::IniFormat);
            file.setValue(QStringLiteral("flag"), true);
            file.setValue(QStringLiteral("number"), 42u);
            file.setValue(QStringLiteral("text"), QStringLiteral("@at, \"quoted\"; =\\ ÿ Жук \x01"));
            file.setValue(QStringLiteral("json"), QStringLiteral("[{\"id\":\"a,b\"}]"));
            file.setValue(QStringLiteral("colour"), QColor(QStringLiteral("#1E88E5")));
            file.setValue(QStringLiteral("invalid_colour"), QColor());
            file.setValue(QStringLiteral("local"), QDateTime::currentDateTime());
            file.setValue(QStringLiteral("utc"), QDateTime::currentDateTimeUtc());
            file.setValue(QStringLiteral("offset"), QDateTime::currentDateTime().toOffsetFromUtc(-7200));
            file.setValue(QStringLiteral("no_date"), QDateTime());
            file.setValue(QStringLiteral("date"), QDate(2024, 2, 29));
            file.setValue(QStringLiteral("time"), QTime(23, 59, 58, 7));
            file.setValue(
                QStringLiteral("list"), QStringList { QStringLiteral("user"), QStringLiteral("6a6b") });
            file.setValue(QStringLiteral("bytes"), QByteArray("\0@Variant(\xff)", 13));
            file.setValue(QStringLiteral("size"), QSize(3, 4));
            // List orders as older versions kept them.
            file.setValue(QStringLiteral("projects_sort_hash"),
                QVariantMap { { QStringLiteral("quorvelbox"), QVariantMap { { QStringLiteral("t1"), 0 } } },
                    { QStringLiteral("p9"), QVariantHash { { QStringLiteral("t3"), 5 } } } });
            file.setValue(QStringLiteral("Sync/LastClientRevision"), 17);
            file.setValue(
                QStringLiteral("Proxy/host:8080"), QStringList { QStringLiteral("u"), QStringLiteral("70") });
            file.beginWriteArray(QStringLiteral("recent_projects"));
            file.setArrayIndex(0);
            file.setValue(QStringLiteral("project_name"), QStringLiteral("Дом"));
            file.endArray();
            file.sync();
            QCOMPARE(file.status(), QSettings::NoError);
        }
        const QByteArray bytes = readBytes(path);
        const SettingsFileCheck::Result result = SettingsFileCheck::check(bytes);
        QCOMPARE(result.droppedKeys, QStringList());
        QCOMPARE(result.content, bytes);
        QCOMPARE(parsed(result.content).value(QStringLiteral("colour")).value<QColor>(),
            QColor(QStringLiteral("#1E88E5")));
    }

    void shouldLeaveOutEveryHostileValue_data()
    {
        QTest::addColumn<QByteArray>("value");
        for (const HostileSettings::Value& value : HostileSettings::values())
            QTest::newRow(qPrintable(value.kind)) << value.text;
        QTest::newRow("continued line")
            << "\\\n" + HostileSettings::variant(QByteArray("\0\0\0\x09\x7f\xff\xff\xff", 8));
        QTest::newRow("colour with a byte too many")
            << HostileSettings::variant(QByteArray("\0\0\0\x43\x01\xff\xff\0\0\0\0\0\0\0\0\0", 16));
        QTest::newRow("map counting more entries than it has")
            << HostileSettings::variant(QByteArray("\0\0\0\x08\x7f\xff\xff\xff\0\0\0\0", 12));
        QTest::newRow("map key longer than the bytes")
            << HostileSettings::variant(QByteArray("\0\0\0\x08\0\0\0\x01\x7f\xff\xff\xfe", 12));
        QTest::newRow("map of an unknown kind of value")
            << HostileSettings::variant(QByteArray("\0\0\0\x08\0\0\0\x01\0\0\0\0\0\0\0\x40\0", 17));
        QTest::newRow("date-time of another kind of time")
            << HostileSettings::dateTime(QByteArray("\0\0\0\x10\0\0\0\0\0\0\0\0\x01\0\0\0\0\x07", 18));
    }

    void shouldLeaveOutEveryHostileValue()
    {
        QFETCH(QByteArray, value);
        const QByteArray colour
            = "@Variant(\\0\\0\\0\\x43\\x1\\xff\\xff\\x1e\\x1e\\x88\\x88\\xe5\\xe5\\0\\0)";
        const QByteArray before = "[General]\nbefore=1\n";
        const QByteArray after = "\nafter=" + colour + "\n\n[Sync]\nLastClientRevision=5\n";
        const QByteArray file = before + "hostile=" + value + after + "hidden=" + value + "\n";

        const SettingsFileCheck::Result result = SettingsFileCheck::check(file);
        QCOMPARE(
            result.droppedKeys, (QStringList { QStringLiteral("hostile"), QStringLiteral("Sync/hidden") }));
        QCOMPARE(result.content, before + after + "\n");
        // Once is enough: nothing is left to take out.
        QCOMPARE(SettingsFileCheck::check(result.content).droppedKeys, QStringList());
        const QVariantMap values = parsed(result.content);
        QCOMPARE(values.value(QStringLiteral("before")).toInt(), 1);
        QCOMPARE(values.value(QStringLiteral("after")).value<QColor>(), QColor(QStringLiteral("#1E88E5")));
        QCOMPARE(values.value(QStringLiteral("Sync/LastClientRevision")).toInt(), 5);
    }

    void shouldReadTheFileAsQSettingsDoes_data()
    {
        QTest::addColumn<QByteArray>("file");
        QTest::addColumn<QStringList>("dropped");
        const QByteArray huge = HostileSettings::variant(QByteArray("\0\0\0\x09\x7f\xff\xff\xff", 8));
        // Text that only looks like a variant: not at the start, not closed,
        // quoted with its marker doubled, inside a comment or a key.
        QTest::newRow("not at the start") << "a=x" + huge + "\n" << QStringList();
        QTest::newRow("not closed") << "a=" + huge.left(huge.size() - 1) + "\n" << QStringList();
        QTest::newRow("doubled marker") << "a=@" + huge + "\n" << QStringList();
        QTest::newRow("comment") << ";a=" + huge + "\nb=1\n" << QStringList();
        QTest::newRow("comment after a value") << "b=1;" + huge + "\n" << QStringList();
        QTest::newRow("as a key") << huge + "=1\n" << QStringList();
        QTest::newRow("section") << "[" + huge + "]\nb=1\n" << QStringList();
        // A quote opened on one line runs on over the next.
        QTest::newRow("inside a quoted value") << "a=\"x\n" + huge + "\"\n" << QStringList();
        QTest::newRow("after a quoted line") << "a=\"x\ny\"\nb=" + huge + "\n" << QStringList { "b" };
        // Carriage returns end lines too; a UTF-8 mark changes how bytes read.
        QTest::newRow("carriage returns") << "a=1\rb=" + huge + "\r\nc=2\r\n" << QStringList { "b" };
        QTest::newRow("utf-8 mark") << "\xef\xbb\xbf"
                                       "a=\xd0\x96\nb="
                + huge + "\n" << QStringList { "b" };
        QTest::newRow("utf-8 bytes in a variant")
            << QByteArray("\xef\xbb\xbf"
                          "a=@Variant(\\0\\0\\0\\xe\xc3\xbf\\0\\0\\0)\n")
            << QStringList { "a" };
        QTest::newRow("a section named general") << "[%General]\na=" + huge + "\n"
                                                 << QStringList { "General/a" };
        QTest::newRow("escaped key") << "[g%2Fh]\nk%20ey\\x=" + huge + "\n" << QStringList { "g/h/k ey/x" };
    }

    void shouldReadTheFileAsQSettingsDoes()
    {
        QFETCH(QByteArray, file);
        QFETCH(QStringList, dropped);
        const SettingsFileCheck::Result result = SettingsFileCheck::check(file);
        QCOMPARE(result.droppedKeys, dropped);
        // Whatever is left is read by QSettings without harm.
        parsed(result.content);
    }

    void shouldRepairAFileAndKeepItsFormerContent()
    {
        const QString path = folder() + QStringLiteral("/settings.dat");
        const QByteArray former
            = "[General]\nkept=yes\nhostile=" + HostileSettings::fatalValues().first().text + "\n";
        writeBytes(path, former);
        QVERIFY(QFile::setPermissions(path, QFile::ReadOwner | QFile::WriteOwner));

        QCOMPARE(SettingsFileCheck::screen(path), SettingsFileCheck::Outcome::Repaired);
        QCOMPARE(readBytes(path), QByteArray("[General]\nkept=yes\n\n"));
        const QFileDevice::Permissions others = QFile::ReadGroup | QFile::ReadOther;
        QCOMPARE(QFile::permissions(path) & others, QFileDevice::Permissions());
        const QStringList copies = keptCopies(path);
        QCOMPARE(copies.size(), 1);
        const QString copy = folder() + QLatin1Char('/') + copies.first();
        QCOMPARE(readBytes(copy), former);
        QCOMPARE(QFile::permissions(copy) & others, QFileDevice::Permissions());
        const QStringList log = LogReader::levelsAndMessages(logPath());
        QCOMPARE(log.size(), 1);
        QVERIFY2(log.first().startsWith(QStringLiteral("WARN The settings file ") + path
                     + QStringLiteral(" held values that cannot be read safely (\"hostile\")")),
            qPrintable(log.first()));

        QCOMPARE(SettingsFileCheck::screen(path), SettingsFileCheck::Outcome::Clean);
        QCOMPARE(keptCopies(path).size(), 1);
    }

    void shouldTellWhetherAFileIsSafeToReadAsItChanges()
    {
        const QString path = folder() + QStringLiteral("/changing.dat");
        QVERIFY(SettingsFileCheck::isSafeToRead(path));
        writeBytes(path, "a=1\n");
        QVERIFY(SettingsFileCheck::isSafeToRead(path));
        writeBytes(path, "a=1\nb=" + HostileSettings::fatalValues().first().text + "\n");
        QVERIFY(!SettingsFileCheck::isSafeToRead(path));
        QVERIFY(!SettingsFileCheck::isSafeToRead(path));
        writeBytes(path, "a=2\n");
        QVERIFY(SettingsFileCheck::isSafeToRead(path));
    }

    void shouldLeaveAFileAloneWhenItCannotBeKeptAside()
    {
        if (::geteuid() == 0)
            QSKIP("Permissions do not stop root; the read-only folder runs in tst_damagedfiles as another "
                  "user.");
        const QString path = folder() + QStringLiteral("/settings.dat");
        const QByteArray former = "hostile=" + HostileSettings::fatalValues().first().text + "\n";
        writeBytes(path, former);
        QVERIFY(QFile::setPermissions(folder(), QFile::ReadOwner | QFile::ExeOwner));
        const SettingsFileCheck::Outcome outcome = SettingsFileCheck::screen(path);
        QFile::setPermissions(folder(), QFile::ReadOwner | QFile::WriteOwner | QFile::ExeOwner);
        QCOMPARE(outcome, SettingsFileCheck::Outcome::Unrepaired);
        QCOMPARE(readBytes(path), former);
        QVERIFY(LogReader::messages(logPath()).first().contains(
            QStringLiteral("is left as it is and is not read")));
    }
};

QUORVEL_TEST_MAIN(TestSettingsFileCheck)
#include "tst_settingsfilecheck.moc"
