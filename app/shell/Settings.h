#pragma once

#include <QColor>
#include <QDateTime>
#include <QJsonObject>
#include <QObject>
#include <QString>
#include <QTime>
#include <QVariantList>

#include <memory>

// User preferences and small pieces of persistent state.
//
// Most values live in "settings.dat" (INI format) and are read from the file
// handle on every access and written through at once; a change signal follows
// only a write the file reports as saved. The account strings (login,
// password digest, token) live in "config.dat", a bare QDataStream of three
// QStrings that the sync worker reads too, and are kept in memory.
//
// Getters may be called from the data worker thread while the interface
// thread writes; setters belong to the interface thread.
class Settings : public QObject
{
    Q_OBJECT

    Q_PROPERTY(QString clientLogin READ clientLogin WRITE setClientLogin NOTIFY clientLoginChanged)
    Q_PROPERTY(QString clientPassword READ clientPassword WRITE setClientPassword NOTIFY clientPasswordChanged)
    Q_PROPERTY(QString authToken READ authToken WRITE setAuthToken NOTIFY authTokenChanged)
    Q_PROPERTY(bool showFutureTasks READ showFutureTasks WRITE setShowFutureTasks NOTIFY showFutureTasksChanged)
    Q_PROPERTY(bool playActionSounds READ playActionSounds WRITE setPlayActionSounds NOTIFY playActionSoundsChanged)
    Q_PROPERTY(bool showCompletedTasks READ showCompletedTasks WRITE setShowCompletedTasks NOTIFY
                   showCompletedTasksChanged)
    Q_PROPERTY(bool showCompletedProjects READ showCompletedProjects WRITE setShowCompletedProjects NOTIFY
                   showCompletedProjectsChanged)
    Q_PROPERTY(bool showProjectsInDailyPlan READ showProjectsInDailyPlan WRITE setShowProjectsInDailyPlan NOTIFY
                   showProjectsInDailyPlanChanged)
    Q_PROPERTY(bool showAppIconBadge READ showAppIconBadge WRITE setShowAppIconBadge NOTIFY showAppIconBadgeChanged)
    Q_PROPERTY(QString defaultStartTime READ defaultStartTime WRITE setDefaultStartTime NOTIFY
                   defaultStartTimeChanged)
    Q_PROPERTY(QString defaultDueTime READ defaultDueTime WRITE setDefaultDueTime NOTIFY defaultDueTimeChanged)
    Q_PROPERTY(bool showWelcomeScreen READ showWelcomeScreen WRITE setShowWelcomeScreen NOTIFY
                   showWelcomeScreenChanged)
    Q_PROPERTY(QVariantList recentProjects READ recentProjects WRITE setRecentProjects NOTIFY
                   recentProjectsChanged)
    Q_PROPERTY(QString ignoreUpdateVersion READ ignoreUpdateVersion WRITE setIgnoreUpdateVersion NOTIFY
                   ignoreUpdateVersionChanged)
    Q_PROPERTY(bool showMessageOnClose READ showMessageOnClose WRITE setShowMessageOnClose NOTIFY
                   showMessageOnCloseChanged)
    Q_PROPERTY(QString analyticsUserId READ analyticsUserId WRITE setAnalyticsUserId NOTIFY analyticsUserIdChanged)
    Q_PROPERTY(QDateTime firstLaunchDateTime READ firstLaunchDateTime WRITE setFirstLaunchDateTime NOTIFY
                   firstLaunchDateTimeChanged)
    Q_PROPERTY(QColor applicationColor READ applicationColor WRITE setApplicationColor NOTIFY
                   applicationColorChanged)
    Q_PROPERTY(bool showCalendarOnDailyPlanPage READ showCalendarOnDailyPlanPage WRITE
                   setShowCalendarOnDailyPlanPage NOTIFY showCalendarOnDailyPlanPageChanged)
    Q_PROPERTY(bool showProjectTreeView READ showProjectTreeView WRITE setShowProjectTreeView NOTIFY
                   showProjectTreeViewChanged)
    Q_PROPERTY(bool showContextTreeView READ showContextTreeView WRITE setShowContextTreeView NOTIFY
                   showContextTreeViewChanged)
    Q_PROPERTY(QString appVersion READ appVersion WRITE setAppVersion NOTIFY appVersionChanged)
    Q_PROPERTY(QString uiScaleFactor READ uiScaleFactor WRITE setUiScaleFactor NOTIFY uiScaleFactorChanged)
    Q_PROPERTY(bool startAppWhenWindowsStarts READ startAppWhenWindowsStarts WRITE setStartAppWhenWindowsStarts
                   NOTIFY startAppWhenWindowsStartsChanged)
    Q_PROPERTY(QString applicationLanguage READ applicationLanguage WRITE setApplicationLanguage NOTIFY
                   applicationLanguageChanged)
    Q_PROPERTY(QString supportEmail READ supportEmail NOTIFY supportEmailChanged)
    Q_PROPERTY(AppTheme appTheme READ appTheme WRITE setAppTheme NOTIFY appThemeChanged)
    Q_PROPERTY(ThemeSwitchType themeSwitchType READ themeSwitchType WRITE setThemeSwitchType NOTIFY
                   themeSwitchTypeChanged)
    Q_PROPERTY(bool showProjectsTip READ showProjectsTip WRITE setShowProjectsTip NOTIFY showProjectsTipChanged)
    Q_PROPERTY(bool showContextsTip READ showContextsTip WRITE setShowContextsTip NOTIFY showContextsTipChanged)
    Q_PROPERTY(bool showAppearanceNewBadge READ showAppearanceNewBadge WRITE setShowAppearanceNewBadge NOTIFY
                   showAppearanceNewBadgeChanged)
    Q_PROPERTY(bool showMethodNewBadge READ showMethodNewBadge WRITE setShowMethodNewBadge NOTIFY
                   showMethodNewBadgeChanged)
    Q_PROPERTY(bool showFavoritesNewBadge READ showFavoritesNewBadge WRITE setShowFavoritesNewBadge NOTIFY
                   showFavoritesNewBadgeChanged)
    Q_PROPERTY(QString autoDarkThemeStartTime READ autoDarkThemeStartTime WRITE setAutoDarkThemeStartTime NOTIFY
                   autoDarkThemeStartTimeChanged)
    Q_PROPERTY(QString autoDarkThemeEndTime READ autoDarkThemeEndTime WRITE setAutoDarkThemeEndTime NOTIFY
                   autoDarkThemeEndTimeChanged)
    Q_PROPERTY(QString fontRenderingType READ fontRenderingType WRITE setFontRenderingType NOTIFY
                   fontRenderingTypeChanged)
    Q_PROPERTY(bool useBlueAsLightThemeColor READ useBlueAsLightThemeColor WRITE setUseBlueAsLightThemeColor
                   NOTIFY useBlueAsLightThemeColorChanged)
    Q_PROPERTY(uint trashCleanupTimestamp READ trashCleanupTimestamp WRITE setTrashCleanupTimestamp NOTIFY
                   trashCleanupTimestampChanged)
    Q_PROPERTY(bool cloudSyncEnabled READ cloudSyncEnabled WRITE setCloudSyncEnabled NOTIFY cloudSyncEnabledChanged)
    Q_PROPERTY(QDateTime lastQv2PopupShow READ lastQv2PopupShow WRITE setLastQv2PopupShow NOTIFY
                   lastQv2PopupShowChanged)
    Q_PROPERTY(bool showQv2Popup READ showQv2Popup WRITE setShowQv2Popup NOTIFY showQv2PopupChanged)
    Q_PROPERTY(QString pdfExportPath READ pdfExportPath WRITE setPdfExportPath NOTIFY pdfExportPathChanged)

public:
    enum AppTheme { UndefinedTheme = 0, LightTheme = 1, DarkTheme = 2 };
    Q_ENUM(AppTheme)

