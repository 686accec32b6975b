#include "shell/Settings.h"

#include "logging/Log.h"
#include "shell/AppPaths.h"
#include "shell/AutostartEntry.h"
#include "shell/DamagedSettingsFile.h"
#include "common/SettingsFileCheck.h"

#include <QCoreApplication>
#include <QDataStream>
#include <QDir>
#include <QFile>
#include <QFileInfo>
#include <QLocale>
#include <QMutex>
#include <QMutexLocker>
#include <QSaveFile>
#include <QSet>
#include <QSettings>
#include <QStandardPaths>
#include <QTemporaryFile>
#include <QUrl>

#include <cctype>

namespace {

namespace Key {
const QLatin1String ShowFutureTasks("show_future_tasks");
const QLatin1String PlayActionSounds("play_action_sounds");
const QLatin1String ShowCompletedTasks("show_completed_tasks");
const QLatin1String ShowCompletedProjects("show_completed_projects");
const QLatin1String ShowProjectsInDailyPlan("show_projects_in_daily_plan");
const QLatin1String ShowAppIconBadge("show_app_icon_badge");
const QLatin1String DefaultStartTime("default_start_time");
const QLatin1String DefaultDueTime("default_due_time");
const QLatin1String ShowWelcomeScreen("show_welcome_screen");
const QLatin1String RecentProjects("recent_projects");
const QLatin1String ProjectId("project_id");
const QLatin1String ProjectName("project_name");
const QLatin1String ProjectParent("project_parent");
const QLatin1String IgnoreUpdateVersion("ignore_update_version");
const QLatin1String ShowMessageOnClose("show_message_on_close");
const QLatin1String AnalyticsUserId("analytics_user_id");
const QLatin1String FirstLaunchDateTime("first_launch_date_time");
const QLatin1String ApplicationColor("application_color");
const QLatin1String ShowCalendarOnDailyPlanPage("show_calendar_on_daily_plan_page");
const QLatin1String ShowProjectTreeView("show_project_tree_view");
const QLatin1String ShowContextTreeView("show_context_tree_view");
const QLatin1String AppVersion("app_version");
const QLatin1String UiScaleFactor("ui_scale_factor");
const QLatin1String AppLanguage("app_language");
const QLatin1String AppTheme("app_theme");
const QLatin1String ThemeSwitchType("theme_switch_type");
const QLatin1String ShowProjectsTip("show_projects_tip");
const QLatin1String ShowContextsTip("show_contexts_tip");
const QLatin1String ShowAppearanceBadge("show_appearance_badge");
const QLatin1String ShowMethodBadge("show_method_badge_courses");
const QLatin1String ShowFavoritesBadge("show_favorites_badge");
const QLatin1String AutoDarkThemeStartTime("adt_start_time");
const QLatin1String AutoDarkThemeEndTime("adt_end_time");
const QLatin1String FontRenderingType("font_rendering_type");
const QLatin1String UseBlueAsLightThemeColor("use_blue_as_light_theme_color");
const QLatin1String TrashCleanupTimestamp("trash_cleanup_timestamp");
const QLatin1String CloudSyncEnabled("cloud_sync_enabled");
const QLatin1String LastQv2PopupShow("last_qv2_popup_show");
const QLatin1String ShowQv2Popup("show_qv2_popup");
const QLatin1String PdfExportPath("pdf_export_path");
const QLatin1String LastLightThemeColor("last_light_theme_color");
const QLatin1String LastDarkThemeColor("last_dark_theme_color");
const QLatin1String ProxyGroup("Proxy");
// Where older versions kept the account strings, inside settings.dat.
const QLatin1String LegacyClientLogin("client_login");
const QLatin1String LegacyClientPassword("client_pass");
const QLatin1String LegacyAuthToken("auth_token");
} // namespace Key

const QLatin1String DefaultStartTime("8:00");
const QLatin1String DefaultDueTime("23:00");
const QLatin1String DefaultAutoDarkThemeStartTime("18:00");
const QLatin1String DefaultAutoDarkThemeEndTime("7:00");
const QLatin1String ThemeTimeFormat("h:m");
const QLatin1String BlueColor("#1E88E5");
const QLatin1String IndigoColor("#3F51B5");
const QLatin1String DefaultDarkThemeColor("#73ABFC");

const int MaxRecentProjectNameLength = 50;

QTime parseThemeTime(const QString &text, QLatin1String fallback)
{
    const QTime time = QTime::fromString(text, ThemeTimeFormat);
    if (time.isValid())
        return time;
    QLOG_WARN() << "The automatic theme time \"" << text << "\" is not a time of day; using " << QString(fallback);
    return QTime::fromString(fallback, ThemeTimeFormat);
}

// The password is kept as the hexadecimal text of its Base64 form.
// Returns false for anything that does not decode cleanly.
bool decodeProxyPassword(const QString &stored, QString *password)
{
    const QByteArray hex = stored.toLatin1();
    if (hex.size() % 2 != 0)
        return false;
    for (const char character : hex) {
        if (!std::isxdigit(static_cast<unsigned char>(character)))
            return false;
    }
    const auto decoded
        = QByteArray::fromBase64Encoding(QByteArray::fromHex(hex), QByteArray::AbortOnBase64DecodingErrors);
    if (!decoded)
        return false;
    *password = QString::fromUtf8(decoded.decoded);
    return true;
}

} // namespace

