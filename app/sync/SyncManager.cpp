#include "sync/SyncManager.h"

#include "common/SettingsFileCheck.h"
#include "data/DatabaseHandler.h"
#include "data/PredefinedDataHelper.h"
#include "logging/Log.h"
#include "plexlink/ApiHandler.h"
#include "shell/Settings.h"

#include <QSettings>
#include <QTemporaryFile>

namespace {
const QString LastSyncKey = QStringLiteral("LastSyncDateTime");
const QString InboxIdKey = QStringLiteral("QB_ID");
const QString OneStepIdKey = QStringLiteral("OSA_ID");
} // namespace

struct SyncManager::Private
{
    SyncHandler::Services services;
    std::unique_ptr<QSettings> syncFile;
    std::unique_ptr<QTemporaryFile> syncFileCopy;
    std::unique_ptr<SyncHandler> handler;
    bool active = false;
    bool checkLoginActive = false;
    bool registrationActive = false;
    bool changePasswordActive = false;
    bool resetPasswordActive = false;
    bool loggedIn = false;
    int progress = 0;
    bool silent = false;
    bool errorSeen = false;
    // The run was aborted: it did not end well, whatever it reported.
    bool aborted = false;

    // The sync file before a read or a change: the handle reads the file
    // again at its next sync, so whatever another program left there is
    // looked over first. A manager on a private copy stays with it.
    QSettings& syncFileNow()
    {
        if (!syncFileCopy
            && SettingsFileCheck::screen(SyncHandler::syncFilePath()) == SettingsFileCheck::Outcome::Unrepaired)
            syncFile = SyncHandler::openSyncFile(&syncFileCopy);
        return *syncFile;
    }
};

SyncManager::SyncManager(QObject* parent)
    : SyncManager(SyncHandler::Services(), parent)
{
}

SyncManager::SyncManager(const SyncHandler::Services& services, QObject* parent)
    : QObject(parent)
    , d(std::make_unique<Private>())
{
    d->services = services;
    d->handler = std::make_unique<SyncHandler>(services);
    SyncHandler* handler = d->handler.get();
    connect(handler, &SyncHandler::finished, this, &SyncManager::onRunFinished);
    connect(handler, &SyncHandler::progressChanged, this, &SyncManager::onProgress);
    connect(handler, &SyncHandler::networkError, this, &SyncManager::onNetworkError);
    connect(handler, &SyncHandler::serverError, this, &SyncManager::onServerError);
    connect(handler, &SyncHandler::runFailed, this, &SyncManager::onRunFailed);
    connect(handler, &SyncHandler::buildInProjectsUpdated, this, &SyncManager::reloadBuiltInIds);
    connect(handler, &SyncHandler::proxyAuthenticationRequired, this, &SyncManager::proxyAuthenticationRequired);
    connect(handler, &SyncHandler::storeUnavailable, this, &SyncManager::storeUnavailable);

    refreshLoggedIn();
    d->syncFile = SyncHandler::openSyncFile(&d->syncFileCopy);
    reloadBuiltInIds();
}

SyncManager::~SyncManager() = default;

void SyncManager::setServices(const SyncHandler::Services& services)
{
    d->services = services;
    d->handler->setServices(services);
}

SyncHandler* SyncManager::handler() const
{
    return d->handler.get();
}

DatabaseHandler* SyncManager::store() const
{
    return d->services.store ? d->services.store : DatabaseHandler::instance();
}

Settings* SyncManager::settings() const
{
    return d->services.settings ? d->services.settings : Settings::instance();
}

QDateTime SyncManager::now() const
{
    return d->services.clock ? d->services.clock().toLocalTime() : QDateTime::currentDateTime();
}

// --- State ---

bool SyncManager::isActive() const
{
    return d->active;
}

bool SyncManager::isCheckLoginActive() const
{
    return d->checkLoginActive;
}

bool SyncManager::isRegistrationActive() const
{
    return d->registrationActive;
}

bool SyncManager::resetPasswordActive() const
{
    return d->resetPasswordActive;
}

bool SyncManager::changePasswordActive() const
{
    return d->changePasswordActive;
}

bool SyncManager::isAccountOperationActive() const
{
    return d->checkLoginActive || d->registrationActive || d->resetPasswordActive || d->changePasswordActive;
}

bool SyncManager::isLoggedIn() const
{
    return d->loggedIn;
}

int SyncManager::syncProgress() const
{
    return d->progress;
}

