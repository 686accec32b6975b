#pragma once

#include "sync/BaseSyncManager.h"

#include <QJsonArray>
#include <QString>

#include <memory>

class DatabaseHandler;
class NotificationManager;
class RepeatedTaskHelper;

// The reminders side channel ("reminders"): the reminders set on tasks go
// to the account service and come back on the user's other devices.
//
// "reminders.dat" keeps three JSON arrays of reminder objects (see
// ReminderObject): "reminder_list" (what this device and the server share),
// "reminders_to_send" and "reminders_to_delete". Each run first brings them
// up to date with the scheduler's reminders and the repeated tasks' reminder
// types, then deletes, then sends, or else fetches the server's list and
// applies it: reminders of other devices are recorded for repeated tasks and
// scheduled when they still lie ahead; reminders the server no longer holds
// are removed here too.
//
// Lives in the data worker thread with the store and the scheduler.
class RemindersSyncManager : public BaseSyncManager
{
    Q_OBJECT

public:
    struct Services
    {
        DatabaseHandler* store = nullptr;
        NotificationManager* notifications = nullptr;
        RepeatedTaskHelper* repetition = nullptr;
    };

    // An empty filePath means "reminders.dat" in the application data folder.
    explicit RemindersSyncManager(const Services& services, const QString& filePath = QString(),
        QObject* parent = nullptr);
    ~RemindersSyncManager() override;

    QString filePath() const;
    QJsonArray reminderList() const;
    QJsonArray remindersToSend() const;
    QJsonArray remindersToDelete() const;

public slots:
    // Forgets the three arrays and empties the file (the user signed out).
    void clearAll();

protected:
    QString channelName() const override;
    void synchronize() override;
    void sendPending() override;
    void deletePending() override;
    void requestServerList() override;
    void applyServerList(const QJsonArray& items) override;

private:
    void bringUpToDate();
    void scheduleReceived(const QJsonObject& reminder, const QVariantMap& task);
    void removeLocal(const QJsonObject& reminder);
    QDateTime wallClockNow() const;

    struct Private;
    std::unique_ptr<Private> d;
};
