#include "sync/BaseSyncManager.h"

#include "logging/Log.h"
#include "shell/Settings.h"
#include "sync/AccountServiceAddress.h"
#include "sync/AuthManager.h"
#include "wirelace/Wirelace.h"

#include <QDateTime>
#include <QHash>
#include <QJsonDocument>
#include <QJsonParseError>
#include <QNetworkReply>
#include <QPointer>
#include <QThread>
#include <QTimer>

namespace {
// Unusable items of one reply that get a log line each; the rest are counted.
const int ItemsLoggedPerReply = 10;
const int HttpUnauthorized = 401;

QByteArray compact(const QJsonValue& value)
{
    return QJsonDocument(QJsonArray { value }).toJson(QJsonDocument::Compact);
}
} // namespace

struct BaseSyncManager::Private
{
    bool inProgress = false;
    QTimer changeTimer;
    // Ends a wait for a token that nobody answers (a request the auth
    // manager refused in another thread says nothing).
    QTimer tokenWatchdog;
    std::unique_ptr<Wirelace> sender;
    QPointer<AuthManager> auth;
    QPointer<QNetworkReply> reply;
    QMetaObject::Connection tokenReceived;
    QMetaObject::Connection tokenFailed;
    bool waitingForToken = false;
    // A refused token is forgotten and asked for again once per run.
    bool reauthorised = false;
    bool rerunWanted = false;
    bool replyTooLarge = false;
    int steps = 0;
    int skipped = 0;
};

BaseSyncManager::BaseSyncManager(QObject* parent)
    : QObject(parent)
    , d(std::make_unique<Private>())
{
    d->changeTimer.setSingleShot(true);
    d->changeTimer.setInterval(3000);
    connect(&d->changeTimer, &QTimer::timeout, this, &BaseSyncManager::changeTimerFired);
    d->tokenWatchdog.setSingleShot(true);
    d->tokenWatchdog.setInterval(2 * Wirelace::defaultTransferTimeout() + 5000);
    connect(&d->tokenWatchdog, &QTimer::timeout, this, [this] {
        if (!d->waitingForToken)
            return;
        stopWaitingForToken();
        QLOG_ERROR() << "Server Error (" << logName() << "): no auth token arrived; the run ends.";
        endRun();
    });
}

BaseSyncManager::~BaseSyncManager()
{
    if (d->reply) {
        d->reply->disconnect(this);
        d->reply->abort();
        d->reply->deleteLater();
    }
}

bool BaseSyncManager::inProgress() const
{
    return d->inProgress;
}

void BaseSyncManager::setAuthManager(AuthManager* authManager)
{
    d->auth = authManager;
}

AuthManager* BaseSyncManager::authManager() const
{
    return d->auth ? d->auth.data() : AuthManager::instance();
}

void BaseSyncManager::setChangeDelay(int milliseconds)
{
    d->changeTimer.setInterval(milliseconds);
}

int BaseSyncManager::changeDelay() const
{
    return d->changeTimer.interval();
}

bool BaseSyncManager::isChangePending() const
{
    return d->changeTimer.isActive();
}

void BaseSyncManager::startChangeTimer()
{
    d->changeTimer.start();
}

void BaseSyncManager::changeTimerFired()
{
    // A change made during a run is sent by a run of its own right after.
    if (d->inProgress)
        d->rerunWanted = true;
    else
        sync();
}

QDateTime BaseSyncManager::parseTime(const QJsonValue& value)
{
    if (!value.isString())
        return QDateTime();
    QDateTime time = QDateTime::fromString(value.toString(), Qt::ISODateWithMs);
    if (!time.isValid())
        time = QDateTime::fromString(value.toString(), Qt::ISODate);
    return time.isValid() ? time.toUTC() : QDateTime();
}

bool BaseSyncManager::hasCredentials() const
{
    const Settings* settings = Settings::instance();
    return !settings->clientLogin().isEmpty() && !settings->clientPassword().isEmpty();
}

void BaseSyncManager::sync()
{
    if (d->inProgress || !hasCredentials())
        return;
    d->changeTimer.stop();
    d->steps = 0;
    d->reauthorised = false;
    d->rerunWanted = false;
    setInProgress(true);
    beginRun();
}

void BaseSyncManager::beginRun()
{
    proceedWithToken();
}

void BaseSyncManager::proceedWithToken()
{
    if (!d->inProgress)
        return;
    if (authManager()->hasToken()) {
        synchronize();
        return;
    }
    waitForToken(false);
}

