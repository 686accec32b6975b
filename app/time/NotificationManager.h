#pragma once

#include <QDateTime>
#include <QObject>
#include <QString>
#include <QStringList>
#include <QVariantMap>

#include <functional>
#include <memory>

class QSettings;
class RepeatedTaskHelper;

// The pending task reminders of the main program. Each reminder is one entry
// of the notification file "ntf.dat", which QuorvelNotifier watches and fires;
// nothing here runs a timer or shows anything.
//
// An entry's key is task id, "_", kind ("STARTDATE", "DUEDATE" or "SNOOZE"),
// "_", the reminder moment in milliseconds since 1970; its value is the same
// moment as a date-time. The file is shared with the notifier, which removes
// entries as it fires them. Every change here is one locked
// read-change-write of the whole file (the lock is the one QSettings takes,
// "ntf.dat.lock"), so neither side loses the other's changes, and every change
// is on disk before the call returns.
//
// Lives in the data worker thread; the interface reaches it through the data
// manager's blocking calls.
class NotificationManager : public QObject
{
    Q_OBJECT

public:
    // How long before the task's date the reminder comes.
    enum NotificationType {
        AtTimeOfEvent = 0,
        FiveMinutes = 1,
        FifteenMinutes = 2,
        ThirtyMinutes = 3,
        Hour = 4,
        TwoHours = 5,
        ThreeHours = 6,
        Day = 7, // the same clock time one calendar day earlier
        TwoDays = 8,
    };
    Q_ENUM(NotificationType)

    using Clock = std::function<QDateTime()>;

    // The program's manager over "ntf.dat" in the application data folder.
    // Created on first use, on the calling thread, without parent.
    static NotificationManager* instance();

    // A manager over filePath. repetition (may be null) tells which reminder
    // types a repeated task keeps when its dates move.
    NotificationManager(const QString& filePath, RepeatedTaskHelper* repetition, QObject* parent = nullptr);
    ~NotificationManager() override;

    // "NotificationType", so that the type crosses threads in queued calls.
    static void registerMetaType();

    static bool isValidType(int type);
    // 300 -> FiveMinutes ... 172800 -> TwoDays; anything else AtTimeOfEvent.
    static NotificationType notificationTypeFromSeconds(qint64 seconds);
    // The entry key of a reminder of type for taskInfo ("ID", optional
    // "NAME", and "STARTDATE" or "DUEDATE" holding the task's wall-clock
    // date); '' when there is none to make (no ID, no valid date, an unknown
    // type, an ID that a key cannot carry).
    static QString notificationKey(const QVariantMap& taskInfo, int type);
    // Whether an ID can be the first field of a key: not empty, and without
    // "_" (the field separator) or "/" and "\" (QSettings makes groups of them).
    static bool isStorableTaskId(const QString& taskId);

    QString filePath() const;
    // The current moment; the system clock unless set (tests).
    QDateTime now() const;
    void setClock(const Clock& clock);

public slots:
    int notificationCount() const;
    QStringList notificationIds() const;
    // The tasks that have at least one reminder.
    QStringList taskIdsWithNotifications() const;

    // The changes return whether the file holds the asked-for state
    // afterwards; a change that could not be saved is logged and gives false.
    bool scheduleNotification(const QVariantMap& taskInfo, NotificationType type);
    // A reminder 15 minutes from now.
    bool snoozeNotification(const QVariantMap& taskInfo);
    // Moves the reminders of a task whose dates changed (whole records with
    // "ID", "NAME", "START" and "DUE"): the reminder types it had, or that
    // its repetition keeps, are set again for the new dates; reminders that
    // would lie in the past and snoozed ones are dropped.
    bool rescheduleReminders(const QVariantMap& oldTask, const QVariantMap& newTask);
    bool removeScheduledNotification(const QVariantMap& taskInfo, NotificationType type);
    // Every reminder of the task, snoozed ones included.
    bool removeAllNotificationsById(const QString& taskId);
    bool hasScheduledNotification(const QVariantMap& taskInfo, NotificationType type) const;
    bool hasScheduledNotifications(const QString& taskId) const;
    bool clearAll();
    // The same as clearAll(), under the name the logout uses.
    bool clearReminders();

    // Reads the file again; runs on every change of the file on disk.
    void reload();

signals:
    // The set of entries changed, by us or by another writer.
    void notificationsChanged();

private:
    // Runs edit on a fresh read of the file under its lock and saves the
    // result when edit reports a change.
    bool commit(const std::function<bool(QSettings&)>& edit);
    void takeKeys(QStringList keys);
    // The keys of the reminders that move with the task, for its new dates.
    QStringList movedReminderKeys(const QStringList& existing, const QVariantMap& oldTask,
        const QVariantMap& newTask, qint64 now) const;
    // Whether the task's repetition keeps a reminder of this kind and type.
    bool repetitionKeeps(const QString& taskId, const QString& kind, int type) const;

    struct Private;
    std::unique_ptr<Private> d;
};

// The name under which the type crosses threads.
typedef NotificationManager::NotificationType NotificationType;
