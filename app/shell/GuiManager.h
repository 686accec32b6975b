#pragma once

#include <QDateTime>
#include <QObject>
#include <QPointer>
#include <QVariant>

#include <functional>

class KeyboardHelper;
class QAction;
class ProxyAuthenticator;
class QAuthenticator;
class QNetworkProxy;
class QQmlApplicationEngine;
class QQuickWindow;
class QSystemTrayIcon;
class QTimer;
class QTranslator;


// Owns the declarative interface: the QML engine with everything it sees,
// the main window, the tray icon, translations and the colour theme.
class GuiManager : public QObject
{
    Q_OBJECT
    Q_PROPERTY(bool isAppInDarkMode READ isAppInDarkMode WRITE setAppInDarkMode NOTIFY appThemeChanged)

public:
    static GuiManager *instance();
    ~GuiManager() override;

    // Builds the engine, registers types and context properties. Runs once.
    void initializeEngine();
    // Loads the main window and creates the tray icon. Needs the engine.
    void initializeWindow();

    void setContextProperty(const QString &name, const QVariant &value);

    // Hands a due reminder (its text and the task record) to the main
    // window's showNotificationPopup(message, task), from the event loop.
    void showReminderPopup(const QString &message, const QVariantMap &task);

    QQmlApplicationEngine *engine() const;
    QQuickWindow *mainWindow() const;
    QSystemTrayIcon *trayIcon() const;

    bool isAppInDarkMode() const;

    // Shows the proxy dialog for "host:port" and returns {"username",
    // "password"}, or an empty map when the user cancelled.
    QVariantMap askProxyCredentials(const QString &key);
    // Replaces the dialog, for tests; an empty function restores it.
    void setProxyCredentialsAsker(const std::function<QVariantMap(const QString &)> &asker);

    // The clock the automatic theme reads; tests move it.
    void setClock(const std::function<QDateTime()> &clock);

public slots:
    void showMainWindow();
    void showMainWindowMinimized();
    void hideMainWindow();
    void activateWindow();
    bool isWindowsFullScreen() const;
    bool isWindowActive() const;
    void suspendRateHandlings();
    void continueRateHandlings();
    void reloadTranslations();
    void setWaitingAppCursor();
    void setDefaultAppCursor();
    void setTitleBarColor(const QString &color);
    void setDefaultYesButtonForQuestionDialog();
    void setAppInDarkMode(bool dark);
    void switchAppThemeIfNeeded();
    void startTrackUserActions();
    void endTrackUserActions();
    void handleProxyAuthentication(const QNetworkProxy &proxy, QAuthenticator *authenticator);
    void showTaskById(const QString &taskId);

signals:
    void windowDidShow();
    void appThemeChanged();
    void userPerformedAction();

protected:
    bool eventFilter(QObject *watched, QEvent *event) override;

private:
    explicit GuiManager(QObject *parent = nullptr);

    void chooseSceneGraphBackend();
    void registerQmlTypes();
    void setObjectContextProperties();
    void setConstantContextProperties();
    bool detectNativeTextRendering();
    void createTrayIcon();
    void logFirstFrame();
    void retranslateTrayMenu();
    void onTrayActivated(int reason);
    QTimer *themeTimer();
    void armThemeTimer(qint64 msecsToNextSwitch);
    void onThemeTimer();
    void onAutomaticThemeRuleChanged();

    QQmlApplicationEngine *m_engine = nullptr;
    QPointer<QQuickWindow> m_mainWindow;
    QSystemTrayIcon *m_trayIcon = nullptr;
    QTranslator *m_appTranslator = nullptr;
    QTranslator *m_qtTranslator = nullptr;
    QTimer *m_themeTimer = nullptr;
    bool m_rateHandlingsEnabled = true;
    std::function<QDateTime()> m_clock;
    KeyboardHelper *m_keyboardHelper = nullptr;
    QPointer<QAction> m_openAction;
    QPointer<QAction> m_exitAction;
    ProxyAuthenticator *m_proxyAuthenticator = nullptr;
    std::function<QVariantMap(const QString &)> m_proxyCredentialsAsker;
};