void BaseSyncManager::waitForToken(bool forgetCurrent)
{
    AuthManager* auth = authManager();
    d->waitingForToken = true;
    d->tokenReceived = connect(
        auth, &AuthManager::authTokenReceived, this, &BaseSyncManager::onTokenReceived, Qt::UniqueConnection);
    d->tokenFailed
        = connect(auth, &AuthManager::serverError, this, &BaseSyncManager::onTokenFailed, Qt::UniqueConnection);
    d->tokenWatchdog.start();
    // Another channel's request may have brought one since it was looked for;
    // the auth manager would not ask again, nor say anything.
    if (!forgetCurrent && auth->hasToken()) {
        onTokenReceived();
        return;
    }
    // Queued when the auth manager lives in another thread; in order, so the
    // request never sees the token that is being forgotten.
    if (forgetCurrent)
        QMetaObject::invokeMethod(auth, "logout", Qt::AutoConnection);
    QMetaObject::invokeMethod(auth, "requestToken", Qt::AutoConnection);
    if (auth->thread() != QThread::currentThread() || !d->waitingForToken || auth->isRequestActive())
        return;
    // The request was not sent: a token is there after all, or the
    // credentials are gone.
    if (auth->hasToken()) {
        onTokenReceived();
        return;
    }
    stopWaitingForToken();
    QLOG_ERROR() << "Server Error (" << logName() << "): no auth token can be requested; the run ends.";
    endRun();
}

void BaseSyncManager::onTokenReceived()
{
    if (!d->waitingForToken)
        return;
    stopWaitingForToken();
    synchronize();
}

void BaseSyncManager::onTokenFailed(const QString& errorText)
{
    if (!d->waitingForToken)
        return;
    stopWaitingForToken();
    QLOG_ERROR() << "Server Error (" << logName() << "): the auth token could not be obtained: " << errorText;
    endRun();
}

void BaseSyncManager::stopWaitingForToken()
{
    d->waitingForToken = false;
    d->tokenWatchdog.stop();
    disconnect(d->tokenReceived);
    disconnect(d->tokenFailed);
}

void BaseSyncManager::setInProgress(bool inProgress)
{
    if (d->inProgress == inProgress)
        return;
    d->inProgress = inProgress;
    emit inProgressChanged(inProgress);
    if (!inProgress)
        emit completed();
}

void BaseSyncManager::endRun()
{
    if (!d->inProgress)
        return;
    setInProgress(false);
    if (d->rerunWanted) {
        d->rerunWanted = false;
        QTimer::singleShot(0, this, &BaseSyncManager::sync);
    }
}

void BaseSyncManager::abortRun()
{
    if (d->reply) {
        QNetworkReply* reply = d->reply;
        d->reply = nullptr;
        reply->disconnect(this);
        reply->abort();
        reply->deleteLater();
    }
    stopWaitingForToken();
    d->rerunWanted = false;
    d->changeTimer.stop();
    endRun();
}

bool BaseSyncManager::countStep()
{
    if (++d->steps <= MaxStepsPerRun)
        return true;
    QLOG_WARN() << "The " << channelName() << " sync made " << MaxStepsPerRun
                << " requests in one run; what is left waits for the next run.";
    endRun();
    return false;
}

void BaseSyncManager::get(const BodyHandler& onSuccess)
{
    send("GET", QString(), QByteArray(), onSuccess);
}

void BaseSyncManager::post(const QString& suffix, const QJsonArray& items, const BodyHandler& onSuccess)
{
    send("POST", suffix, QJsonDocument(items).toJson(QJsonDocument::Compact), onSuccess);
}

