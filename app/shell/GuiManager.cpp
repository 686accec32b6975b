#include "shell/GuiManager.h"

#include "data/ContextHandler.h"
#include "data/DataManager.h"
#include "data/DatabaseHandler.h"
#include "data/DatabaseRecovery.h"
#include "data/MetaDataManager.h"
#include "data/ObjectState.h"
#include "data/PredefinedDataHelper.h"
#include "data/ProjectHandler.h"
#include "data/TaskEditRules.h"
#include "data/TaskEditorRules.h"
#include "data/TaskHandler.h"
#include "data/TaskPasteRules.h"
#include "logging/Log.h"
#include "models/FavoritesManager.h"
#include "models/SearchHelper.h"
#include "models/SortingNamespace.h"
#include "shell/ActionSoundsHelper.h"
#include "shell/AnalyticsManager.h"
#include "shell/AppInfo.h"
#include "shell/AppResources.h"
#include "shell/AppUpdater.h"
#include "shell/Clipboard.h"
#include "shell/ColoredIconProvider.h"
#include "shell/GraphicsDeviceQuery.h"
#include "shell/HardwareManager.h"
#include "shell/Helper.h"
#include "shell/KeyboardHelper.h"
#include "shell/Logger.h"
#include "shell/PageHistory.h"
#include "shell/PasscodeManager.h"
#include "shell/ProxyAuthDialog.h"
#include "shell/ProxyAuthenticator.h"
#include "shell/ReminderWindowStack.h"
#include "shell/Settings.h"
#include "shell/UrlHelper.h"
#include "shell/WheelEventsRedirector.h"
#include "sync/AuthManager.h"
#include "export/ExportHelper.h"
#include "export/PdfExportHelper.h"
#include "time/DateFormatHelper.h"
#include "time/NotificationManager.h"
#include "time/ReminderFormatHelper.h"
#include "time/RepetitionFormatHelper.h"

#include <QAbstractItemModel>
#include <QAction>
#include <QApplication>
#include <QCoreApplication>
#include <QDateTime>
#include <QMenu>
#include <QMessageBox>
#include <QMouseEvent>
#include <QOpenGLContext>
#include <QPushButton>
#include <QQmlApplicationEngine>
#include <QQmlContext>
#include <QQuickWindow>
#include <QSGRendererInterface>
#include <QSystemTrayIcon>
#include <QTimer>
#include <QTranslator>
#include <QtQml>

#include <memory>

namespace {

constexpr qint64 MaxThemeTimerMs = 60 * 1000;

} // namespace

GuiManager *GuiManager::instance()
{
    static GuiManager *manager = new GuiManager();
    return manager;
}

GuiManager::GuiManager(QObject *parent)
    : QObject(parent)
    , m_clock([] { return QDateTime::currentDateTime(); })
{
    // An early version stored the dark accent colour as the colour of an
    // undefined theme; give such users the standard light colour back.
    Settings *settings = Settings::instance();
    if (settings->appTheme() == Settings::UndefinedTheme
        && settings->applicationColor() == QColor(QStringLiteral("#73ABFC")))
        settings->setApplicationColor(QColor(QStringLiteral("#3F51B5")));

    connect(settings, &Settings::themeSwitchTypeChanged, this, &GuiManager::onAutomaticThemeRuleChanged);
    connect(settings, &Settings::autoDarkThemeStartTimeChanged, this, &GuiManager::onAutomaticThemeRuleChanged);
    connect(settings, &Settings::autoDarkThemeEndTimeChanged, this, &GuiManager::onAutomaticThemeRuleChanged);
}

GuiManager::~GuiManager()
{
    delete m_trayIcon;
}