struct Settings::Private
{
    QString settingsPath;
    QString accountPath;

    // Guards everything below: the worker thread reads while the interface
    // thread writes, and a QSettings handle is not safe to share unguarded.
    QMutex mutex;
    std::unique_ptr<QSettings> store;
    QString login;
    QString password;
    QString token;
    QVariantList recentProjects;
    QSet<QString> reportedBadKeys;
    bool storeNeedsReopen = false;
    // Set when settings.dat could not be made safe to write (see openStore):
    // the handle then reads a private copy, and nothing is saved this run.
    std::unique_ptr<QTemporaryFile> privateCopy;
    bool refusalReported = false;

    void openStore();
    void openPrivateCopy(const QByteArray &content, const char *reason);
    QSettings *writableStore();
    bool syncStore(const QString &what);
    void readAccountFile();
    bool writeAccountFile();
    void loadRecentProjects();
    void migrateAccountStrings();
};

void Settings::Private::openStore()
{
    store.reset();
    // A value that would make QSettings build arbitrary objects never
    // reaches it: such entries leave the file first (kept aside, logged).
    if (SettingsFileCheck::screen(settingsPath) == SettingsFileCheck::Outcome::Unrepaired) {
        QFile file(settingsPath);
        const QByteArray content = file.open(QIODevice::ReadOnly) ? file.readAll() : QByteArray();
        openPrivateCopy(SettingsFileCheck::check(content).content, "it holds values that cannot be read safely");
        return;
    }
    store = std::make_unique<QSettings>(settingsPath, QSettings::IniFormat);
    // QSettings parses a group only when it is first read, and lines it
    // skips there are dropped silently at its next write: every group is
    // parsed now, and skipped lines count as damage too.
    store->allKeys();
    QFile file(settingsPath);
    const QByteArray content = file.open(QIODevice::ReadOnly) ? file.readAll() : QByteArray();
    if (store->status() != QSettings::FormatError && !DamagedSettingsFile::hasUnreadableLines(content))
        return;

    // A file QSettings cannot parse keeps its error status for the handle's
    // whole life, which would make every later write look failed. Keep a
    // copy of the damaged file, then start a clean file holding whatever
    // could still be read; the rest reads as defaults.
    const QString keptPath = DamagedSettingsFile::keepAside(settingsPath, content);
    if (keptPath.isEmpty()) {
        // Writing now would lose what could not be read, with no copy of it.
        openPrivateCopy(content, "it is damaged and no copy of it could be kept");
        return;
    }
    QLOG_WARN() << "The settings file " << settingsPath << " could not be parsed in full; "
                << "the readable settings are kept and the rest take their defaults. The damaged file is saved as "
                << keptPath;

    const QVariantMap readable = DamagedSettingsFile::readableEntries(*store);
    store.reset();
    store = DamagedSettingsFile::rewrite(settingsPath, readable);
}

void Settings::Private::openPrivateCopy(const QByteArray &content, const char *reason)
{
    privateCopy = std::make_unique<QTemporaryFile>(QDir::tempPath() + QStringLiteral("/quorvel-settings-XXXXXX.dat"));
    if (!privateCopy->open() || privateCopy->write(content) != content.size() || !privateCopy->flush())
        QLOG_ERROR() << "Unable to prepare a private copy of the settings: " << privateCopy->errorString();
    privateCopy->close();
    QLOG_ERROR() << "The settings file " << settingsPath << " is read but not written this run: " << reason << ".";
    store = std::make_unique<QSettings>(privateCopy->fileName(), QSettings::IniFormat);
}

bool Settings::Private::syncStore(const QString &what)
{
    if (privateCopy) {
        if (!refusalReported)
            QLOG_WARN() << "Unable to save " << what << " in " << settingsPath
                        << ": the file is not written this run (see above).";
        refusalReported = true;
        return false;
    }
    // Another program may have written the file since it was opened, and
    // the sync below reads it again before writing.
    if (SettingsFileCheck::screen(settingsPath) == SettingsFileCheck::Outcome::Unrepaired) {
        storeNeedsReopen = true;
        return false;
    }
    store->sync();
    const QSettings::Status status = store->status();
    if (status == QSettings::NoError)
        return true;
    QLOG_WARN() << "Unable to save " << what << " in " << settingsPath << " (" << DamagedSettingsFile::statusText(status) << ")";
    storeNeedsReopen = true;
    return false;
}

