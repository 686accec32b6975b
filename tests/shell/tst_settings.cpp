#include "logging/Log.h"
#include "shell/AppPaths.h"
#include "shell/AutostartEntry.h"
#include "shell/Settings.h"
#include "support/HostileSettings.h"
#include "support/TestMain.h"

#include <QDataStream>
#include <QDir>
#include <QFile>
#include <QSettings>
#include <QSignalSpy>
#include <QStandardPaths>

#include <memory>
#include <sys/stat.h>

namespace {

QByteArray readBytes(const QString& path)
{
    QFile file(path);
    return file.open(QIODevice::ReadOnly) ? file.readAll() : QByteArray();
}

void writeBytes(const QString& path, const QByteArray& bytes)
{
    QDir().mkpath(QFileInfo(path).absolutePath());
    QFile file(path);
    QVERIFY(file.open(QIODevice::WriteOnly | QIODevice::Truncate));
    file.write(bytes);
}

QByteArray accountBytes(const QStringList& strings)
{
    QByteArray bytes;
    QDataStream out(&bytes, QIODevice::WriteOnly);
    for (const QString& string : strings)
        out << string;
    return bytes;
}

// The account file as the sync worker reads it: three QStrings, nothing else.
QStringList readAccountFile(bool* exact)
{
    QFile file(AppPaths::configFile());
    if (!file.open(QIODevice::ReadOnly))
        return {};
    QDataStream in(&file);
    QString login, password, token;
    in >> login >> password >> token;
    *exact = in.status() == QDataStream::Ok && in.atEnd();
    return { login, password, token };
}

int permissionBits(const QString& path)
{
    struct stat info;
    if (::stat(QFile::encodeName(path).constData(), &info) != 0)
        return -1;
    return info.st_mode & 0777;
}

// QSettings keeps parsed files in a process-wide cache and parses a file
// again only when its size or modification time changed. Moving the time
// back makes the next handle read what is really on disk.
void forgetParsedSettingsFile()
{
    if (!QFileInfo(AppPaths::settingsFile()).isFile())
        return;
    QFile file(AppPaths::settingsFile());
    QVERIFY(file.open(QIODevice::ReadWrite));
    QVERIFY(file.setFileTime(QFileInfo(file).lastModified().addSecs(-60), QFileDevice::FileModificationTime));
}

std::unique_ptr<Settings> reread()
{
    forgetParsedSettingsFile();
    return std::make_unique<Settings>();
}

std::unique_ptr<QSettings> rawSettings()
{
    forgetParsedSettingsFile();
    return std::make_unique<QSettings>(AppPaths::settingsFile(), QSettings::IniFormat);
}

QVariant rawSetting(const QString& key)
{
    return rawSettings()->value(key);
}

QVariantMap project(const QString& id, const QString& name, const QString& parent)
{
    return { { QStringLiteral("ID"), id }, { QStringLiteral("NAME"), name },
        { QStringLiteral("PARENT"), parent } };
}

// What the log received since the watch was created.
class LogWatch
{
public:
    LogWatch()
        : m_start(QFileInfo(path()).size())
    {
    }

    static QString path() { return TestSandbox::root() + QStringLiteral("/log/tst_settings.log"); }

    QString text() const
    {
        Logging::Logger::instance().flush();
        return QString::fromUtf8(readBytes(path()).mid(int(m_start)));
    }

private:
    qint64 m_start;
};

} // namespace

class TestSettings : public QObject
{
    Q_OBJECT

private slots:
    void initTestCase();
    void init();

    void shouldReadDefaultsWithoutFiles_data();
    void shouldReadDefaultsWithoutFiles();
    void shouldStoreEachPropertyUnderItsKey_data();
    void shouldStoreEachPropertyUnderItsKey();
    void shouldNotSignalWhenTheFileRefusesTheWrite();
    void shouldKeepReadableSettingsOfAnUnparsableFile_data();
    void shouldKeepReadableSettingsOfAnUnparsableFile();
    void shouldLeaveOutValuesThatCannotBeReadSafely_data();
    void shouldLeaveOutValuesThatCannotBeReadSafely();
    void shouldNotReadAValueThatAnotherProgramMadeUnsafe();
    void shouldReadDefaultForValueOfWrongType_data();
    void shouldReadDefaultForValueOfWrongType();

    void shouldWriteAccountFileAsThreeStringsForOwnerOnly();
    void shouldKeepCompleteAccountStringsOfDamagedFile_data();
    void shouldKeepCompleteAccountStringsOfDamagedFile();
    void shouldKeepAccountValueInMemoryWhenFileCannotBeWritten();
    void shouldMoveLegacyAccountKeysToAccountFile();
    void shouldKeepLegacyAccountKeysWhenAccountFileCannotBeWritten();

    void shouldShortenLongRecentProjectNamesOnLoad_data();
    void shouldShortenLongRecentProjectNamesOnLoad();
    void shouldIgnoreEqualRecentProjectsAndDropStaleOnes();
    void shouldClearRecentProjects();

    void shouldRestoreEachThemesColour();
    void shouldNotFileLightColourAsDarkOne();
    void shouldPickAutomaticTheme_data();
    void shouldPickAutomaticTheme();
    void shouldApplyAutomaticThemeOnlyWhenSwitchingByTime();
    void shouldFallBackToDefaultTimesWhenStoredOnesAreNotTimes();

    void shouldStorePdfExportUrlAsLocalPath_data();
    void shouldStorePdfExportUrlAsLocalPath();
    void shouldFollowLanguageForSupportAddressAndMethodBadge();
    void shouldTellWhetherCloudSyncWasEverSet();

    void shouldRoundTripProxyCredentials();
    void shouldIgnoreMalformedProxyCredentials_data();
    void shouldIgnoreMalformedProxyCredentials();