void GuiManager::initializeEngine()
{
    if (m_engine)
        return;
    AppResources::initialize();
    chooseSceneGraphBackend();
    QQuickWindow::setDefaultAlphaBuffer(true);
    registerQmlTypes();

    m_keyboardHelper = new KeyboardHelper(this);
    qApp->installEventFilter(m_keyboardHelper);
    m_engine = new QQmlApplicationEngine(this);
    m_engine->addImageProvider(QStringLiteral("coloredicon"), new ColoredIconProvider);
    setObjectContextProperties();
    setConstantContextProperties();
    reloadTranslations();
    // The window's first frame must already be in the theme of the hour.
    switchAppThemeIfNeeded();
}

void GuiManager::chooseSceneGraphBackend()
{
    // Without a working OpenGL (virtual machines, remote sessions, the
    // offscreen platform) Qt Quick would abort when the window is shown;
    // its software renderer draws the same interface without it.
    QOpenGLContext probe;
    if (probe.create())
        return;
    QLOG_WARN() << "OpenGL is not available. Using the software renderer...";
    QQuickWindow::setSceneGraphBackend(QSGRendererInterface::Software);
}

void GuiManager::registerQmlTypes()
{
    const char *managers = "com.velmora.managers";
    qmlRegisterUncreatableType<NotificationManager>(managers, 1, 0, "NotificationEnum", QString());
    qmlRegisterUncreatableType<PasscodeManager>(managers, 1, 0, "PasscodeEnums", QString());
    qmlRegisterUncreatableType<Settings>(managers, 1, 0, "SettingsEnums", QString());
    qmlRegisterSingletonType(QUrl(QStringLiteral("qrc:/FunctionHelper.qml")), "com.velmora.helpers", 1, 0,
                             "FunctionHelper");
    qmlRegisterType<PageHistory>("com.velmora.helpers", 1, 0, "PageHistory");
    qmlRegisterUncreatableMetaObject(SortingNamespace::staticMetaObject, "com.velmora.common", 1, 0,
                                     "SortingEnums", QString());
    // The handlers hand their list models to the pages by this type.
    qRegisterMetaType<QAbstractItemModel *>("QAbstractItemModel*");
    SortingNamespace::registerMetaTypes();
}

// The interface finds every native object under its class name; the order
// is the one the pages rely on when they bind at load.
void GuiManager::setObjectContextProperties()
{
    QQmlContext *context = m_engine->rootContext();
    const auto publish = [context](const char *name, QObject *object) {
        context->setContextProperty(QString::fromLatin1(name), object);
    };
    publish("GuiManager", this);
    publish("WheelEventsRedirector", new WheelEventsRedirector(this));
    auto *dateFormatHelper = new DateFormatHelper(this);
    publish("DateFormatHelper", dateFormatHelper);
    publish("RepetitionFormatHelper", new RepetitionFormatHelper(dateFormatHelper, this));
    publish("ReminderFormatHelper", new ReminderFormatHelper(this));
    publish("ActionSoundsHelper", new ActionSoundsHelper(this));
    publish("AnalyticsManager", new AnalyticsManager(this));
    publish("PredefinedDataHelper", PredefinedDataHelper::instance());
    publish("Settings", Settings::instance());
    publish("DataManager", DataManager::instance());
    // What the window offers when the database would not open.
    publish("DatabaseRecovery", new DatabaseRecovery(DataManager::instance(), DatabaseHandler::databasePath(), this));

    ContextHandler *contextHandler = new ContextHandler(this);
    TaskHandler *taskHandler = new TaskHandler(this);
    ProjectHandler *projectHandler = new ProjectHandler(this);
    QLOG_INFO() << "Creating of object handlers and others...";
    publish("ContextHandler", contextHandler);
    publish("TaskHandler", taskHandler);
    publish("ProjectHandler", projectHandler);
    publish("PasscodeManager", new PasscodeManager(this));
    publish("Helper", Helper::instance());
    publish("FavoritesManager", FavoritesManager::instance());
    publish("MetaDataManager", MetaDataManager::instance());
    publish("AuthManager", AuthManager::instance());
    // Favorites and project icons belong to the user who signed out.
    connect(DataManager::instance(), &DataManager::userDataWiped, FavoritesManager::instance(),
            &FavoritesManager::clearAll);
    connect(DataManager::instance(), &DataManager::userDataWiped, MetaDataManager::instance(),
            &MetaDataManager::clearAll);
    // Both passes follow every main sync.
    DataManager::instance()->addFollowingChannel(FavoritesManager::instance());
    DataManager::instance()->addFollowingChannel(MetaDataManager::instance());
    publish("ExportHelper", new ExportHelper(this));
    publish("PdfExportHelper", new PdfExportHelper(this));
    publish("UrlHelper", new UrlHelper(this));
    publish("KeyboardHelper", m_keyboardHelper);
    publish("Clipboard", Clipboard::instance());
    publish("Logger", new Logger(this));
    publish("SearchHelper", new SearchHelper(this));
    publish("HardwareManager", HardwareManager::instance());
    // The rules the pages apply when tasks are edited, pasted and dropped.
    publish("TaskEditRules", new TaskEditRules(nullptr, nullptr, this));
    publish("TaskEditorRules", new TaskEditorRules(nullptr, nullptr, this));
    publish("TaskPasteRules", new TaskPasteRules(nullptr, nullptr, this));
    // Places the reminder windows that the main window opens.
    publish("ReminderWindowStack", new ReminderWindowStack(this));
    auto *updater = new AppUpdater(this);
    updater->setProxyCredentialsAsker([this](const QString &key) { return askProxyCredentials(key); });
    publish("AppUpdater", updater);
}