    enum ThemeSwitchType { Manual = 0, DependsOnSystemTheme = 1, AutoByTime = 2 };
    Q_ENUM(ThemeSwitchType)

    // The object the program uses, created on first call.
    static Settings *instance();

    // A separate object over the same files. The program goes through
    // instance(); tests use this to look at freshly written files.
    explicit Settings(QObject *parent = nullptr);
    ~Settings() override;

    QString clientLogin() const;
    QString clientPassword() const;
    QString authToken() const;
    bool showFutureTasks() const;
    bool playActionSounds() const;
    bool showCompletedTasks() const;
    bool showCompletedProjects() const;
    bool showProjectsInDailyPlan() const;
    bool showAppIconBadge() const;
    QString defaultStartTime() const;
    QString defaultDueTime() const;
    bool showWelcomeScreen() const;
    // Maps with the record keys "ID", "NAME" and "PARENT".
    QVariantList recentProjects() const;
    QString ignoreUpdateVersion() const;
    bool showMessageOnClose() const;
    QString analyticsUserId() const;
    QDateTime firstLaunchDateTime() const;
    QColor applicationColor() const;
    bool showCalendarOnDailyPlanPage() const;
    bool showProjectTreeView() const;
    bool showContextTreeView() const;
    QString appVersion() const;
    QString uiScaleFactor() const;
    bool startAppWhenWindowsStarts() const;
    QString applicationLanguage() const;
    QString supportEmail() const;
    AppTheme appTheme() const;
    ThemeSwitchType themeSwitchType() const;
    bool showProjectsTip() const;
    bool showContextsTip() const;
    bool showAppearanceNewBadge() const;
    bool showMethodNewBadge() const;
    bool showFavoritesNewBadge() const;
    QString autoDarkThemeStartTime() const;
    QString autoDarkThemeEndTime() const;
    QString fontRenderingType() const;
    bool useBlueAsLightThemeColor() const;
    uint trashCleanupTimestamp() const;
    bool cloudSyncEnabled() const;
    QDateTime lastQv2PopupShow() const;
    bool showQv2Popup() const;
    QString pdfExportPath() const;