QSettings *Settings::Private::writableStore()
{
    // A handle reports an error status for the rest of its life once a write
    // failed; a fresh one lets the next write tell its own outcome. It is
    // opened only now, so that a file that became writable again in the
    // meantime is read as it is.
    if (storeNeedsReopen) {
        storeNeedsReopen = false;
        store.reset();
        openStore();
    }
    return store.get();
}

void Settings::Private::readAccountFile()
{
    QFile file(accountPath);
    if (!file.exists())
        return;
    if (!file.open(QIODevice::ReadOnly)) {
        QLOG_WARN() << "Unable to read the account file " << accountPath << ": " << file.errorString();
        return;
    }

    QDataStream in(&file);
    QString values[3];
    int complete = 0;
    while (complete < 3) {
        QString value;
        in >> value;
        if (in.status() != QDataStream::Ok)
            break;
        values[complete++] = value;
    }
    if (complete < 3) {
        QLOG_WARN() << "The account file " << accountPath << " is damaged or truncated: " << complete
                    << " of its 3 values could be read, the others are left empty";
    } else if (!in.atEnd()) {
        QLOG_WARN() << "The account file " << accountPath << " holds unexpected data after its 3 values";
    }

    login = values[0];
    password = values[1];
    token = values[2];
}

bool Settings::Private::writeAccountFile()
{
    QDir().mkpath(QFileInfo(accountPath).absolutePath());
    QSaveFile file(accountPath);
    if (!file.open(QIODevice::WriteOnly)) {
        QLOG_WARN() << "Unable to write the account file " << accountPath << ": " << file.errorString();
        return false;
    }
    // The file holds the session token: owner only. Set on the temporary
    // file before anything is written, so the token never sits in a file
    // others may read, and an older file's wider mode is not carried over.
    file.setPermissions(QFileDevice::ReadOwner | QFileDevice::WriteOwner);
    QDataStream out(&file);
    out << login << password << token;
    if (out.status() != QDataStream::Ok || !file.commit()) {
        QLOG_WARN() << "Unable to write the account file " << accountPath << ": " << file.errorString();
        return false;
    }
    return true;
}

void Settings::Private::loadRecentProjects()
{
    recentProjects.clear();
    const int count = store->beginReadArray(Key::RecentProjects);
    for (int i = 0; i < count; ++i) {
        store->setArrayIndex(i);
        QString name = store->value(Key::ProjectName).toString();
        if (name.size() > MaxRecentProjectNameLength)
            name = name.left(MaxRecentProjectNameLength) + QStringLiteral("...");
        QVariantMap project;
        project.insert(QStringLiteral("ID"), store->value(Key::ProjectId).toString());
        project.insert(QStringLiteral("NAME"), name);
        project.insert(QStringLiteral("PARENT"), store->value(Key::ProjectParent).toString());
        recentProjects.append(project);
    }
    store->endArray();
}

void Settings::Private::migrateAccountStrings()
{
    const std::pair<QLatin1String, QString *> legacy[] = {
        { Key::LegacyClientLogin, &login },
        { Key::LegacyClientPassword, &password },
        { Key::LegacyAuthToken, &token },
    };
    QStringList moved;
    for (const auto &entry : legacy) {
        const QString value = store->value(entry.first).toString();
        if (value.isEmpty())
            continue;
        *entry.second = value;
        moved.append(entry.first);
    }
    if (moved.isEmpty())
        return;

    // The old keys go only once their values are safely in config.dat;
    // otherwise the next start tries again.
    if (!writeAccountFile()) {
        QLOG_WARN() << "The account settings stay in " << settingsPath << " until they can be moved";
        return;
    }
    for (const QString &key : qAsConst(moved))
        store->remove(key);
    syncStore(QStringLiteral("the removal of the moved account settings"));
    QLOG_INFO() << "Account settings moved to " << accountPath;
}

Settings *Settings::instance()
{
    static Settings *const settings = [] {
        QLOG_INFO() << "Initialization of app settings...";
        return new Settings;
    }();
    return settings;
}

Settings::Settings(QObject *parent)
    : QObject(parent)
    , d(std::make_unique<Private>())
{
    d->settingsPath = AppPaths::settingsFile();
    d->accountPath = AppPaths::configFile();

    QMutexLocker lock(&d->mutex);
    d->readAccountFile();
    d->openStore();
    d->loadRecentProjects();
    d->migrateAccountStrings();
}