void GuiManager::setConstantContextProperties()
{
    const QString appDir = QCoreApplication::applicationDirPath();
    QQmlContext *context = m_engine->rootContext();
    context->setContextProperty(QStringLiteral("METHOD_RESOURCES_URL"), appDir + QStringLiteral("/method"));
    context->setContextProperty(QStringLiteral("DEFAULT_OBJECT_STATE"), int(ObjectState::Active));
    context->setContextProperty(QStringLiteral("DELETED_OBJECT_STATE"), int(ObjectState::Deleted));
    context->setContextProperty(QStringLiteral("COMPLETED_OBJECT_STATE"), int(ObjectState::Completed));
    context->setContextProperty(QStringLiteral("COMPLETED_AND_DELETED_OBJECT_STATE"),
                                int(ObjectState::CompletedAndDeleted));
    context->setContextProperty(QStringLiteral("EXPORT_QUORVEL_BOX"), QVariant(0));
    context->setContextProperty(QStringLiteral("EXPORT_DAILY_PLAN"), 1);
    context->setContextProperty(QStringLiteral("EXPORT_DEFAULT"), 2);
    context->setContextProperty(QStringLiteral("APP_VERSION"), AppInfo::version());
    context->setContextProperty(QStringLiteral("APP_DIR_PATH"), appDir);
    context->setContextProperty(QStringLiteral("USE_NATIVE_TEXT_RENDERING"), detectNativeTextRendering());
}

bool GuiManager::detectNativeTextRendering()
{
    const QString deviceIds = GraphicsDeviceQuery::pnpDeviceIds();
    QLOG_INFO() << "Graphics card info: " << deviceIds;
    const QString openGlType = qEnvironmentVariable("QT_OPENGL");
    QLOG_INFO() << "OpenGL driver type: " << openGlType;
    if (openGlType.compare(QLatin1String("angle"), Qt::CaseInsensitive) == 0)
        QLOG_INFO() << "ANGLE driver type: " << qEnvironmentVariable("QT_ANGLE_PLATFORM");

    Settings *settings = Settings::instance();
    if (settings->fontRenderingType() == QLatin1String("native"))
        return true;
    if (settings->uiScaleFactor().isEmpty() && GraphicsDeviceQuery::needsNativeTextRendering(deviceIds)) {
        QLOG_INFO() << "Native text rendering is enabled...";
        return true;
    }
    return false;
}