    // Whether "cloud_sync_enabled" was ever written: start-up turns sync on
    // for accounts that signed in before the switch existed.
    bool hasCloudSyncEnabledSetting() const;

    // Proxy credentials are filed under "host:port".
    static QString proxyKey(const QString &host, int port);
    // {"username", "password"}, or an empty object when nothing usable is stored.
    Q_INVOKABLE QJsonObject proxyCredentials(const QString &key) const;

    // The automatic theme: dark from start until end (across midnight when
    // start is later than end), light otherwise; equal times mean light all day.
    static AppTheme automaticThemeAt(const QTime &start, const QTime &end, const QTime &now);
    // The moment the automatic theme next changes: end while dark, start while
    // light, today if that time has not passed yet, else tomorrow.
    static QDateTime nextAutomaticThemeSwitch(const QTime &start, const QTime &end, const QDateTime &now);
    // With themeSwitchType AutoByTime, stores the theme due at now and returns
    // the milliseconds until the next switch; otherwise changes nothing and
    // returns -1.
    qint64 applyAutomaticTheme(const QDateTime &now);

public slots:
    void setClientLogin(const QString &clientLogin);
    void setClientPassword(const QString &clientPassword);
    void setAuthToken(const QString &authToken);
    void setShowFutureTasks(bool showFutureTasks);
    void setPlayActionSounds(bool playActionSounds);
    void setShowCompletedTasks(bool showCompletedTasks);
    void setShowCompletedProjects(bool showCompletedProjects);
    void setShowProjectsInDailyPlan(bool showProjectsInDailyPlan);
    void setShowAppIconBadge(bool showAppIconBadge);
    void setDefaultStartTime(const QString &defaultStartTime);
    void setDefaultDueTime(const QString &defaultDueTime);
    void setShowWelcomeScreen(bool showWelcomeScreen);
    void setRecentProjects(const QVariantList &recentProjects);
    void setIgnoreUpdateVersion(const QString &ignoreUpdateVersion);
    void setShowMessageOnClose(bool showMessageOnClose);
    void setAnalyticsUserId(const QString &analyticsUserId);
    void setFirstLaunchDateTime(const QDateTime &firstLaunchDateTime);
    void setApplicationColor(const QColor &applicationColor);
    void setShowCalendarOnDailyPlanPage(bool showCalendarOnDailyPlanPage);
    void setShowProjectTreeView(bool showProjectTreeView);
    void setShowContextTreeView(bool showContextTreeView);
    void setAppVersion(const QString &appVersion);
    void setUiScaleFactor(const QString &uiScaleFactor);
    void setStartAppWhenWindowsStarts(bool startAppWhenWindowsStarts);
    void setApplicationLanguage(const QString &applicationLanguage);
    void setAppTheme(Settings::AppTheme appTheme);
    void setThemeSwitchType(Settings::ThemeSwitchType themeSwitchType);
    void setShowProjectsTip(bool showProjectsTip);
    void setShowContextsTip(bool showContextsTip);
    void setShowAppearanceNewBadge(bool showAppearanceNewBadge);
    void setShowMethodNewBadge(bool showMethodNewBadge);
    void setShowFavoritesNewBadge(bool showFavoritesNewBadge);
    void setAutoDarkThemeStartTime(const QString &autoDarkThemeStartTime);
    void setAutoDarkThemeEndTime(const QString &autoDarkThemeEndTime);
    void setFontRenderingType(const QString &fontRenderingType);
    void setUseBlueAsLightThemeColor(bool useBlueAsLightThemeColor);
    void setTrashCleanupTimestamp(uint trashCleanupTimestamp);
    void setCloudSyncEnabled(bool cloudSyncEnabled);
    void setLastQv2PopupShow(const QDateTime &lastQv2PopupShow);
    void setShowQv2Popup(bool showQv2Popup);
    void setPdfExportPath(const QString &pdfExportPath);