QDateTime SyncManager::lastSyncDateTime() const
{
    d->syncFileNow().sync();
    return d->syncFile->value(LastSyncKey).toDateTime();
}

void SyncManager::refreshLoggedIn()
{
    d->loggedIn = !settings()->clientLogin().isEmpty() && !settings()->clientPassword().isEmpty();
    emit loggedInChanged(d->loggedIn);
}

void SyncManager::setActive(bool active)
{
    if (d->active == active)
        return;
    d->active = active;
    emit activeChanged(active);
}

void SyncManager::reloadBuiltInIds()
{
    d->syncFileNow().sync();
    // The helper belongs to the interface thread: the new identifiers are
    // handed over there.
    PredefinedDataHelper* helper = PredefinedDataHelper::instance();
    if (d->syncFile->contains(InboxIdKey)) {
        const QString id = d->syncFile->value(InboxIdKey).toString();
        QMetaObject::invokeMethod(helper, [helper, id] { helper->setQuorvelBoxId(id); });
    }
    if (d->syncFile->contains(OneStepIdKey)) {
        const QString id = d->syncFile->value(OneStepIdKey).toString();
        QMetaObject::invokeMethod(helper, [helper, id] { helper->setOneStepActionsId(id); });
    }
}

// --- Runs ---

void SyncManager::start()
{
    startRun(false);
}

void SyncManager::startSilent()
{
    startRun(true);
}

bool SyncManager::startRun(bool silent)
{
    if (!settings()->cloudSyncEnabled() || d->active)
        return false;
    d->errorSeen = false;
    d->aborted = false;
    d->silent = silent;
    if (!d->handler->start()) {
        d->silent = false;
        return false;
    }
    setActive(true);
    if (d->progress != 0) {
        d->progress = 0;
        emit progressChanged(0);
    }
    QLOG_INFO() << "Sync started";
    return true;
}

void SyncManager::abort()
{
    if (!d->active)
        return;
    d->aborted = true;
    d->handler->abort();
}

void SyncManager::onRunFinished()
{
    if (!d->errorSeen && !d->aborted && d->loggedIn) {
        const QDateTime finishedAt = now();
        QSettings& file = d->syncFileNow();
        file.setValue(LastSyncKey, finishedAt);
        file.sync();
        emit lastSyncDateTimeChanged(finishedAt);
    }
    d->silent = false;
    d->errorSeen = false;
    d->aborted = false;
    setActive(false);
    QLOG_INFO() << "Sync process finished!";
    QLOG_INFO() << "Sync finished";
}

void SyncManager::onProgress(int percentage)
{
    if (percentage == d->progress)
        return;
    d->progress = percentage;
    emit progressChanged(percentage);
}

void SyncManager::onRunFailed()
{
    // Nothing to show (the reason is in the log), but the run did not end well.
    d->errorSeen = true;
}

void SyncManager::onNetworkError()
{
    // Errors of an account request belong to that request, never to a
    // silent run that happens to be going on at the same time.
    const bool fromAccountRequest = isAccountOperationActive();
    if (!fromAccountRequest)
        d->errorSeen = true;
    if (!d->silent || fromAccountRequest)
        emit networkError(0);
}

void SyncManager::onServerError(int code)
{
    if (!isAccountOperationActive())
        d->errorSeen = true;
    handleServerError(code);
}

void SyncManager::handleServerError(int code)
{
    const bool fromAccountRequest = isAccountOperationActive();
    // A wrong current password while changing it, or a failed sign-in, is a
    // mistake in a form; only a sync run that is refused means that the
    // password was changed elsewhere.
    if (code == 201 && d->loggedIn && !fromAccountRequest) {
        QLOG_ERROR() << "User's password has been changed on server. Destroying database...";
        wipeLocalData();
        emit passwordChangedOutside();
        return;
    }
    if (d->silent && !fromAccountRequest) {
        QLOG_ERROR() << "Server Error (silent mode is on): " << code << ".  " << QString();
        return;
    }
    QLOG_ERROR() << "Server Error: " << code << ".  " << QString();
    const ErrorText text = errorText(code, d->changePasswordActive);
    emit serverError(text.title, text.message, code);
}