Settings::~Settings() = default;

// --- Reading and writing settings.dat ---

QVariant Settings::storedValue(const QString &key) const
{
    QMutexLocker lock(&d->mutex);
    return d->store->value(key);
}

void Settings::reportBadValue(const QString &key, const QVariant &value) const
{
    // Once per key and run: getters are called often.
    {
        QMutexLocker lock(&d->mutex);
        if (d->reportedBadKeys.contains(key))
            return;
        d->reportedBadKeys.insert(key);
    }
    QLOG_WARN() << "The setting " << key << " holds an unusable value (" << value.toString()
                << "); the default is used";
}

QString Settings::readString(const QString &key, const QString &fallback) const
{
    const QVariant value = storedValue(key);
    return value.isValid() ? value.toString() : fallback;
}

bool Settings::readBool(const QString &key, bool fallback) const
{
    const QVariant value = storedValue(key);
    if (!value.isValid())
        return fallback;
    if (value.type() == QVariant::Bool)
        return value.toBool();
    // INI files keep every value as text; QVariant would take any other text as true.
    const QString text = value.toString().trimmed().toLower();
    if (text == QLatin1String("true") || text == QLatin1String("1"))
        return true;
    if (text == QLatin1String("false") || text == QLatin1String("0"))
        return false;
    reportBadValue(key, value);
    return fallback;
}

int Settings::readEnum(const QString &key, int last) const
{
    const QVariant value = storedValue(key);
    if (!value.isValid())
        return 0;
    bool ok = false;
    const int number = value.toInt(&ok);
    if (ok && number >= 0 && number <= last)
        return number;
    reportBadValue(key, value);
    return 0;
}

QColor Settings::readColor(const QString &key, const QColor &fallback) const
{
    const QVariant value = storedValue(key);
    if (!value.isValid())
        return fallback;
    const QColor color = value.value<QColor>();
    if (color.isValid())
        return color;
    reportBadValue(key, value);
    return fallback;
}

QDateTime Settings::readDateTime(const QString &key) const
{
    const QVariant value = storedValue(key);
    if (!value.isValid())
        return QDateTime();
    const QDateTime dateTime = value.toDateTime();
    if (!dateTime.isValid())
        reportBadValue(key, value);
    return dateTime;
}

bool Settings::write(const QString &key, const QVariant &value)
{
    QMutexLocker lock(&d->mutex);
    d->writableStore()->setValue(key, value);
    return d->syncStore(key);
}

void Settings::storeAccountString(QString &field, const QString &value)
{
    QMutexLocker lock(&d->mutex);
    field = value;
    // A failed write is logged; the value stays in memory for this run.
    d->writeAccountFile();
}

// --- Account strings (config.dat) ---

QString Settings::clientLogin() const
{
    QMutexLocker lock(&d->mutex);
    return d->login;
}

void Settings::setClientLogin(const QString &clientLogin)
{
    storeAccountString(d->login, clientLogin);
    emit clientLoginChanged(clientLogin);
}

void Settings::clearClientLogin()
{
    setClientLogin(QString());
}

QString Settings::clientPassword() const
{
    QMutexLocker lock(&d->mutex);
    return d->password;
}

void Settings::setClientPassword(const QString &clientPassword)
{
    storeAccountString(d->password, clientPassword);
    emit clientPasswordChanged(clientPassword);
}

void Settings::clearClientPassword()
{
    setClientPassword(QString());
}

QString Settings::authToken() const
{
    QMutexLocker lock(&d->mutex);
    return d->token;
}

void Settings::setAuthToken(const QString &authToken)
{
    storeAccountString(d->token, authToken);
    emit authTokenChanged(authToken);
}

// --- Plain settings ---

bool Settings::showFutureTasks() const
{
    return readBool(Key::ShowFutureTasks, true);
}

void Settings::setShowFutureTasks(bool showFutureTasks)
{
    if (write(Key::ShowFutureTasks, showFutureTasks))
        emit showFutureTasksChanged(showFutureTasks);
}

bool Settings::playActionSounds() const
{
    return readBool(Key::PlayActionSounds, true);
}

void Settings::setPlayActionSounds(bool playActionSounds)
{
    if (write(Key::PlayActionSounds, playActionSounds))
        emit playActionSoundsChanged(playActionSounds);
}

bool Settings::showCompletedTasks() const
{
    return readBool(Key::ShowCompletedTasks, true);
}

void Settings::setShowCompletedTasks(bool showCompletedTasks)
{
    if (write(Key::ShowCompletedTasks, showCompletedTasks))
        emit showCompletedTasksChanged(showCompletedTasks);
}