    void shouldQuoteExecutableInAutostartEntry_data();
    void shouldQuoteExecutableInAutostartEntry();
    void shouldStartWithSessionExactlyWhenEntryExists();
};

void TestSettings::initTestCase()
{
    Logging::Logger::instance().setLoggingLevel(Logging::DebugLevel);
    QVERIFY(Logging::Logger::instance().setFileDestination(LogWatch::path()));
}

void TestSettings::init()
{
    TestSandbox::reset();
}

void TestSettings::shouldReadDefaultsWithoutFiles_data()
{
    QTest::addColumn<QByteArray>("property");
    QTest::addColumn<QVariant>("expected");

    QTest::newRow("clientLogin") << QByteArray("clientLogin") << QVariant(QString());
    QTest::newRow("authToken") << QByteArray("authToken") << QVariant(QString());
    QTest::newRow("showFutureTasks") << QByteArray("showFutureTasks") << QVariant(true);
    QTest::newRow("showProjectsInDailyPlan") << QByteArray("showProjectsInDailyPlan") << QVariant(true);
    QTest::newRow("defaultStartTime") << QByteArray("defaultStartTime") << QVariant(QStringLiteral("8:00"));
    QTest::newRow("defaultDueTime") << QByteArray("defaultDueTime") << QVariant(QStringLiteral("23:00"));
    QTest::newRow("recentProjects") << QByteArray("recentProjects") << QVariant(QVariantList());
    QTest::newRow("firstLaunchDateTime") << QByteArray("firstLaunchDateTime") << QVariant(QDateTime());
    QTest::newRow("applicationColor") << QByteArray("applicationColor") << QVariant(QColor("#3F51B5"));
    QTest::newRow("appVersion") << QByteArray("appVersion") << QVariant(QStringLiteral("1.0"));
    QTest::newRow("uiScaleFactor") << QByteArray("uiScaleFactor") << QVariant(QString());
    QTest::newRow("startAppWhenWindowsStarts") << QByteArray("startAppWhenWindowsStarts") << QVariant(false);
    QTest::newRow("appTheme") << QByteArray("appTheme") << QVariant::fromValue(Settings::UndefinedTheme);
    QTest::newRow("themeSwitchType") << QByteArray("themeSwitchType")
                                     << QVariant::fromValue(Settings::Manual);
    QTest::newRow("autoDarkThemeStartTime")
        << QByteArray("autoDarkThemeStartTime") << QVariant(QStringLiteral("18:00"));
    QTest::newRow("autoDarkThemeEndTime")
        << QByteArray("autoDarkThemeEndTime") << QVariant(QStringLiteral("7:00"));
    QTest::newRow("useBlueAsLightThemeColor") << QByteArray("useBlueAsLightThemeColor") << QVariant(false);
    QTest::newRow("trashCleanupTimestamp") << QByteArray("trashCleanupTimestamp") << QVariant(0u);
    QTest::newRow("cloudSyncEnabled") << QByteArray("cloudSyncEnabled") << QVariant(false);
    QTest::newRow("showQv2Popup") << QByteArray("showQv2Popup") << QVariant(true);
    QTest::newRow("pdfExportPath") << QByteArray(
        "pdfExportPath") << QVariant(QStandardPaths::writableLocation(QStandardPaths::DocumentsLocation));
}

void TestSettings::shouldReadDefaultsWithoutFiles()
{
    QFETCH(QByteArray, property);
    QFETCH(QVariant, expected);

    Settings settings;
    QCOMPARE(settings.property(property.constData()), expected);
}

