#pragma once

#include "sync/SyncHandler.h"

#include <QDateTime>
#include <QObject>
#include <QString>

#include <memory>

class DatabaseHandler;
class QAuthenticator;
class Settings;
class QNetworkProxy;

// The account and synchronisation front of the data worker thread. It owns
// the change exchange (SyncHandler), runs the account operations (sign in,
// register, reset and change the password, sign out), starts normal and
// silent sync runs, and keeps the state the interface shows: busy flags,
// progress, whether someone is signed in and when the last sync ended well.
// Server status codes become a title and a message for the user here.
//
// Lives in the data worker thread; the data manager forwards the interface's
// calls with queued invocations and relays the signals.
class SyncManager : public QObject
{
    Q_OBJECT
    Q_PROPERTY(bool active READ isActive NOTIFY activeChanged)
    Q_PROPERTY(bool checkLoginActive READ isCheckLoginActive NOTIFY checkLoginActiveChanged)
    Q_PROPERTY(bool registrationActive READ isRegistrationActive NOTIFY registrationActiveChanged)
    Q_PROPERTY(bool resetPasswordActive READ resetPasswordActive NOTIFY resetPasswordActiveChanged)
    Q_PROPERTY(bool changePasswordActive READ changePasswordActive NOTIFY changePasswordActiveChanged)
    Q_PROPERTY(bool loggedIn READ isLoggedIn NOTIFY loggedInChanged)
    Q_PROPERTY(int syncProgress READ syncProgress NOTIFY progressChanged)
    Q_PROPERTY(QDateTime lastSyncDateTime READ lastSyncDateTime NOTIFY lastSyncDateTimeChanged)

public:
    // The code this manager raises itself when the sign-out wipe fails.
    static constexpr int LogoutFailedCode = 1000;

    explicit SyncManager(QObject* parent = nullptr);
    explicit SyncManager(const SyncHandler::Services& services, QObject* parent = nullptr);
    ~SyncManager() override;

    // The same objects for the manager and its handler. Applies from the
    // next call on.
    void setServices(const SyncHandler::Services& services);
    SyncHandler* handler() const;

    Q_INVOKABLE void registerUser(const QString& login, const QString& password);
    Q_INVOKABLE void checkLogin(const QString& login, const QString& password);
    // True when the local data was wiped and the user is signed out.
    Q_INVOKABLE bool logout();
    Q_INVOKABLE void resetPassword(const QString& login);
    Q_INVOKABLE void changePassword(const QString& oldPassword, const QString& newPassword);

    Q_INVOKABLE bool isCheckLoginActive() const;
    Q_INVOKABLE bool isActive() const;
    Q_INVOKABLE bool isLoggedIn() const;
    Q_INVOKABLE bool isRegistrationActive() const;
    Q_INVOKABLE bool resetPasswordActive() const;
    Q_INVOKABLE bool changePasswordActive() const;
    Q_INVOKABLE QDateTime lastSyncDateTime() const;
    // Any of the four account operations is running.
    Q_INVOKABLE bool isAccountOperationActive() const;
    int syncProgress() const;

    // The user-visible title and message for a server status code.
    struct ErrorText
    {
        QString title;
        QString message;
    };
    static ErrorText errorText(int code, bool changingPassword);

public slots:
    void start();
    void abort();
    void startSilent();

signals:
    void userIsAboutToLogout();
    void activeChanged(bool active);
    void progressChanged(int percentage);
    void checkLoginActiveChanged(bool active);
    void loggedInChanged(bool loggedIn);
    void checkLoginSuccessful();
    void resetPasswordSuccessful();
    void changePasswordSuccessful();
    void passwordChangedOutside();
    void registrationActiveChanged(bool active);
    void userRegistered();
    void networkError(int code);
    void serverError(QString title, QString displayMessage, int code);
    void resetPasswordActiveChanged(bool result);
    void changePasswordActiveChanged(bool result);
    void lastSyncDateTimeChanged(QDateTime dateTime);
    void proxyAuthenticationRequired(const QNetworkProxy& proxy, QAuthenticator* authenticator);
    // The local data, the account and the sync state were wiped (sign-out,
    // or the password was changed on another device). Whatever else keeps
    // per-user data follows this.
    void localDataWiped();
    // A sync was asked for while the store is not open; none ran.
    void storeUnavailable();

private:
    bool startRun(bool silent);
    void onRunFinished();
    void onProgress(int percentage);
    void onNetworkError();
    void onServerError(int code);
    void onRunFailed();
    void handleServerError(int code);
    bool wipeLocalData();
    void reloadBuiltInIds();
    void refreshLoggedIn();
    void setActive(bool active);
    enum class Operation { CheckLogin, Registration, ResetPassword, ChangePassword };
    bool isBusy(Operation operation) const;
    void setBusy(Operation operation, bool busy);
    DatabaseHandler* store() const;
    Settings* settings() const;
    QDateTime now() const;

    struct Private;
    std::unique_ptr<Private> d;
};