bool Settings::showCompletedProjects() const
{
    return readBool(Key::ShowCompletedProjects, true);
}

void Settings::setShowCompletedProjects(bool showCompletedProjects)
{
    if (write(Key::ShowCompletedProjects, showCompletedProjects))
        emit showCompletedProjectsChanged(showCompletedProjects);
}

bool Settings::showProjectsInDailyPlan() const
{
    return readBool(Key::ShowProjectsInDailyPlan, true);
}

void Settings::setShowProjectsInDailyPlan(bool showProjectsInDailyPlan)
{
    if (write(Key::ShowProjectsInDailyPlan, showProjectsInDailyPlan))
        emit showProjectsInDailyPlanChanged(showProjectsInDailyPlan);
}

bool Settings::showAppIconBadge() const
{
    return readBool(Key::ShowAppIconBadge, true);
}

void Settings::setShowAppIconBadge(bool showAppIconBadge)
{
    if (write(Key::ShowAppIconBadge, showAppIconBadge))
        emit showAppIconBadgeChanged(showAppIconBadge);
}

QString Settings::defaultStartTime() const
{
    return readString(Key::DefaultStartTime, DefaultStartTime);
}

void Settings::setDefaultStartTime(const QString &defaultStartTime)
{
    if (write(Key::DefaultStartTime, defaultStartTime))
        emit defaultStartTimeChanged(defaultStartTime);
}

QString Settings::defaultDueTime() const
{
    return readString(Key::DefaultDueTime, DefaultDueTime);
}

void Settings::setDefaultDueTime(const QString &defaultDueTime)
{
    if (write(Key::DefaultDueTime, defaultDueTime))
        emit defaultDueTimeChanged(defaultDueTime);
}

bool Settings::showWelcomeScreen() const
{
    return readBool(Key::ShowWelcomeScreen, true);
}

void Settings::setShowWelcomeScreen(bool showWelcomeScreen)
{
    if (write(Key::ShowWelcomeScreen, showWelcomeScreen))
        emit showWelcomeScreenChanged(showWelcomeScreen);
}

// --- Recent projects ---

QVariantList Settings::recentProjects() const
{
    QMutexLocker lock(&d->mutex);
    return d->recentProjects;
}

void Settings::setRecentProjects(const QVariantList &recentProjects)
{
    {
        QMutexLocker lock(&d->mutex);
        if (recentProjects == d->recentProjects)
            return;
        d->recentProjects = recentProjects;

        // Cleared first so that a shorter list leaves no stale elements behind.
        QSettings *store = d->writableStore();
        store->remove(Key::RecentProjects);
        store->beginWriteArray(Key::RecentProjects, recentProjects.size());
        for (int i = 0; i < recentProjects.size(); ++i) {
            const QVariantMap project = recentProjects.at(i).toMap();
            store->setArrayIndex(i);
            store->setValue(Key::ProjectId, project.value(QStringLiteral("ID")).toString());
            store->setValue(Key::ProjectName, project.value(QStringLiteral("NAME")).toString());
            store->setValue(Key::ProjectParent, project.value(QStringLiteral("PARENT")).toString());
        }
        store->endArray();
        // The list is the one in memory for this run even when the file
        // refuses it, so the signal follows either way.
        d->syncStore(QStringLiteral("the recent projects"));
    }
    emit recentProjectsChanged(recentProjects);
}

void Settings::clearRecentProjects()
{
    {
        QMutexLocker lock(&d->mutex);
        d->writableStore()->remove(Key::RecentProjects);
        d->syncStore(QStringLiteral("the cleared recent projects"));
        d->recentProjects.clear();
    }
    emit recentProjectsChanged(QVariantList());
}

QString Settings::ignoreUpdateVersion() const
{
    return readString(Key::IgnoreUpdateVersion, QString());
}

void Settings::setIgnoreUpdateVersion(const QString &ignoreUpdateVersion)
{
    if (write(Key::IgnoreUpdateVersion, ignoreUpdateVersion))
        emit ignoreUpdateVersionChanged(ignoreUpdateVersion);
}

bool Settings::showMessageOnClose() const
{
    return readBool(Key::ShowMessageOnClose, true);
}

void Settings::setShowMessageOnClose(bool showMessageOnClose)
{
    if (write(Key::ShowMessageOnClose, showMessageOnClose))
        emit showMessageOnCloseChanged(showMessageOnClose);
}

QString Settings::analyticsUserId() const
{
    return readString(Key::AnalyticsUserId, QString());
}

void Settings::setAnalyticsUserId(const QString &analyticsUserId)
{
    if (write(Key::AnalyticsUserId, analyticsUserId))
        emit analyticsUserIdChanged(analyticsUserId);
}