void TestSettings::shouldStoreEachPropertyUnderItsKey_data()
{
    QTest::addColumn<QByteArray>("property");
    QTest::addColumn<QString>("key");
    QTest::addColumn<QVariant>("value");

    const QDateTime moment(QDate(2023, 3, 14), QTime(15, 9, 26, 535));
    QTest::newRow("showFutureTasks") << QByteArray("showFutureTasks") << "show_future_tasks"
                                     << QVariant(false);
    QTest::newRow("playActionSounds")
        << QByteArray("playActionSounds") << "play_action_sounds" << QVariant(false);
    QTest::newRow("showCompletedTasks")
        << QByteArray("showCompletedTasks") << "show_completed_tasks" << QVariant(false);
    QTest::newRow("showCompletedProjects")
        << QByteArray("showCompletedProjects") << "show_completed_projects" << QVariant(false);
    QTest::newRow("showProjectsInDailyPlan")
        << QByteArray("showProjectsInDailyPlan") << "show_projects_in_daily_plan" << QVariant(false);
    QTest::newRow("showAppIconBadge")
        << QByteArray("showAppIconBadge") << "show_app_icon_badge" << QVariant(false);
    QTest::newRow("defaultStartTime")
        << QByteArray("defaultStartTime") << "default_start_time" << QVariant(QStringLiteral("9:30"));
    QTest::newRow("defaultDueTime") << QByteArray("defaultDueTime") << "default_due_time"
                                    << QVariant(QStringLiteral("18:45"));
    QTest::newRow("showWelcomeScreen")
        << QByteArray("showWelcomeScreen") << "show_welcome_screen" << QVariant(false);
    QTest::newRow("ignoreUpdateVersion")
        << QByteArray("ignoreUpdateVersion") << "ignore_update_version" << QVariant(QStringLiteral("1.17.0"));
    QTest::newRow("showMessageOnClose")
        << QByteArray("showMessageOnClose") << "show_message_on_close" << QVariant(false);
    QTest::newRow("analyticsUserId") << QByteArray("analyticsUserId") << "analytics_user_id"
                                     << QVariant(QStringLiteral("5f0c9a7e-user"));
    QTest::newRow("firstLaunchDateTime")
        << QByteArray("firstLaunchDateTime") << "first_launch_date_time" << QVariant(moment);
    QTest::newRow("applicationColor")
        << QByteArray("applicationColor") << "application_color" << QVariant(QColor("#C62828"));
    QTest::newRow("showCalendarOnDailyPlanPage")
        << QByteArray("showCalendarOnDailyPlanPage") << "show_calendar_on_daily_plan_page" << QVariant(false);
    QTest::newRow("showProjectTreeView")
        << QByteArray("showProjectTreeView") << "show_project_tree_view" << QVariant(false);
    QTest::newRow("showContextTreeView")
        << QByteArray("showContextTreeView") << "show_context_tree_view" << QVariant(false);
    QTest::newRow("appVersion") << QByteArray("appVersion") << "app_version"
                                << QVariant(QStringLiteral("1.16.3"));
    QTest::newRow("uiScaleFactor") << QByteArray("uiScaleFactor") << "ui_scale_factor"
                                   << QVariant(QStringLiteral("1.25"));
    QTest::newRow("applicationLanguage")
        << QByteArray("applicationLanguage") << "app_language" << QVariant(QStringLiteral("de"));
    QTest::newRow("themeSwitchType") << QByteArray("themeSwitchType") << "theme_switch_type"
                                     << QVariant::fromValue(Settings::AutoByTime);
    QTest::newRow("showProjectsTip") << QByteArray("showProjectsTip") << "show_projects_tip"
                                     << QVariant(false);
    QTest::newRow("showContextsTip") << QByteArray("showContextsTip") << "show_contexts_tip"
                                     << QVariant(false);
    QTest::newRow("showAppearanceNewBadge")
        << QByteArray("showAppearanceNewBadge") << "show_appearance_badge" << QVariant(false);
    QTest::newRow("showMethodNewBadge")
        << QByteArray("showMethodNewBadge") << "show_method_badge_courses" << QVariant(true);
    QTest::newRow("showFavoritesNewBadge")
        << QByteArray("showFavoritesNewBadge") << "show_favorites_badge" << QVariant(false);
    QTest::newRow("autoDarkThemeStartTime")
        << QByteArray("autoDarkThemeStartTime") << "adt_start_time" << QVariant(QStringLiteral("20:30"));
    QTest::newRow("autoDarkThemeEndTime")
        << QByteArray("autoDarkThemeEndTime") << "adt_end_time" << QVariant(QStringLiteral("6:15"));
    QTest::newRow("fontRenderingType")
        << QByteArray("fontRenderingType") << "font_rendering_type" << QVariant(QStringLiteral("native"));
    QTest::newRow("useBlueAsLightThemeColor")
        << QByteArray("useBlueAsLightThemeColor") << "use_blue_as_light_theme_color" << QVariant(true);
    // Past the range of int: the value must not pass through a signed number.
    QTest::newRow("trashCleanupTimestamp")
        << QByteArray("trashCleanupTimestamp") << "trash_cleanup_timestamp" << QVariant(4000000000u);
    QTest::newRow("cloudSyncEnabled")
        << QByteArray("cloudSyncEnabled") << "cloud_sync_enabled" << QVariant(true);
    QTest::newRow("lastQv2PopupShow")
        << QByteArray("lastQv2PopupShow") << "last_qv2_popup_show" << QVariant(moment);
    QTest::newRow("showQv2Popup") << QByteArray("showQv2Popup") << "show_qv2_popup" << QVariant(false);
    QTest::newRow("pdfExportPath") << QByteArray("pdfExportPath") << "pdf_export_path"
                                   << QVariant(QStringLiteral("/srv/exports"));
}

void TestSettings::shouldStoreEachPropertyUnderItsKey()
{
    QFETCH(QByteArray, property);
    QFETCH(QString, key);
    QFETCH(QVariant, value);

    {
        Settings settings;
        const QMetaProperty meta
            = settings.metaObject()->property(settings.metaObject()->indexOfProperty(property.constData()));
        QVERIFY(meta.hasNotifySignal());
        QSignalSpy changed(&settings, QByteArray("2" + meta.notifySignal().methodSignature()).constData());

        QVERIFY(settings.setProperty(property.constData(), value));
        QCOMPARE(changed.count(), 1);
        if (meta.notifySignal().parameterCount() == 1)
            QCOMPARE(changed.at(0).at(0), value);

        // Writing the same value again is a write like any other.
        QVERIFY(settings.setProperty(property.constData(), value));
        QCOMPARE(changed.count(), 2);
    }

    QVERIFY(rawSettings()->contains(key));
    QCOMPARE(reread()->property(property.constData()), value);
}

void TestSettings::shouldNotSignalWhenTheFileRefusesTheWrite()
{
    Settings settings;
    settings.setShowWelcomeScreen(false);
    // A folder in place of the file makes every save fail, also for root.
    QVERIFY(QFile::remove(AppPaths::settingsFile()));
    QVERIFY(QDir().mkdir(AppPaths::settingsFile()));

    QSignalSpy refused(&settings, &Settings::showFutureTasksChanged);
    const LogWatch log;
    settings.setShowFutureTasks(false);
    QCOMPARE(refused.count(), 0);
    QVERIFY2(log.text().contains(QStringLiteral("Unable to save show_future_tasks")), qPrintable(log.text()));

    // Once the file can be written again, the next write succeeds and says so.
    QVERIFY(QDir().rmdir(AppPaths::settingsFile()));
    QSignalSpy accepted(&settings, &Settings::playActionSoundsChanged);
    settings.setPlayActionSounds(false);
    QCOMPARE(accepted.count(), 1);
    QCOMPARE(rawSetting(QStringLiteral("play_action_sounds")).toString(), QStringLiteral("false"));
}