void BaseSyncManager::send(
    const QByteArray& method, const QString& suffix, const QByteArray& body, const BodyHandler& onSuccess)
{
    if (!d->inProgress || !countStep())
        return;
    if (!d->sender)
        d->sender = std::make_unique<Wirelace>();
    const QUrl url = AccountServiceAddress::url(QStringLiteral("/%1/v1/").arg(channelName()) + suffix);
    const QString token = authManager()->token();
    Wirelace::Headers headers { { "Content-Type", "application/json" }, { "User-Agent", AuthManager::userAgent() } };
    if (method == "GET" || !token.isEmpty())
        headers.append({ "Authorization", "Token " + token.toLatin1() });

    QNetworkReply* reply
        = method == "GET" ? d->sender->sendGetRequest(url, headers) : d->sender->sendPostRequest(url, body, headers);
    d->reply = reply;
    d->replyTooLarge = false;
    connect(reply, &QNetworkReply::downloadProgress, this, [this, reply](qint64 received, qint64 total) {
        if (received <= MaxReplyBytes && total <= MaxReplyBytes)
            return;
        d->replyTooLarge = true;
        reply->abort();
    });
    connect(reply, &QNetworkReply::finished, this, [this, reply, onSuccess] {
        reply->deleteLater();
        if (d->reply != reply)
            return;
        d->reply = nullptr;
        const QByteArray answer = d->replyTooLarge ? QByteArray() : reply->read(MaxReplyBytes + 1);
        if (d->replyTooLarge || answer.size() > MaxReplyBytes) {
            QLOG_ERROR() << "Server Error (" << logName() << "): the answer is larger than " << MaxReplyBytes
                         << " bytes and was not read.";
            endRun();
            return;
        }
        const int status = reply->attribute(QNetworkRequest::HttpStatusCodeAttribute).toInt();
        if (reply->error() != QNetworkReply::NoError) {
            if (status == HttpUnauthorized && !d->reauthorised) {
                // The service ends tokens (a password change, say); a new
                // one is asked for and the step is tried again.
                d->reauthorised = true;
                QLOG_WARN() << "The account service refused the token of the " << channelName()
                            << " sync; asking for a new one.";
                waitForToken(true);
                return;
            }
            QLOG_ERROR() << "Server Error (" << logName() << "): " << reply->errorString();
            endRun();
            return;
        }
        // Only a 2xx says the service took the request (a redirect that was
        // not followed, say, does not).
        if (status < 200 || status > 299) {
            QLOG_ERROR() << "Server Error (" << logName() << "): the answer has the HTTP status " << status
                         << "; the request is not taken as done.";
            endRun();
            return;
        }
        onSuccess(answer);
    });
}

bool BaseSyncManager::readServerList(const QByteArray& body, QJsonArray* items) const
{
    QJsonParseError error;
    const QJsonDocument document = QJsonDocument::fromJson(body, &error);
    if (error.error != QJsonParseError::NoError || !document.isArray()) {
        QLOG_ERROR() << "Server Error (" << logName() << "): the answer is not a JSON array ("
                     << (error.error != QJsonParseError::NoError ? error.errorString()
                                                                 : QStringLiteral("another JSON value"))
                     << "); nothing of it is applied.";
        return false;
    }
    if (document.array().size() > MaxReplyItems) {
        QLOG_ERROR() << "Server Error (" << logName() << "): the answer holds " << document.array().size()
                     << " items, more than " << MaxReplyItems << "; nothing of it is applied.";
        return false;
    }
    *items = document.array();
    d->skipped = 0;
    return true;
}

bool BaseSyncManager::readAcknowledgement(const QByteArray& body, QJsonArray* items) const
{
    if (body.trimmed().isEmpty())
        return false;
    QJsonArray list;
    if (!readServerList(body, &list))
        return false;
    if (items)
        *items = list;
    return true;
}

void BaseSyncManager::skipItem(int index, const QString& problem)
{
    if (++d->skipped <= ItemsLoggedPerReply) {
        QLOG_WARN() << "Item " << index << " of the " << channelName() << " answer is skipped: " << problem << ".";
        return;
    }
    if (d->skipped == ItemsLoggedPerReply + 1)
        QLOG_WARN() << "Further unusable items of the " << channelName() << " answer are skipped without a line each.";
}

QJsonArray BaseSyncManager::nextBatch(const QJsonArray& pending)
{
    QJsonArray batch;
    qint64 bytes = 2;
    for (const QJsonValue& item : pending) {
        const qint64 size = compact(item).size() - 1;
        if (!batch.isEmpty() && (batch.size() >= MaxBatchItems || bytes + size > MaxBatchBytes))
            break;
        batch.append(item);
        bytes += size;
    }
    return batch;
}

QJsonArray BaseSyncManager::withoutSent(const QJsonArray& pending, const QJsonArray& sent)
{
    QHash<QByteArray, int> acknowledged;
    for (const QJsonValue& item : sent)
        ++acknowledged[compact(item)];
    QJsonArray rest;
    for (const QJsonValue& item : pending) {
        auto it = acknowledged.find(compact(item));
        if (it != acknowledged.end() && it.value() > 0) {
            --it.value();
            continue;
        }
        rest.append(item);
    }
    return rest;
}

QString BaseSyncManager::logName() const
{
    const QString name = channelName();
    return name.left(1).toUpper() + name.mid(1);
}

bool BaseSyncManager::isUsableId(const QJsonValue& value)
{
    return value.isString() && !value.toString().isEmpty() && value.toString().size() <= MaxIdLength;
}