QDateTime Settings::firstLaunchDateTime() const
{
    return readDateTime(Key::FirstLaunchDateTime);
}

void Settings::setFirstLaunchDateTime(const QDateTime &firstLaunchDateTime)
{
    if (write(Key::FirstLaunchDateTime, firstLaunchDateTime))
        emit firstLaunchDateTimeChanged(firstLaunchDateTime);
}

// --- Colours and themes ---

QColor Settings::applicationColor() const
{
    const QColor fallback(useBlueAsLightThemeColor() ? BlueColor : IndigoColor);
    return readColor(Key::ApplicationColor, fallback);
}

void Settings::setApplicationColor(const QColor &applicationColor)
{
    if (write(Key::ApplicationColor, applicationColor))
        emit applicationColorChanged(applicationColor);
}

Settings::AppTheme Settings::appTheme() const
{
    return static_cast<AppTheme>(readEnum(Key::AppTheme, DarkTheme));
}

void Settings::setAppTheme(Settings::AppTheme appTheme)
{
    const AppTheme previous = this->appTheme();
    if (previous == appTheme)
        return;
    if (!write(Key::AppTheme, static_cast<int>(appTheme)))
        return;

    // Each theme remembers its own colour. The colour in use belongs to the
    // theme being left; a light or not yet chosen theme counts as light, so
    // that moving between those two never files a light colour as the dark one.
    const bool wasDark = previous == DarkTheme;
    const bool isDark = appTheme == DarkTheme;
    write(wasDark ? Key::LastDarkThemeColor : Key::LastLightThemeColor, applicationColor());
    const QColor restored = isDark ? readColor(Key::LastDarkThemeColor, QColor(DefaultDarkThemeColor))
                                   : readColor(Key::LastLightThemeColor, QColor(BlueColor));
    setApplicationColor(restored);

    emit appThemeChanged(appTheme);
}

Settings::ThemeSwitchType Settings::themeSwitchType() const
{
    return static_cast<ThemeSwitchType>(readEnum(Key::ThemeSwitchType, AutoByTime));
}

void Settings::setThemeSwitchType(Settings::ThemeSwitchType themeSwitchType)
{
    if (write(Key::ThemeSwitchType, static_cast<int>(themeSwitchType)))
        emit themeSwitchTypeChanged(themeSwitchType);
}

Settings::AppTheme Settings::automaticThemeAt(const QTime &start, const QTime &end, const QTime &now)
{
    const bool dark = start > end ? (now >= start || now < end) : (start <= now && now < end);
    return dark ? DarkTheme : LightTheme;
}

QDateTime Settings::nextAutomaticThemeSwitch(const QTime &start, const QTime &end, const QDateTime &now)
{
    const QTime at = automaticThemeAt(start, end, now.time()) == DarkTheme ? end : start;
    QDateTime next = now;
    next.setTime(at);
    if (at < now.time())
        next = next.addDays(1);
    return next;
}

qint64 Settings::applyAutomaticTheme(const QDateTime &now)
{
    if (themeSwitchType() != AutoByTime)
        return -1;
    const QTime start = parseThemeTime(autoDarkThemeStartTime(), DefaultAutoDarkThemeStartTime);
    const QTime end = parseThemeTime(autoDarkThemeEndTime(), DefaultAutoDarkThemeEndTime);
    setAppTheme(automaticThemeAt(start, end, now.time()));
    // Never negative, even should a clock change put the moment behind us.
    return qMax<qint64>(0, now.msecsTo(nextAutomaticThemeSwitch(start, end, now)));
}

bool Settings::showCalendarOnDailyPlanPage() const
{
    return readBool(Key::ShowCalendarOnDailyPlanPage, true);
}

void Settings::setShowCalendarOnDailyPlanPage(bool showCalendarOnDailyPlanPage)
{
    if (write(Key::ShowCalendarOnDailyPlanPage, showCalendarOnDailyPlanPage))
        emit showCalendarOnDailyPlanPageChanged(showCalendarOnDailyPlanPage);
}

bool Settings::showProjectTreeView() const
{
    return readBool(Key::ShowProjectTreeView, true);
}

void Settings::setShowProjectTreeView(bool showProjectTreeView)
{
    if (write(Key::ShowProjectTreeView, showProjectTreeView))
        emit showProjectTreeViewChanged(showProjectTreeView);
}

bool Settings::showContextTreeView() const
{
    return readBool(Key::ShowContextTreeView, true);
}

void Settings::setShowContextTreeView(bool showContextTreeView)
{
    if (write(Key::ShowContextTreeView, showContextTreeView))
        emit showContextTreeViewChanged(showContextTreeView);
}