void TestSettings::shouldKeepReadableSettingsOfAnUnparsableFile_data()
{
    QTest::addColumn<QByteArray>("content");
    QTest::addColumn<bool>("keepsShowFutureTasks");

    QTest::newRow("unterminated section")
        << QByteArray("[General]\nshow_future_tasks=false\n[broken\nfoo=1\n") << true;
    QTest::newRow("binary garbage") << QByteArray("\x00\x01\x02\xff\xfe garbage\n=\n[[[\n", 20) << false;
    // QSettings meets this only when it parses the group, and drops it
    // silently at its next write.
    QTest::newRow("line without a value")
        << QByteArray("[General]\nshow_future_tasks=false\nnot a setting at all\n") << true;
}

void TestSettings::shouldLeaveOutValuesThatCannotBeReadSafely_data()
{
    QTest::addColumn<QByteArray>("value");
    for (const HostileSettings::Value& value : HostileSettings::values())
        QTest::newRow(qPrintable(value.kind)) << value.text;
}

void TestSettings::shouldLeaveOutValuesThatCannotBeReadSafely()
{
    QFETCH(QByteArray, value);
    const QByteArray content = "[General]\nshow_future_tasks=false\napplication_color=" + value
        + "\n[Proxy]\nhost%3A8080=" + value + "\n";
    writeBytes(AppPaths::settingsFile(), content);

    const LogWatch log;
    Settings settings;
    QVERIFY2(log.text().contains(QStringLiteral("held values that cannot be read safely (\"application_color\", "
                                                "\"Proxy/host:8080\")")),
        qPrintable(log.text()));
    QCOMPARE(settings.showFutureTasks(), false);
    QCOMPARE(settings.applicationColor(), QColor(QStringLiteral("#3F51B5")));
    QCOMPARE(settings.proxyCredentials(QStringLiteral("host:8080")), QJsonObject());
    const QStringList copies
        = QDir(AppPaths::appDataDir()).entryList({ QStringLiteral("settings.dat.damaged-*") }, QDir::Files);
    QCOMPARE(copies.size(), 1);
    QCOMPARE(readBytes(AppPaths::appDataFile(copies.first())), content);

    QSignalSpy changed(&settings, &Settings::cloudSyncEnabledChanged);
    settings.setCloudSyncEnabled(true);
    QCOMPARE(changed.count(), 1);
    QCOMPARE(reread()->showFutureTasks(), false);
}

void TestSettings::shouldNotReadAValueThatAnotherProgramMadeUnsafe()
{
    Settings settings;
    settings.setShowFutureTasks(false);
    // Written behind the handle's back, as another program would.
    QByteArray content = readBytes(AppPaths::settingsFile());
    content += "hostile=" + HostileSettings::fatalValues().first().text + "\n";
    writeBytes(AppPaths::settingsFile(), content);
    forgetParsedSettingsFile();

    // The next write reads the file again before writing it.
    const LogWatch log;
    settings.setPlayActionSounds(false);
    QVERIFY2(log.text().contains(QStringLiteral("cannot be read safely (\"hostile\")")), qPrintable(log.text()));
    QCOMPARE(reread()->playActionSounds(), false);
    QVERIFY(!readBytes(AppPaths::settingsFile()).contains("hostile"));
}

void TestSettings::shouldKeepReadableSettingsOfAnUnparsableFile()
{
    QFETCH(QByteArray, content);
    QFETCH(bool, keepsShowFutureTasks);
    writeBytes(AppPaths::settingsFile(), content);

    const LogWatch log;
    Settings settings;
    QVERIFY2(log.text().contains(QStringLiteral("could not be parsed")), qPrintable(log.text()));
    QCOMPARE(settings.showFutureTasks(), !keepsShowFutureTasks);
    QCOMPARE(settings.defaultStartTime(), QStringLiteral("8:00"));

    // The damaged original is kept aside, byte for byte.
    const QStringList copies
        = QDir(AppPaths::appDataDir()).entryList({ QStringLiteral("settings.dat.damaged-*") }, QDir::Files);
    QCOMPARE(copies.size(), 1);
    QCOMPARE(readBytes(AppPaths::appDataFile(copies.first())), content);

    // The file works normally again: writes succeed and report it.
    QSignalSpy changed(&settings, &Settings::cloudSyncEnabledChanged);
    settings.setCloudSyncEnabled(true);
    QCOMPARE(changed.count(), 1);
    QCOMPARE(reread()->cloudSyncEnabled(), true);
}

void TestSettings::shouldReadDefaultForValueOfWrongType_data()
{
    QTest::addColumn<QString>("key");
    QTest::addColumn<QString>("stored");
    QTest::addColumn<QByteArray>("property");
    QTest::addColumn<QVariant>("expected");

    QTest::newRow("theme as text") << "app_theme"
                                   << "banana" << QByteArray("appTheme")
                                   << QVariant::fromValue(Settings::UndefinedTheme);
    QTest::newRow("theme out of range")
        << "app_theme"
        << "7" << QByteArray("appTheme") << QVariant::fromValue(Settings::UndefinedTheme);
    QTest::newRow("switch type as text")
        << "theme_switch_type"
        << "auto" << QByteArray("themeSwitchType") << QVariant::fromValue(Settings::Manual);
    QTest::newRow("colour as word") << "application_color"
                                    << "notacolour" << QByteArray("applicationColor")
                                    << QVariant(QColor("#3F51B5"));
    QTest::newRow("bool as word") << "show_future_tasks"
                                  << "maybe" << QByteArray("showFutureTasks") << QVariant(true);
    QTest::newRow("timestamp as word") << "trash_cleanup_timestamp"
                                       << "yesterday" << QByteArray("trashCleanupTimestamp") << QVariant(0u);
    QTest::newRow("date-time as word")
        << "first_launch_date_time"
        << "long ago" << QByteArray("firstLaunchDateTime") << QVariant(QDateTime());
}