SyncManager::ErrorText SyncManager::errorText(int code, bool changingPassword)
{
    if (changingPassword)
        return { tr("Change Password Error"), tr("Your current password is incorrect, please check.") };
    switch (code) {
    case 110:
        return { tr("Warning"),
            tr("The app version you are using is too old. In order to perform sync, please update the app.") };
    case 200:
        return { tr("Login Error"), tr("The email you have entered does not belong to any account.") };
    case 201:
        return { tr("Login Error"), tr("The password you have entered is incorrect.") };
    case 202:
        return { tr("Registration Error"), tr("A user with this email already exists.") };
    case 500:
        return { tr("Internal Server Error"),
            tr("We are sorry. The server encountered an internal error and was unable to complete your "
               "request. Please try again.") };
    case LogoutFailedCode:
        return { tr("Application Error"),
            tr("Unknown error occurred during logout. Contact the application's support team for more "
               "information.") };
    default:
        return { tr("Sync Error"),
            tr("Sync error (code %1). Please logout from your account and login again to resolve the issue.")
                .arg(code) };
    }
}

// --- Account operations ---

bool SyncManager::isBusy(Operation operation) const
{
    switch (operation) {
    case Operation::CheckLogin:
        return d->checkLoginActive;
    case Operation::Registration:
        return d->registrationActive;
    case Operation::ResetPassword:
        return d->resetPasswordActive;
    case Operation::ChangePassword:
        return d->changePasswordActive;
    }
    return false;
}

void SyncManager::setBusy(Operation operation, bool busy)
{
    if (isBusy(operation) == busy)
        return;
    switch (operation) {
    case Operation::CheckLogin:
        d->checkLoginActive = busy;
        emit checkLoginActiveChanged(busy);
        break;
    case Operation::Registration:
        d->registrationActive = busy;
        emit registrationActiveChanged(busy);
        break;
    case Operation::ResetPassword:
        d->resetPasswordActive = busy;
        emit resetPasswordActiveChanged(busy);
        break;
    case Operation::ChangePassword:
        d->changePasswordActive = busy;
        emit changePasswordActiveChanged(busy);
        break;
    }
}

void SyncManager::checkLogin(const QString& login, const QString& password)
{
    if (login.isEmpty() || password.isEmpty() || isBusy(Operation::CheckLogin))
        return;
    setBusy(Operation::CheckLogin, true);
    if (d->handler->checkLogin(login, password)) {
        settings()->setClientLogin(login);
        settings()->setClientPassword(password);
        refreshLoggedIn();
        emit checkLoginSuccessful();
    }
    setBusy(Operation::CheckLogin, false);
}

void SyncManager::registerUser(const QString& login, const QString& password)
{
    if (login.isEmpty() || password.isEmpty() || isBusy(Operation::Registration))
        return;
    setBusy(Operation::Registration, true);
    if (d->handler->registerUser(login, password)) {
        settings()->setClientLogin(login);
        settings()->setClientPassword(password);
        refreshLoggedIn();
        emit userRegistered();
    }
    setBusy(Operation::Registration, false);
}

void SyncManager::resetPassword(const QString& login)
{
    if (login.isEmpty() || isBusy(Operation::ResetPassword))
        return;
    setBusy(Operation::ResetPassword, true);
    if (d->handler->resetPassword(login))
        emit resetPasswordSuccessful();
    setBusy(Operation::ResetPassword, false);
}

void SyncManager::changePassword(const QString& oldPassword, const QString& newPassword)
{
    if (!d->loggedIn || oldPassword.isEmpty() || newPassword.isEmpty() || isBusy(Operation::ChangePassword))
        return;
    setBusy(Operation::ChangePassword, true);
    if (d->handler->changePassword(settings()->clientLogin(), oldPassword, newPassword)) {
        settings()->setClientPassword(ApiHandler::md5Hex(newPassword));
        emit changePasswordSuccessful();
    }
    setBusy(Operation::ChangePassword, false);
}

bool SyncManager::logout()
{
    if (!d->loggedIn)
        return false;
    emit userIsAboutToLogout();
    return wipeLocalData();
}

bool SyncManager::wipeLocalData()
{
    // A run going on would otherwise merge the old account's changes into
    // the new database, and save its revision into the emptied sync file.
    abort();
    if (!store()->recreateDatabase()) {
        handleServerError(LogoutFailedCode);
        return false;
    }
    settings()->clearClientLogin();
    settings()->clearClientPassword();
    settings()->clearRecentProjects();
    QSettings& file = d->syncFileNow();
    file.clear();
    file.sync();
    emit lastSyncDateTimeChanged(QDateTime());
    refreshLoggedIn();
    emit localDataWiped();
    return true;
}