QString Settings::appVersion() const
{
    return readString(Key::AppVersion, QStringLiteral("1.0"));
}

void Settings::setAppVersion(const QString &appVersion)
{
    if (write(Key::AppVersion, appVersion))
        emit appVersionChanged(appVersion);
}

QString Settings::uiScaleFactor() const
{
    return readString(Key::UiScaleFactor, QString());
}

void Settings::setUiScaleFactor(const QString &uiScaleFactor)
{
    if (write(Key::UiScaleFactor, uiScaleFactor))
        emit uiScaleFactorChanged(uiScaleFactor);
}

// --- Start with the session ---

bool Settings::startAppWhenWindowsStarts() const
{
    return AutostartEntry::exists();
}

void Settings::setStartAppWhenWindowsStarts(bool startAppWhenWindowsStarts)
{
    const bool done = startAppWhenWindowsStarts ? AutostartEntry::create(QCoreApplication::applicationFilePath())
                                                : AutostartEntry::remove();
    if (!done) {
        QLOG_WARN() << "Unable to " << (startAppWhenWindowsStarts ? "turn on" : "turn off")
                    << " starting with the session";
    }
    // The signal tells what is now in place, which after a failure is not
    // what was asked for.
    emit startAppWhenWindowsStartsChanged(AutostartEntry::exists());
}

// --- Language ---

QString Settings::applicationLanguage() const
{
    const QVariant value = storedValue(Key::AppLanguage);
    if (value.isValid())
        return value.toString();
    const QLocale system = QLocale::system();
    // The "C" locale of a bare environment has no language of its own.
    if (system.language() == QLocale::C)
        return QStringLiteral("en");
    return system.name().left(2);
}

void Settings::setApplicationLanguage(const QString &applicationLanguage)
{
    if (!write(Key::AppLanguage, applicationLanguage))
        return;
    emit applicationLanguageChanged(applicationLanguage);
    emit supportEmailChanged(supportEmail());
}

QString Settings::supportEmail() const
{
    return applicationLanguage() == QLatin1String("ru") ? QStringLiteral("podderzhka@velmora.app")
                                                        : QStringLiteral("support@velmora.app");
}

bool Settings::showProjectsTip() const
{
    return readBool(Key::ShowProjectsTip, true);
}

void Settings::setShowProjectsTip(bool showProjectsTip)
{
    if (write(Key::ShowProjectsTip, showProjectsTip))
        emit showProjectsTipChanged(showProjectsTip);
}

bool Settings::showContextsTip() const
{
    return readBool(Key::ShowContextsTip, true);
}

void Settings::setShowContextsTip(bool showContextsTip)
{
    if (write(Key::ShowContextsTip, showContextsTip))
        emit showContextsTipChanged(showContextsTip);
}

bool Settings::showAppearanceNewBadge() const
{
    return readBool(Key::ShowAppearanceBadge, true);
}

void Settings::setShowAppearanceNewBadge(bool showAppearanceNewBadge)
{
    if (write(Key::ShowAppearanceBadge, showAppearanceNewBadge))
        emit showAppearanceNewBadgeChanged(showAppearanceNewBadge);
}

bool Settings::showMethodNewBadge() const
{
    // The method courses exist in Russian only.
    return readBool(Key::ShowMethodBadge, applicationLanguage() == QLatin1String("ru"));
}

void Settings::setShowMethodNewBadge(bool showMethodNewBadge)
{
    if (write(Key::ShowMethodBadge, showMethodNewBadge))
        emit showMethodNewBadgeChanged(showMethodNewBadge);
}

bool Settings::showFavoritesNewBadge() const
{
    return readBool(Key::ShowFavoritesBadge, true);
}

void Settings::setShowFavoritesNewBadge(bool showFavoritesNewBadge)
{
    if (write(Key::ShowFavoritesBadge, showFavoritesNewBadge))
        emit showFavoritesNewBadgeChanged(showFavoritesNewBadge);
}

QString Settings::autoDarkThemeStartTime() const
{
    return readString(Key::AutoDarkThemeStartTime, DefaultAutoDarkThemeStartTime);
}

void Settings::setAutoDarkThemeStartTime(const QString &autoDarkThemeStartTime)
{
    if (write(Key::AutoDarkThemeStartTime, autoDarkThemeStartTime))
        emit autoDarkThemeStartTimeChanged(autoDarkThemeStartTime);
}

QString Settings::autoDarkThemeEndTime() const
{
    return readString(Key::AutoDarkThemeEndTime, DefaultAutoDarkThemeEndTime);
}

void Settings::setAutoDarkThemeEndTime(const QString &autoDarkThemeEndTime)
{
    if (write(Key::AutoDarkThemeEndTime, autoDarkThemeEndTime))
        emit autoDarkThemeEndTimeChanged(autoDarkThemeEndTime);
}