void TestSettings::shouldReadDefaultForValueOfWrongType()
{
    QFETCH(QString, key);
    QFETCH(QString, stored);
    QFETCH(QByteArray, property);
    QFETCH(QVariant, expected);
    writeBytes(AppPaths::settingsFile(), QStringLiteral("[General]\n%1=%2\n").arg(key, stored).toUtf8());

    const LogWatch log;
    {
        Settings settings;
        QCOMPARE(settings.property(property.constData()), expected);
        QVERIFY2(log.text().contains(QStringLiteral("The setting %1 holds an unusable value").arg(key)),
            qPrintable(log.text()));
    }
    // Reading does not overwrite what the user had.
    QCOMPARE(rawSetting(key).toString(), stored);
}

void TestSettings::shouldWriteAccountFileAsThreeStringsForOwnerOnly()
{
    // An account file left readable by others by an older version.
    writeBytes(AppPaths::configFile(), accountBytes({ "old", "", "" }));
    QVERIFY(QFile::setPermissions(
        AppPaths::configFile(), QFile::ReadOwner | QFile::WriteOwner | QFile::ReadGroup | QFile::ReadOther));
    {
        Settings settings;
        QCOMPARE(settings.clientLogin(), QStringLiteral("old"));
        QSignalSpy tokenChanged(&settings, &Settings::authTokenChanged);
        settings.setClientLogin(QStringLiteral("anna@example.org"));
        settings.setClientPassword(QStringLiteral("0cc175b9c0f1b6a831c399e269772661"));
        settings.setAuthToken(QStringLiteral("tok-ü-42"));
        QCOMPARE(tokenChanged.count(), 1);
        QCOMPARE(tokenChanged.at(0).at(0).toString(), QStringLiteral("tok-ü-42"));
    }

    bool exact = false;
    QCOMPARE(readAccountFile(&exact),
        QStringList({ "anna@example.org", "0cc175b9c0f1b6a831c399e269772661", "tok-ü-42" }));
    QVERIFY(exact);
    QCOMPARE(permissionBits(AppPaths::configFile()), 0600);

    const auto again = reread();
    QCOMPARE(again->clientPassword(), QStringLiteral("0cc175b9c0f1b6a831c399e269772661"));
    QSignalSpy loginChanged(again.get(), &Settings::clientLoginChanged);
    again->clearClientLogin();
    QCOMPARE(loginChanged.count(), 1);
    QCOMPARE(loginChanged.at(0).at(0).toString(), QString());
    QCOMPARE(readAccountFile(&exact), QStringList({ "", "0cc175b9c0f1b6a831c399e269772661", "tok-ü-42" }));
}

void TestSettings::shouldKeepCompleteAccountStringsOfDamagedFile_data()
{
    QTest::addColumn<QByteArray>("content");
    QTest::addColumn<QStringList>("expected");

    const QByteArray whole = accountBytes({ "anna", "digest", "token" });
    const int loginSize = accountBytes({ "anna" }).size();
    QTest::newRow("empty") << QByteArray() << QStringList({ "", "", "" });
    QTest::newRow("cut inside the password") << whole.left(loginSize + 6) << QStringList({ "anna", "", "" });
    QTest::newRow("cut inside the token")
        << whole.left(whole.size() - 1) << QStringList({ "anna", "digest", "" });
    QTest::newRow("odd length") << (accountBytes({ "anna" }) + QByteArray("\x00\x00\x00\x03xyz", 7))
                                << QStringList({ "anna", "", "" });
    QTest::newRow("huge length") << QByteArray("\x7f\xff\xff\xf0garbage", 11) << QStringList({ "", "", "" });
}

void TestSettings::shouldKeepCompleteAccountStringsOfDamagedFile()
{
    QFETCH(QByteArray, content);
    QFETCH(QStringList, expected);
    writeBytes(AppPaths::configFile(), content);

    const LogWatch log;
    Settings settings;
    QCOMPARE(
        QStringList({ settings.clientLogin(), settings.clientPassword(), settings.authToken() }), expected);
    QVERIFY2(log.text().contains(QStringLiteral("is damaged or truncated")), qPrintable(log.text()));
    // Nothing is written back until a value changes.
    QCOMPARE(readBytes(AppPaths::configFile()), content);
}

void TestSettings::shouldKeepAccountValueInMemoryWhenFileCannotBeWritten()
{
    QVERIFY(QDir().mkpath(AppPaths::configFile()));
    Settings settings;
    QSignalSpy changed(&settings, &Settings::clientLoginChanged);
    const LogWatch log;
    settings.setClientLogin(QStringLiteral("anna"));
    QCOMPARE(changed.count(), 1);
    QCOMPARE(settings.clientLogin(), QStringLiteral("anna"));
    QVERIFY2(log.text().contains(QStringLiteral("Unable to write the account file")), qPrintable(log.text()));
}

void TestSettings::shouldMoveLegacyAccountKeysToAccountFile()
{
    writeBytes(AppPaths::settingsFile(),
        "[General]\nclient_login=anna\nclient_pass=digest\nauth_token=tok\n"
        "show_future_tasks=false\n");
    {
        Settings settings;
        QCOMPARE(settings.clientLogin(), QStringLiteral("anna"));
        QCOMPARE(settings.authToken(), QStringLiteral("tok"));
    }
    bool exact = false;
    QCOMPARE(readAccountFile(&exact), QStringList({ "anna", "digest", "tok" }));
    const auto raw = rawSettings();
    QVERIFY(!raw->contains(QStringLiteral("client_login")));
    QVERIFY(!raw->contains(QStringLiteral("client_pass")));
    QVERIFY(!raw->contains(QStringLiteral("auth_token")));
    QCOMPARE(raw->value(QStringLiteral("show_future_tasks")).toString(), QStringLiteral("false"));
}