void GuiManager::initializeWindow()
{
    if (!m_engine)
        return;
    m_engine->load(QUrl(QStringLiteral("qrc:///main.qml")));
    const QList<QObject *> roots = m_engine->rootObjects();
    m_mainWindow = roots.isEmpty() ? nullptr : qobject_cast<QQuickWindow *>(roots.first());
    if (!m_mainWindow) {
        QLOG_ERROR() << "Unable to load the main window!";
        return;
    }
    connect(m_mainWindow, SIGNAL(hideOnClose()), this, SLOT(hideMainWindow()));
    logFirstFrame();
    createTrayIcon();
}

// The moment the user first sees the window, as a log line: its timestamp
// tells how long the start took. Direct, so that the time is the swap's own
// even when the scene graph renders on a thread of its own.
void GuiManager::logFirstFrame()
{
    auto connection = std::make_shared<QMetaObject::Connection>();
    *connection = connect(m_mainWindow, &QQuickWindow::frameSwapped, this, [connection] {
        QObject::disconnect(*connection);
        QLOG_INFO() << "Main window: first frame shown";
    }, Qt::DirectConnection);
}

void GuiManager::createTrayIcon()
{
    m_trayIcon = new QSystemTrayIcon(QIcon(QStringLiteral(":/icons/appicon/tray_icon.png")));
    auto *menu = new QMenu();
    connect(m_trayIcon, &QObject::destroyed, menu, &QObject::deleteLater);
    m_openAction = menu->addAction(QString());
    connect(m_openAction, &QAction::triggered, this, &GuiManager::showMainWindow);
    m_exitAction = menu->addAction(QString());
    connect(m_exitAction, &QAction::triggered, qApp, &QCoreApplication::quit);
    retranslateTrayMenu();
    m_trayIcon->setContextMenu(menu);
    connect(m_trayIcon, &QSystemTrayIcon::activated, this,
            [this](QSystemTrayIcon::ActivationReason reason) { onTrayActivated(reason); });
    QLOG_INFO() << "Showing an icon in the system tray...";
    m_trayIcon->show();
}

void GuiManager::onTrayActivated(int reason)
{
    if (reason != QSystemTrayIcon::DoubleClick || !m_mainWindow)
        return;
    if (m_mainWindow->isVisible()) {
        QLOG_INFO() << "Tray icon double clicked. Hiding the window...";
        hideMainWindow();
    } else {
        QLOG_INFO() << "Tray icon double clicked. Showing the window...";
        showMainWindow();
    }
}

void GuiManager::setContextProperty(const QString &name, const QVariant &value)
{
    if (!m_engine)
        return;
    QLOG_DEBUG() << "Context property " << name << " set to " << value;
    m_engine->rootContext()->setContextProperty(name, value);
}

void GuiManager::showReminderPopup(const QString &message, const QVariantMap &task)
{
    if (!m_mainWindow) {
        QLOG_WARN() << "A reminder arrived before the main window exists; it is not shown.";
        return;
    }
    // Queued: the caller (the command channel) is inside a socket handler.
    if (!QMetaObject::invokeMethod(m_mainWindow, "showNotificationPopup", Qt::QueuedConnection,
                                   Q_ARG(QVariant, message), Q_ARG(QVariant, task)))
        QLOG_ERROR() << "The main window cannot show reminders (no showNotificationPopup).";
}

QQmlApplicationEngine *GuiManager::engine() const
{
    return m_engine;
}

QQuickWindow *GuiManager::mainWindow() const
{
    return m_mainWindow;
}

QSystemTrayIcon *GuiManager::trayIcon() const
{
    return m_trayIcon;
}

bool GuiManager::isAppInDarkMode() const
{
    return Settings::instance()->appTheme() == Settings::DarkTheme;
}