QString Settings::fontRenderingType() const
{
    return readString(Key::FontRenderingType, QString());
}

void Settings::setFontRenderingType(const QString &fontRenderingType)
{
    if (write(Key::FontRenderingType, fontRenderingType))
        emit fontRenderingTypeChanged(fontRenderingType);
}

bool Settings::useBlueAsLightThemeColor() const
{
    return readBool(Key::UseBlueAsLightThemeColor, false);
}

void Settings::setUseBlueAsLightThemeColor(bool useBlueAsLightThemeColor)
{
    if (write(Key::UseBlueAsLightThemeColor, useBlueAsLightThemeColor))
        emit useBlueAsLightThemeColorChanged(useBlueAsLightThemeColor);
}

uint Settings::trashCleanupTimestamp() const
{
    const QVariant value = storedValue(Key::TrashCleanupTimestamp);
    if (!value.isValid())
        return 0;
    bool ok = false;
    const uint timestamp = value.toUInt(&ok);
    if (ok)
        return timestamp;
    reportBadValue(Key::TrashCleanupTimestamp, value);
    return 0;
}

void Settings::setTrashCleanupTimestamp(uint trashCleanupTimestamp)
{
    if (write(Key::TrashCleanupTimestamp, trashCleanupTimestamp))
        emit trashCleanupTimestampChanged(trashCleanupTimestamp);
}

bool Settings::cloudSyncEnabled() const
{
    return readBool(Key::CloudSyncEnabled, false);
}

void Settings::setCloudSyncEnabled(bool cloudSyncEnabled)
{
    if (write(Key::CloudSyncEnabled, cloudSyncEnabled))
        emit cloudSyncEnabledChanged(cloudSyncEnabled);
}

bool Settings::hasCloudSyncEnabledSetting() const
{
    QMutexLocker lock(&d->mutex);
    return d->store->contains(Key::CloudSyncEnabled);
}

QDateTime Settings::lastQv2PopupShow() const
{
    return readDateTime(Key::LastQv2PopupShow);
}

void Settings::setLastQv2PopupShow(const QDateTime &lastQv2PopupShow)
{
    if (write(Key::LastQv2PopupShow, lastQv2PopupShow))
        emit lastQv2PopupShowChanged(lastQv2PopupShow);
}

bool Settings::showQv2Popup() const
{
    return readBool(Key::ShowQv2Popup, true);
}

void Settings::setShowQv2Popup(bool showQv2Popup)
{
    if (write(Key::ShowQv2Popup, showQv2Popup))
        emit showQv2PopupChanged();
}

QString Settings::pdfExportPath() const
{
    return readString(Key::PdfExportPath, QStandardPaths::writableLocation(QStandardPaths::DocumentsLocation));
}

void Settings::setPdfExportPath(const QString &pdfExportPath)
{
    // Folder dialogs hand over URLs. Turning the URL into a local path keeps
    // the root slash on Unix and decodes escapes such as "%20", which merely
    // cutting off "file:///" would not.
    QString path = pdfExportPath;
    if (path.startsWith(QLatin1String("file:"), Qt::CaseInsensitive))
        path = QUrl(path).toLocalFile();
    if (write(Key::PdfExportPath, path))
        emit pdfExportPathChanged(path);
}

// --- Proxy credentials ---

QString Settings::proxyKey(const QString &host, int port)
{
    return QStringLiteral("%1:%2").arg(host).arg(port);
}

QJsonObject Settings::proxyCredentials(const QString &key) const
{
    const QVariant value = storedValue(Key::ProxyGroup + QLatin1Char('/') + key);
    if (!value.isValid())
        return QJsonObject();
    const QStringList parts = value.toStringList();
    QString password;
    if (parts.size() != 2 || !decodeProxyPassword(parts.at(1), &password)) {
        QLOG_WARN() << "The stored credentials of proxy " << key << " are unreadable and are ignored";
        return QJsonObject();
    }
    return QJsonObject{ { QStringLiteral("username"), parts.at(0) }, { QStringLiteral("password"), password } };
}

bool Settings::setProxyCredentials(const QString &key, const QString &user, const QString &password)
{
    const QString encoded = QString::fromLatin1(password.toUtf8().toBase64().toHex());
    return write(Key::ProxyGroup + QLatin1Char('/') + key, QStringList{ user, encoded });
}

bool Settings::removeProxyCredentials(const QString &key)
{
    QMutexLocker lock(&d->mutex);
    d->writableStore()->remove(Key::ProxyGroup + QLatin1Char('/') + key);
    return d->syncStore(QStringLiteral("the removal of proxy credentials"));
}