void TestSettings::shouldKeepLegacyAccountKeysWhenAccountFileCannotBeWritten()
{
    writeBytes(AppPaths::settingsFile(), "[General]\nclient_login=anna\n");
    QVERIFY(QDir().mkpath(AppPaths::configFile()));
    {
        Settings settings;
        QCOMPARE(settings.clientLogin(), QStringLiteral("anna"));
    }
    // Still there for the next start to move.
    QCOMPARE(rawSetting(QStringLiteral("client_login")).toString(), QStringLiteral("anna"));
}

void TestSettings::shouldShortenLongRecentProjectNamesOnLoad_data()
{
    QTest::addColumn<QString>("name");
    QTest::addColumn<QString>("loaded");

    const QString fifty = QString(49, QLatin1Char('a')) + QLatin1Char('z');
    QTest::newRow("empty") << QString() << QString();
    QTest::newRow("50 characters") << fifty << fifty;
    QTest::newRow("51 characters") << fifty + QLatin1Char('!') << fifty + QStringLiteral("...");
    QTest::newRow("80 characters") << fifty + QString(30, QLatin1Char('b')) << fifty + QStringLiteral("...");
}

void TestSettings::shouldShortenLongRecentProjectNamesOnLoad()
{
    QFETCH(QString, name);
    QFETCH(QString, loaded);

    reread()->setRecentProjects({ project("7", name, "3") });
    QCOMPARE(reread()->recentProjects(), QVariantList({ project("7", loaded, "3") }));
}

void TestSettings::shouldIgnoreEqualRecentProjectsAndDropStaleOnes()
{
    Settings settings;
    const QVariantList three
        = { project("1", "Home", ""), project("2", "Work", "1"), project("3", "Trip", "") };
    QSignalSpy changed(&settings, &Settings::recentProjectsChanged);
    settings.setRecentProjects(three);
    QCOMPARE(changed.count(), 1);

    const QByteArray written = readBytes(AppPaths::settingsFile());
    QVERIFY(QFile::remove(AppPaths::settingsFile()));
    settings.setRecentProjects(
        { project("1", "Home", ""), project("2", "Work", "1"), project("3", "Trip", "") });
    QCOMPARE(changed.count(), 1);
    QVERIFY2(!QFile::exists(AppPaths::settingsFile()), "an equal list was written");
    writeBytes(AppPaths::settingsFile(), written);

    const QVariantList one = { project("2", "Work", "1") };
    settings.setRecentProjects(one);
    QCOMPARE(changed.count(), 2);
    QCOMPARE(changed.at(1).at(0).toList(), one);
    QCOMPARE(reread()->recentProjects(), one);
    QVERIFY(!rawSettings()->contains(QStringLiteral("recent_projects/2/project_id")));
}

void TestSettings::shouldClearRecentProjects()
{
    Settings settings;
    settings.setRecentProjects({ project("1", "Home", "") });
    QSignalSpy changed(&settings, &Settings::recentProjectsChanged);
    settings.clearRecentProjects();
    QCOMPARE(changed.count(), 1);
    QCOMPARE(settings.recentProjects(), QVariantList());
    QVERIFY(rawSettings()->allKeys().filter(QStringLiteral("recent_projects")).isEmpty());
    QCOMPARE(reread()->recentProjects(), QVariantList());
}

void TestSettings::shouldRestoreEachThemesColour()
{
    Settings settings;
    QSignalSpy themeChanged(&settings, &Settings::appThemeChanged);
    QSignalSpy colourChanged(&settings, &Settings::applicationColorChanged);

    settings.setApplicationColor(QColor("#C62828"));
    settings.setAppTheme(Settings::DarkTheme);
    QCOMPARE(settings.applicationColor(), QColor("#73ABFC"));
    QCOMPARE(themeChanged.count(), 1);
    QCOMPARE(themeChanged.at(0).at(0).value<Settings::AppTheme>(), Settings::DarkTheme);

    settings.setApplicationColor(QColor("#00E676"));
    settings.setAppTheme(Settings::LightTheme);
    QCOMPARE(settings.applicationColor(), QColor("#C62828"));
    settings.setAppTheme(Settings::DarkTheme);
    QCOMPARE(settings.applicationColor(), QColor("#00E676"));
    QCOMPARE(colourChanged.last().at(0).value<QColor>(), QColor("#00E676"));

    // The same theme again changes nothing.
    const int themeSignals = themeChanged.count();
    settings.setAppTheme(Settings::DarkTheme);
    QCOMPARE(themeChanged.count(), themeSignals);

    // Colours are stored as colour values, not as text.
    QVERIFY(readBytes(AppPaths::settingsFile()).contains("application_color=@Variant("));
    const auto again = reread();
    QCOMPARE(again->appTheme(), Settings::DarkTheme);
    QCOMPARE(again->applicationColor(), QColor("#00E676"));
}

void TestSettings::shouldNotFileLightColourAsDarkOne()
{
    Settings settings;
    settings.setUseBlueAsLightThemeColor(true);
    settings.setAppTheme(Settings::LightTheme);
    QCOMPARE(settings.applicationColor(), QColor("#1E88E5"));
    settings.setAppTheme(Settings::DarkTheme);
    QCOMPARE(settings.applicationColor(), QColor("#73ABFC"));
}