void GuiManager::showMainWindow()
{
    if (!m_mainWindow)
        return;
    // Staying on top for a moment raises the window over every other one.
    m_mainWindow->setFlag(Qt::WindowStaysOnTopHint, true);
    if (m_mainWindow->windowStates() & Qt::WindowMaximized)
        m_mainWindow->showMaximized();
    else
        m_mainWindow->show();
    m_mainWindow->setFlag(Qt::WindowStaysOnTopHint, false);
}

void GuiManager::showMainWindowMinimized()
{
    if (!m_mainWindow)
        return;
    m_mainWindow->showMinimized();
    if (m_mainWindow->visibility() == QWindow::FullScreen)
        m_mainWindow->showNormal();
    else
        m_mainWindow->hide();
}

void GuiManager::hideMainWindow()
{
    if (!m_mainWindow)
        return;
    if (m_mainWindow->visibility() == QWindow::FullScreen)
        m_mainWindow->showNormal();
    else
        m_mainWindow->hide();
}

void GuiManager::activateWindow()
{
    if (m_mainWindow)
        m_mainWindow->requestActivate();
}

bool GuiManager::isWindowsFullScreen() const
{
    return m_mainWindow && m_mainWindow->visibility() == QWindow::FullScreen;
}

bool GuiManager::isWindowActive() const
{
    return m_mainWindow && m_mainWindow->isActive();
}

void GuiManager::suspendRateHandlings()
{
    m_rateHandlingsEnabled = false;
}

void GuiManager::continueRateHandlings()
{
    m_rateHandlingsEnabled = true;
}

void GuiManager::reloadTranslations()
{
    for (QTranslator **translator : { &m_qtTranslator, &m_appTranslator }) {
        if (*translator) {
            QCoreApplication::removeTranslator(*translator);
            delete *translator;
            *translator = nullptr;
        }
    }
    const QString language = Settings::instance()->applicationLanguage();
    QLOG_INFO() << "Setting up current system locale: " << language;

    m_qtTranslator = new QTranslator(this);
    if (m_qtTranslator->load(QStringLiteral(":/translations/qtbase_%1.qm").arg(language)))
        QLOG_INFO() << "Qt translation file loaded successfully!";
    else
        QLOG_WARN() << "Unable to load Qt translation file!";
    QCoreApplication::installTranslator(m_qtTranslator);

    m_appTranslator = new QTranslator(this);
    if (m_appTranslator->load(QStringLiteral(":/translations/qv_%1.qm").arg(language)))
        QLOG_INFO() << "App translation file loaded successfully!";
    else
        QLOG_WARN() << "Unable to load App translation file!";
    QCoreApplication::installTranslator(m_appTranslator);

    if (m_engine)
        m_engine->retranslate();
    retranslateTrayMenu();
}

void GuiManager::retranslateTrayMenu()
{
    if (m_openAction)
        m_openAction->setText(tr("Open"));
    if (m_exitAction)
        m_exitAction->setText(tr("Exit"));
}

void GuiManager::setWaitingAppCursor()
{
    QGuiApplication::setOverrideCursor(Qt::WaitCursor);
}

void GuiManager::setDefaultAppCursor()
{
    QGuiApplication::restoreOverrideCursor();
}

void GuiManager::setTitleBarColor(const QString &color)
{
    // Only Windows 10 dark title bars could follow the theme; the window
    // manager draws them here.
    Q_UNUSED(color)
}

void GuiManager::setDefaultYesButtonForQuestionDialog()
{
    auto *box = qobject_cast<QMessageBox *>(QApplication::activeModalWidget());
    if (!box)
        return;
    if (QPushButton *yes = qobject_cast<QPushButton *>(box->button(QMessageBox::Yes)))
        box->setDefaultButton(yes);
    if (QAbstractButton *no = box->button(QMessageBox::No))
        box->setEscapeButton(no);
}

void GuiManager::setAppInDarkMode(bool dark)
{
    Settings::instance()->setAppTheme(dark ? Settings::DarkTheme : Settings::LightTheme);
    emit appThemeChanged();
}

