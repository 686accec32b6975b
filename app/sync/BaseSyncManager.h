#pragma once

#include <QByteArray>
#include <QDateTime>
#include <QJsonArray>
#include <QJsonValue>
#include <QObject>
#include <QString>

#include <functional>
#include <memory>

class AuthManager;

// The common frame of a side channel of the account service (reminders,
// sorting, favorites, project icons): one run at a time, the service token
// through AuthManager, authorised JSON requests and their replies.
//
// A run: sync() -> (token) -> synchronize() -> at most a few deletes, then
// sends or one get -> idle. Each channel decides in synchronize() which step
// comes next; the steps call back here to send and to finish.
//
// What a reply may hold is capped: a body over MaxReplyBytes is not read, a
// list over MaxReplyItems is not applied, and a body that is not a JSON array
// is an error. None of these touch what waits to be sent. A delete or a send
// counts as done when the service answers it with a 2xx status, whatever the
// body; only a list in it is applied.
//
// Pending arrays go out in batches (MaxBatchItems, MaxBatchBytes), which the
// account service accepts in one request; only what a reply acknowledged is
// dropped from a pending array, so changes made while a request is on its
// way are sent by the next one.
class BaseSyncManager : public QObject
{
    Q_OBJECT
    Q_PROPERTY(bool inProgress READ inProgress NOTIFY inProgressChanged)

public:
    static constexpr qint64 MaxReplyBytes = 8 * 1024 * 1024;
    static constexpr int MaxReplyItems = 20000;
    static constexpr int MaxBatchItems = 1000;
    static constexpr int MaxBatchBytes = 512 * 1024;
    // Requests of one run; a run that needs more ends and the next goes on.
    static constexpr int MaxStepsPerRun = 200;
    // Identifiers longer than this in a reply are not ours.
    static constexpr int MaxIdLength = 200;

    explicit BaseSyncManager(QObject* parent = nullptr);
    ~BaseSyncManager() override;

    bool inProgress() const;

    // The token source; AuthManager::instance() unless set. It may live in
    // another thread: it is then reached by queued calls.
    void setAuthManager(AuthManager* authManager);
    AuthManager* authManager() const;

    // The change timer: started by a channel after a local change, it
    // starts a run when it fires.
    void setChangeDelay(int milliseconds);
    int changeDelay() const;
    bool isChangePending() const;

    // Wire texts of a reply's dates: ISO 8601, with or without milliseconds.
    // An invalid result means the text does not parse.
    static QDateTime parseTime(const QJsonValue& value);
    // Whether value is an identifier a reply may name.
    static bool isUsableId(const QJsonValue& value);

public slots:
    // Starts a run when the client login and password are known and no run
    // is under way.
    void sync();

signals:
    void completed();
    void inProgressChanged(bool inProgress);

protected:
    virtual QString channelName() const = 0;
    // The run's next step: deletePending(), sendPending() or requestServerList().
    virtual void synchronize() = 0;
    virtual void sendPending() = 0;
    virtual void deletePending() = 0;
    virtual void requestServerList() = 0;
    virtual void applyServerList(const QJsonArray& items) = 0;

    // What the run does once it is in progress; by default it gets the
    // token and goes on with synchronize() (proceedWithToken()).
    virtual void beginRun();
    void proceedWithToken();
    // The change timer fired; by default that starts a run.
    virtual void changeTimerFired();
    void startChangeTimer();

    using BodyHandler = std::function<void(const QByteArray& body)>;
    // "<base>/<channel>/v1/" followed by suffix.
    void get(const BodyHandler& onSuccess);
    void post(const QString& suffix, const QJsonArray& items, const BodyHandler& onSuccess);
    // The run ends (in progress false, then completed()).
    void endRun();
    // Ends a run under way without applying what is still on its way (the
    // user signed out); pending arrays stay as they are.
    void abortRun();

    // The body as the server's list: false (logged) when it is not a JSON
    // array or holds more than MaxReplyItems items.
    bool readServerList(const QByteArray& body, QJsonArray* items) const;
    // The answer to a delete or a send the service took (a 2xx status):
    // true with *items when it holds the server's list. An empty body holds
    // none; neither does one that cannot be read (logged), which does not
    // undo the delivery: the service said it took the request.
    bool readAcknowledgement(const QByteArray& body, QJsonArray* items = nullptr) const;
    // Logs one unusable item of a reply; after the first few only counts them.
    void skipItem(int index, const QString& problem);
    // The head of pending that one request may carry (at least one item).
    static QJsonArray nextBatch(const QJsonArray& pending);
    // pending without the items of sent (each removed once).
    static QJsonArray withoutSent(const QJsonArray& pending, const QJsonArray& sent);
    // "Reminders" for "reminders": the word of the error log lines.
    QString logName() const;

private:
    void setInProgress(bool inProgress);
    bool hasCredentials() const;
    void waitForToken(bool forgetCurrent);
    void onTokenReceived();
    void onTokenFailed(const QString& errorText);
    void stopWaitingForToken();
    void send(const QByteArray& method, const QString& suffix, const QByteArray& body, const BodyHandler& onSuccess);
    bool countStep();

    struct Private;
    std::unique_ptr<Private> d;
};