    void clearClientLogin();
    void clearClientPassword();
    void clearRecentProjects();

    // Return whether the change reached the file.
    bool setProxyCredentials(const QString &key, const QString &user, const QString &password);
    bool removeProxyCredentials(const QString &key);

signals:
    void clientLoginChanged(const QString &clientLogin);
    void clientPasswordChanged(const QString &clientPassword);
    void authTokenChanged(const QString &authToken);
    void showFutureTasksChanged(bool showFutureTasks);
    void playActionSoundsChanged(bool playActionSounds);
    void showCompletedTasksChanged(bool showCompletedTasks);
    void showCompletedProjectsChanged(bool showCompletedProjects);
    void showProjectsInDailyPlanChanged(bool showProjectsInDailyPlan);
    void showAppIconBadgeChanged(bool showAppIconBadge);
    void defaultStartTimeChanged(const QString &defaultStartTime);
    void defaultDueTimeChanged(const QString &defaultDueTime);
    void showWelcomeScreenChanged(bool showWelcomeScreen);
    void recentProjectsChanged(const QVariantList &recentProjects);
    void ignoreUpdateVersionChanged(const QString &ignoreUpdateVersion);
    void showMessageOnCloseChanged(bool showMessageOnClose);
    void analyticsUserIdChanged(const QString &analyticsUserId);
    void firstLaunchDateTimeChanged(const QDateTime &firstLaunchDateTime);
    void applicationColorChanged(const QColor &applicationColor);
    void showCalendarOnDailyPlanPageChanged(bool showCalendarOnDailyPlanPage);
    void showProjectTreeViewChanged(bool showProjectTreeView);
    void showContextTreeViewChanged(bool showContextTreeView);
    void appVersionChanged(const QString &appVersion);
    void uiScaleFactorChanged(const QString &uiScaleFactor);
    void startAppWhenWindowsStartsChanged(bool startAppWhenWindowsStarts);
    void applicationLanguageChanged(const QString &applicationLanguage);
    void supportEmailChanged(const QString &supportEmail);
    void appThemeChanged(Settings::AppTheme appTheme);
    void themeSwitchTypeChanged(Settings::ThemeSwitchType themeSwitchType);
    void showProjectsTipChanged(bool showProjectsTip);
    void showContextsTipChanged(bool showContextsTip);
    void showAppearanceNewBadgeChanged(bool showAppearanceNewBadge);
    void showMethodNewBadgeChanged(bool showMethodNewBadge);
    void showFavoritesNewBadgeChanged(bool showFavoritesNewBadge);
    void autoDarkThemeStartTimeChanged(const QString &autoDarkThemeStartTime);
    void autoDarkThemeEndTimeChanged(const QString &autoDarkThemeEndTime);
    void fontRenderingTypeChanged(const QString &fontRenderingType);
    void useBlueAsLightThemeColorChanged(bool useBlueAsLightThemeColor);
    void trashCleanupTimestampChanged(uint trashCleanupTimestamp);
    void cloudSyncEnabledChanged(bool cloudSyncEnabled);
    void lastQv2PopupShowChanged(const QDateTime &lastQv2PopupShow);
    void showQv2PopupChanged();
    void pdfExportPathChanged(const QString &pdfExportPath);

private:
    QVariant storedValue(const QString &key) const;
    QString readString(const QString &key, const QString &fallback) const;
    bool readBool(const QString &key, bool fallback) const;
    int readEnum(const QString &key, int last) const;
    QColor readColor(const QString &key, const QColor &fallback) const;
    QDateTime readDateTime(const QString &key) const;
    bool write(const QString &key, const QVariant &value);
    void reportBadValue(const QString &key, const QVariant &value) const;
    void storeAccountString(QString &field, const QString &value);

    struct Private;
    std::unique_ptr<Private> d;
};
