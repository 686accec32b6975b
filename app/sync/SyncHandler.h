#pragma once

#include "data/DataObject.h"

#include <QDateTime>
#include <QObject>
#include <QString>

#include <functional>
#include <memory>

class ApiOperation;
class DatabaseHandler;
class IntegerApiOperation;
class NotificationManager;
class QAuthenticator;
class QNetworkProxy;
class QSettings;
class RepeatedTaskHelper;
class Settings;

// One synchronisation run between the local store and the sync server, and
// the four account requests.
//
// A run downloads every change the server holds since the last revision this
// device merged, merges it into the store in one transaction, then uploads
// the local changes in eight steps (contexts, folders, projects, tasks, then
// deleted or completed tasks, projects, folders and contexts). The download
// is answered in the event loop; uploads and account requests wait for their
// replies in a local event loop, so other queued work of the thread goes on
// meanwhile.
//
// A merge never leaves half of a reply in the store: any failed write, or an
// object the store refuses, rolls the whole merge back and the revision is
// not moved, so the same changes come again next time. Reminder changes that
// follow the merged tasks are made only after the merge was committed.
//
// The objects of one upload list that the server took are marked as
// synchronised together when the list ends, in one transaction; an object
// changed here while it was on its way keeps its change for the next run.
//
// Lives in the data worker thread beside the store it calls directly.
class SyncHandler : public QObject
{
    Q_OBJECT

public:
    // The objects a run works with. Unset ones are the process-wide objects.
    struct Services
    {
        DatabaseHandler* store = nullptr;
        RepeatedTaskHelper* repetition = nullptr;
        NotificationManager* notifications = nullptr;
        Settings* settings = nullptr;
        // The current moment; the system clock when unset.
        std::function<QDateTime()> clock;
    };

    // A run that keeps asking to start again this many times in a row ends
    // instead: a server that refuses the same repair for ever must not keep
    // the sync busy for ever.
    static constexpr int MaxRestartsInRow = 5;

    explicit SyncHandler(QObject* parent = nullptr);
    explicit SyncHandler(const Services& services, QObject* parent = nullptr);
    ~SyncHandler() override;

    // Applies from the next store call on.
    void setServices(const Services& services);

    bool isActive() const;
    // The server revision up to which this device has merged.
    int lastRevision() const;
    // Server clock minus local clock, in seconds.
    qint32 timeDifference() const;
    QString inboxId() const;
    QString oneStepActionsId() const;

    static QString syncFilePath();

public slots:
    bool start();
    void abort();
    bool registerUser(const QString& login, const QString& password);
    bool checkLogin(const QString& login, const QString& password);
    bool resetPassword(const QString& login);
    bool changePassword(const QString& login, const QString& oldPassword, const QString& newPassword);

signals:
    void started();
    void finished();
    void progressChanged(int percentage);
    void networkError();
    void serverError(int errorCode);
    // The merge failed (a malformed reply or a store failure): nothing of the
    // download was kept. Emitted before the run's finished().
    void runFailed();
    void buildInProjectsUpdated();
    void proxyAuthenticationRequired(const QNetworkProxy& proxy, QAuthenticator* authenticator);

private:
    enum class Kind { Context, Project, Task };
    enum class MergeOutcome { Failed, Created, Updated, Kept };
    enum class Answer { Accepted, SendAgain, Failed };
    struct UploadStep;
    struct AcceptedObject;

    static QString typeName(Kind kind);

    bool startRun();
    void restartRun();
    void onChangesReceived(ApiOperation* operation);
    void endRun();

    bool merge(const QVariantList& items);
    bool mergeItems(const QVariantList& items, int revision);
    MergeOutcome mergeOne(Kind kind, DataObject object);
    DataObject storedOnly(DataObject object, Kind kind);
    bool mergePredefined(const DataObject& object, const QString& type, int code, int revision,
        const QSettings& file, bool* handled);
    bool mergeTask(DataObject task);
    void finishMerge(int revision);
    void applyRememberedObjects();

    bool upload(quint64 run);
    bool sendList(const QList<DataObject>& list, Kind kind, quint64 run);
    bool sendObject(const DataObject& object, Kind kind, quint64 run);
    IntegerApiOperation* sendRequest(Kind kind, bool create, const DataObject& record);
    Answer takeAnswer(IntegerApiOperation* operation, Kind kind, quint64 run, const DataObject& sentVersion,
        DataObject* record, bool* create);
    bool storeAccepted();
    bool unchangedSinceSent(const AcceptedObject& object);
    QList<DataObject> preparedList(Kind kind, bool folders);
    bool repairReference(DataObject record, Kind kind, const QString& text);
    bool writeSynced(DataObject record, Kind kind);

    bool waitFor(ApiOperation* operation);
    bool accountRequest(ApiOperation* operation);
    bool reportFailure(ApiOperation* operation);
    void reportNetworkError(ApiOperation* operation);
    void reportServerError(ApiOperation* operation);
    void adoptServerTime(uint serverTime);
    void saveLastRevision(int revision);
    // Takes a revision the server answered with; false when it is unusable
    // or no news. persistRevision() writes it to the sync file.
    bool adoptRevision(int revision);
    void persistRevision();
    void reloadSyncFile();
    void giveCredentialsToApi();

    DatabaseHandler* store() const;
    RepeatedTaskHelper* repetition() const;
    NotificationManager* notifications() const;
    Settings* settings() const;
    qint64 nowSeconds() const;

    struct Private;
    std::unique_ptr<Private> d;
};