void TestSettings::shouldPickAutomaticTheme_data()
{
    QTest::addColumn<QString>("start");
    QTest::addColumn<QString>("end");
    QTest::addColumn<QTime>("now");
    QTest::addColumn<Settings::AppTheme>("theme");
    QTest::addColumn<int>("nextDay");
    QTest::addColumn<QTime>("nextTime");

    const auto Dark = Settings::DarkTheme;
    const auto Light = Settings::LightTheme;
    QTest::newRow("night: before") << "18:00"
                                   << "7:00" << QTime(17, 59) << Light << 0 << QTime(18, 0);
    QTest::newRow("night: at start") << "18:00"
                                     << "7:00" << QTime(18, 0) << Dark << 1 << QTime(7, 0);
    QTest::newRow("night: after midnight") << "18:00"
                                           << "7:00" << QTime(3, 0) << Dark << 0 << QTime(7, 0);
    QTest::newRow("night: at end") << "18:00"
                                   << "7:00" << QTime(7, 0) << Light << 0 << QTime(18, 0);
    QTest::newRow("equal times: same moment") << "8:00"
                                              << "8:00" << QTime(8, 0) << Light << 0 << QTime(8, 0);
    QTest::newRow("equal times: later") << "8:00"
                                        << "8:00" << QTime(12, 0) << Light << 1 << QTime(8, 0);
    QTest::newRow("day: before") << "9:00"
                                 << "17:00" << QTime(8, 59) << Light << 0 << QTime(9, 0);
    QTest::newRow("day: at start") << "9:00"
                                   << "17:00" << QTime(9, 0) << Dark << 0 << QTime(17, 0);
    QTest::newRow("day: at end") << "9:00"
                                 << "17:00" << QTime(17, 0) << Light << 1 << QTime(9, 0);
    QTest::newRow("single digits") << "9:5"
                                   << "9:7" << QTime(9, 6) << Dark << 0 << QTime(9, 7);
}

void TestSettings::shouldPickAutomaticTheme()
{
    QFETCH(QString, start);
    QFETCH(QString, end);
    QFETCH(QTime, now);
    QFETCH(Settings::AppTheme, theme);
    QFETCH(int, nextDay);
    QFETCH(QTime, nextTime);

    const QTime startTime = QTime::fromString(start, QStringLiteral("h:m"));
    const QTime endTime = QTime::fromString(end, QStringLiteral("h:m"));
    QVERIFY(startTime.isValid() && endTime.isValid());
    const QDate today(2024, 1, 15);

    QCOMPARE(Settings::automaticThemeAt(startTime, endTime, now), theme);
    QCOMPARE(Settings::nextAutomaticThemeSwitch(startTime, endTime, QDateTime(today, now, Qt::UTC)),
        QDateTime(today.addDays(nextDay), nextTime, Qt::UTC));
}

void TestSettings::shouldApplyAutomaticThemeOnlyWhenSwitchingByTime()
{
    Settings settings;
    const QDateTime evening(QDate(2024, 1, 15), QTime(18, 0), Qt::UTC);
    QCOMPARE(settings.applyAutomaticTheme(evening), qint64(-1));
    QCOMPARE(settings.appTheme(), Settings::UndefinedTheme);

    settings.setThemeSwitchType(Settings::AutoByTime);
    QCOMPARE(settings.applyAutomaticTheme(evening), qint64(13) * 3600 * 1000);
    QCOMPARE(reread()->appTheme(), Settings::DarkTheme);

    const QDateTime morning(QDate(2024, 1, 16), QTime(7, 0, 30), Qt::UTC);
    QCOMPARE(settings.applyAutomaticTheme(morning), (qint64(11) * 3600 - 30) * 1000);
    QCOMPARE(reread()->appTheme(), Settings::LightTheme);
}

void TestSettings::shouldFallBackToDefaultTimesWhenStoredOnesAreNotTimes()
{
    Settings settings;
    settings.setThemeSwitchType(Settings::AutoByTime);
    settings.setAutoDarkThemeStartTime(QStringLiteral("dusk"));
    const LogWatch log;
    // As with 18:00 to 7:00.
    QCOMPARE(settings.applyAutomaticTheme(QDateTime(QDate(2024, 1, 15), QTime(17, 0), Qt::UTC)),
        qint64(3600) * 1000);
    QCOMPARE(settings.appTheme(), Settings::LightTheme);
    QVERIFY2(log.text().contains(QStringLiteral("\"dusk\" is not a time of day")), qPrintable(log.text()));
}

void TestSettings::shouldStorePdfExportUrlAsLocalPath_data()
{
    QTest::addColumn<QString>("given");
    QTest::addColumn<QString>("stored");

    QTest::newRow("file URL") << "file:///srv/exports"
                              << "/srv/exports";
    QTest::newRow("escaped file URL") << "file:///home/anna/My%20Exports"
                                      << "/home/anna/My Exports";
    QTest::newRow("plain path") << "/home/anna/pdf"
                                << "/home/anna/pdf";
}

void TestSettings::shouldStorePdfExportUrlAsLocalPath()
{
    QFETCH(QString, given);
    QFETCH(QString, stored);

    Settings settings;
    QSignalSpy changed(&settings, &Settings::pdfExportPathChanged);
    settings.setPdfExportPath(given);
    QCOMPARE(changed.at(0).at(0).toString(), stored);
    QCOMPARE(reread()->pdfExportPath(), stored);
}

void TestSettings::shouldFollowLanguageForSupportAddressAndMethodBadge()
{
    Settings settings;
    QSignalSpy addressChanged(&settings, &Settings::supportEmailChanged);
    settings.setApplicationLanguage(QStringLiteral("ru"));
    QCOMPARE(settings.supportEmail(), QStringLiteral("podderzhka@velmora.app"));
    QCOMPARE(addressChanged.last().at(0).toString(), QStringLiteral("podderzhka@velmora.app"));
    QCOMPARE(settings.showMethodNewBadge(), true);

    settings.setApplicationLanguage(QStringLiteral("en"));
    QCOMPARE(settings.supportEmail(), QStringLiteral("support@velmora.app"));
    QCOMPARE(settings.showMethodNewBadge(), false);
}

void TestSettings::shouldTellWhetherCloudSyncWasEverSet()
{
    Settings settings;
    QVERIFY(!settings.hasCloudSyncEnabledSetting());
    settings.setCloudSyncEnabled(false);
    QVERIFY(reread()->hasCloudSyncEnabledSetting());
}

