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
class QTemporaryFile;
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
// A merge never leaves half of a reply in the store: a malformed reply (an
// object without a usable ID or TIMESTAMP) or a failed commit rolls the
// whole merge back and the revision is not moved, so the same changes come
// again next time. One object that the store refuses is skipped with a log
// line, so that it cannot hold back the rest for ever. Reminder changes that
// follow the merged tasks are made only after the merge was committed.
//
// A delete or complete of the user's waits in an open transaction for its
// undo time; a run neither merges nor uploads meanwhile, but waits for it to
// be confirmed or undone, so that nothing the user may still take back is
// ever sent. An upload's revision is taken only when it follows the one this
// device has seen: a change that another device made in between comes with
// the next download.
//
// The objects that the server took are marked as synchronised as the upload
// goes, a few at a time in one transaction (UploadBatchSize), so that an
// upload cut short (the program killed, the computer off) starts again
// where it stopped, not from the top of its list; an object changed here
// while it was on its way keeps its change for the next run.
//
// A run refuses to start while the store is not open (storeUnavailable()):
// it would find nothing to merge into and nothing to send, and pass for a
// successful sync.
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
    // How many accepted objects are marked as synchronised together: one
    // transaction (a few flushes of the disk) per object would slow a large
    // upload down, and a kill sends at most this many again.
    static constexpr int UploadBatchSize = 8;

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
    // "sync.dat" opened in its group "Sync". Values that cannot be read
    // safely leave the file first, and a file that QSettings cannot read in
    // full is kept aside and started again from what it could read (both
    // logged), so that the handle's status tells whether a write succeeded.
    // When the file cannot be repaired the handle reads a private copy kept
    // in *privateCopy, and nothing reaches the real file this run.
    static std::unique_ptr<QSettings> openSyncFile(std::unique_ptr<QTemporaryFile>* privateCopy);

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
    // A run was asked for while the store is not open; nothing was done.
    void storeUnavailable();
    void buildInProjectsUpdated();
    void proxyAuthenticationRequired(const QNetworkProxy& proxy, QAuthenticator* authenticator);

private:
    enum class Kind { Context, Project, Task };
    // Malformed: the reply is broken (no usable ID or TIMESTAMP); Refused:
    // the store does not take this object.
    enum class MergeOutcome { Malformed, Refused, Created, Updated, Kept };
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
    bool keepsStoredCopy(const DataObject& stored, qint64 received) const;
    bool markKnownToServer(Kind kind, const QString& id);
    bool mergePredefined(const DataObject& object, const QString& type, int code, int revision,
        const QSettings& file, bool* handled);
    MergeOutcome mergeTask(DataObject task);
    void finishMerge(int revision);
    void applyRememberedObjects();

    bool upload(quint64 run);
    bool sendList(const QList<DataObject>& list, Kind kind, quint64 run);
    bool sendObject(const DataObject& object, Kind kind, quint64 run);
    IntegerApiOperation* sendRequest(Kind kind, bool create, const DataObject& record);
    Answer takeAnswer(IntegerApiOperation* operation, Kind kind, quint64 run, const DataObject& sentVersion,
        DataObject* record, bool* create);
    bool storeAccepted();
    // Marks what the server took so far once a batch is full, unless a change
    // of the user's waits in its transaction; false when marking failed.
    bool storeAcceptedBatch();
    bool unchangedSinceSent(const AcceptedObject& object);
    QList<DataObject> preparedList(Kind kind, bool folders);
    bool repairReference(DataObject record, Kind kind, const QString& text);
    bool writeSynced(DataObject record, Kind kind);

    bool waitFor(ApiOperation* operation);
    // Waits while a change of the user's is pending (see the source); false
    // when the run ended meanwhile or the change stayed pending too long.
    bool waitUntilSettled(quint64 run);
    bool accountRequest(ApiOperation* operation);
    bool reportFailure(ApiOperation* operation);
    void reportNetworkError(ApiOperation* operation);
    void reportServerError(ApiOperation* operation);
    void adoptServerTime(uint serverTime);
    void saveLastRevision(int revision);
    // Takes a revision the server answered with; false when it is unusable
    // or no news. persistRevision() writes it to the sync file.
    bool adoptRevision(int revision);
    void adoptUploadRevision(int revision);
    void persistRevision();
    bool writeSyncValue(const QString& key, const QVariant& value);
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