QTimer *GuiManager::themeTimer()
{
    if (!m_themeTimer) {
        m_themeTimer = new QTimer(this);
        m_themeTimer->setSingleShot(true);
        m_themeTimer->setTimerType(Qt::PreciseTimer);
        connect(m_themeTimer, &QTimer::timeout, this, &GuiManager::onThemeTimer);
    }
    return m_themeTimer;
}

void GuiManager::switchAppThemeIfNeeded()
{
    const qint64 msecsToNextSwitch = Settings::instance()->applyAutomaticTheme(m_clock());
    if (msecsToNextSwitch < 0)
        return;
    emit appThemeChanged();
    armThemeTimer(msecsToNextSwitch);
}

void GuiManager::armThemeTimer(qint64 msecsToNextSwitch)
{
    // The timer runs on the monotonic clock, which stands still while the
    // machine sleeps and ignores clock changes; waking up now and then keeps
    // the theme right after either.
    themeTimer()->start(static_cast<int>(qBound<qint64>(0, msecsToNextSwitch, MaxThemeTimerMs)));
}

void GuiManager::onThemeTimer()
{
    Settings *settings = Settings::instance();
    const Settings::AppTheme before = settings->appTheme();
    const qint64 msecsToNextSwitch = settings->applyAutomaticTheme(m_clock());
    if (msecsToNextSwitch < 0)
        return;
    if (settings->appTheme() != before)
        emit appThemeChanged();
    armThemeTimer(msecsToNextSwitch);
}

void GuiManager::onAutomaticThemeRuleChanged()
{
    if (Settings::instance()->themeSwitchType() == Settings::AutoByTime)
        switchAppThemeIfNeeded();
    else if (m_themeTimer)
        m_themeTimer->stop();
}

void GuiManager::setClock(const std::function<QDateTime()> &clock)
{
    m_clock = clock ? clock : [] { return QDateTime::currentDateTime(); };
}

void GuiManager::handleProxyAuthentication(const QNetworkProxy &proxy, QAuthenticator *authenticator)
{
    if (!m_proxyAuthenticator)
        m_proxyAuthenticator = new ProxyAuthenticator(
            [this](const QString &key) { return askProxyCredentials(key); }, this);
    m_proxyAuthenticator->handle(proxy, authenticator);
}

QVariantMap GuiManager::askProxyCredentials(const QString &key)
{
    return m_proxyCredentialsAsker ? m_proxyCredentialsAsker(key) : ProxyAuthDialog::askCredentials(key);
}

void GuiManager::setProxyCredentialsAsker(const std::function<QVariantMap(const QString &)> &asker)
{
    m_proxyCredentialsAsker = asker;
}

void GuiManager::showTaskById(const QString &taskId)
{
    DataManager *data = DataManager::instance();
    const DOTask task = data->getTaskById(taskId);
    if (task.isEmpty() || !m_mainWindow)
        return;
    const QString parent = task.value(QStringLiteral("PARENT")).toString();
    PredefinedDataHelper *predefined = PredefinedDataHelper::instance();
    QVariantMap project;
    if (parent == predefined->quorvelBoxId() || parent == predefined->oneStepActionsId())
        project.insert(QStringLiteral("ID"), parent);
    else
        project = data->getProjectById(parent);
    QMetaObject::invokeMethod(m_mainWindow, "showTaskEditItem", Qt::QueuedConnection,
                              Q_ARG(QVariant, QVariant(project)), Q_ARG(QVariant, QVariant(task)));
}

void GuiManager::startTrackUserActions()
{
    qApp->installEventFilter(this);
}

void GuiManager::endTrackUserActions()
{
    qApp->removeEventFilter(this);
}

bool GuiManager::eventFilter(QObject *watched, QEvent *event)
{
    if (event->type() == QEvent::MouseButtonRelease && watched->parent()
        && watched->parent()->objectName() != QLatin1String("UndoButton"))
        emit userPerformedAction();
    return QObject::eventFilter(watched, event);
}