void TestSettings::shouldRoundTripProxyCredentials()
{
    const QString key = Settings::proxyKey(QStringLiteral("proxy.example.org"), 3128);
    QCOMPARE(key, QStringLiteral("proxy.example.org:3128"));
    {
        Settings settings;
        QVERIFY(
            settings.setProxyCredentials(key, QStringLiteral("anna, admin"), QStringLiteral("pä ss:wörd")));
        QVERIFY(settings.setProxyCredentials(
            QStringLiteral("other:80"), QStringLiteral("bob"), QStringLiteral("secret")));
    }
    // The password rests as the hexadecimal text of its Base64 form.
    QCOMPARE(rawSetting(QStringLiteral("Proxy/other:80")).toStringList(),
        QStringList({ "bob", "6332566a636d5630" }));

    Settings settings;
    const QJsonObject expected { { "username", "anna, admin" }, { "password", "pä ss:wörd" } };
    QCOMPARE(settings.proxyCredentials(key), expected);
    QVERIFY(settings.removeProxyCredentials(key));
    QCOMPARE(reread()->proxyCredentials(key), QJsonObject());
    QCOMPARE(reread()->proxyCredentials(QStringLiteral("other:80")).value("username").toString(),
        QStringLiteral("bob"));
}

void TestSettings::shouldIgnoreMalformedProxyCredentials_data()
{
    QTest::addColumn<QByteArray>("value");

    QTest::newRow("one string") << QByteArray("bob");
    QTest::newRow("three elements") << QByteArray("bob, 6332566a636d5630, extra");
    QTest::newRow("password not hexadecimal") << QByteArray("bob, secret");
    QTest::newRow("odd hexadecimal") << QByteArray("bob, 633");
    QTest::newRow("hexadecimal of no Base64") << QByteArray("bob, 2a2a2a");
}

void TestSettings::shouldIgnoreMalformedProxyCredentials()
{
    QFETCH(QByteArray, value);
    writeBytes(AppPaths::settingsFile(), "[Proxy]\nhost%3A8080=" + value + "\n");

    const LogWatch log;
    QCOMPARE(reread()->proxyCredentials(QStringLiteral("host:8080")), QJsonObject());
    QVERIFY2(log.text().contains(QStringLiteral("credentials of proxy host:8080 are unreadable")),
        qPrintable(log.text()));
}

void TestSettings::shouldQuoteExecutableInAutostartEntry_data()
{
    QTest::addColumn<QString>("executable");
    QTest::addColumn<QString>("exec");

    QTest::newRow("plain") << "/opt/quorvel/Quorvel"
                           << "\"/opt/quorvel/Quorvel\"";
    QTest::newRow("space") << "/home/anna/My Apps/Quorvel"
                           << "\"/home/anna/My Apps/Quorvel\"";
    QTest::newRow("dollar") << "/opt/a$b/Quorvel"
                            << "\"/opt/a\\\\$b/Quorvel\"";
    QTest::newRow("backslash") << "/opt/a\\b/Quorvel"
                               << "\"/opt/a\\\\\\\\b/Quorvel\"";
    QTest::newRow("double quote") << "/opt/say \"hi\"/Quorvel"
                                  << "\"/opt/say \\\\\"hi\\\\\"/Quorvel\"";
    QTest::newRow("backtick") << "/opt/a`b/Quorvel"
                              << "\"/opt/a\\\\`b/Quorvel\"";
    QTest::newRow("percent") << "/opt/100%/Quorvel"
                             << "\"/opt/100%%/Quorvel\"";
}

void TestSettings::shouldQuoteExecutableInAutostartEntry()
{
    QFETCH(QString, executable);
    QFETCH(QString, exec);

    QCOMPARE(
        AutostartEntry::path(), TestSandbox::home() + QStringLiteral("/.config/autostart/Quorvel.desktop"));
    QVERIFY(AutostartEntry::create(executable));
    const QStringList lines = QString::fromUtf8(readBytes(AutostartEntry::path())).split(QLatin1Char('\n'));
    QCOMPARE(lines.first(), QStringLiteral("[Desktop Entry]"));
    QVERIFY(lines.contains(QStringLiteral("Type=Application")));
    QVERIFY(lines.contains(QStringLiteral("Name=Quorvel")));
    QVERIFY(lines.contains(QStringLiteral("X-GNOME-Autostart-enabled=true")));
    QVERIFY2(lines.contains(QStringLiteral("Exec=") + exec), qPrintable(lines.join(QLatin1Char('|'))));
}

void TestSettings::shouldStartWithSessionExactlyWhenEntryExists()
{
    Settings settings;
    QSignalSpy changed(&settings, &Settings::startAppWhenWindowsStartsChanged);
    QVERIFY(AutostartEntry::remove());

    settings.setStartAppWhenWindowsStarts(true);
    QVERIFY(AutostartEntry::exists());
    QVERIFY(settings.startAppWhenWindowsStarts());
    QVERIFY(readBytes(AutostartEntry::path()).contains(QCoreApplication::applicationFilePath().toUtf8()));

    settings.setStartAppWhenWindowsStarts(false);
    QVERIFY(!QFile::exists(AutostartEntry::path()));
    QVERIFY(!settings.startAppWhenWindowsStarts());

    // A folder that cannot hold the entry: the signal tells what is in place.
    const QString folder = QFileInfo(AutostartEntry::path()).absolutePath();
    QVERIFY(QDir(folder).removeRecursively());
    writeBytes(folder, "not a folder");
    settings.setStartAppWhenWindowsStarts(true);
    QCOMPARE(changed.count(), 3);
    QCOMPARE(changed.at(0).at(0).toBool(), true);
    QCOMPARE(changed.at(1).at(0).toBool(), false);
    QCOMPARE(changed.at(2).at(0).toBool(), false);
}

QUORVEL_TEST_MAIN(TestSettings)

#include "tst_settings.moc"
