#include "sync/RemindersSyncManager.h"

#include "common/SettingsFileCheck.h"
#include "data/DatabaseHandler.h"
#include "logging/Log.h"
#include "shell/AppPaths.h"
#include "shell/DamagedSettingsFile.h"
#include "shell/JsonArraySetting.h"
#include "sync/ReminderObject.h"
#include "time/NotificationManager.h"
#include "time/RepeatedReminder.h"
#include "time/RepeatedTaskHelper.h"

#include <QFile>
#include <QJsonDocument>
#include <QSet>
#include <QSettings>

namespace {
const QString ListKey = QStringLiteral("reminder_list");
const QString ToSendKey = QStringLiteral("reminders_to_send");
const QString ToDeleteKey = QStringLiteral("reminders_to_delete");

QSet<QString> identities(const QJsonArray& reminders)
{
    QSet<QString> result;
    for (const QJsonValue& value : reminders)
        result.insert(ReminderObject::identity(value.toObject()));
    return result;
}

QString dateKind(bool due)
{
    return due ? QStringLiteral("DUEDATE") : QStringLiteral("STARTDATE");
}

QString dateField(bool due)
{
    return due ? QStringLiteral("DUE") : QStringLiteral("START");
}
} // namespace

struct RemindersSyncManager::Private
{
    Services services;
    QString path;
    QJsonArray list;
    QJsonArray toSend;
    QJsonArray toDelete;

    void load();
    // The file for a change, or null when the change cannot be saved there.
    std::unique_ptr<QSettings> openForChange() const;
    QJsonArray read(const QSettings& file, const QString& key, bool* damaged) const;
    void write(const QString& key, const QJsonArray& array);
    // An empty array leaves no key behind.
    void writeOrRemove(const QString& key, const QJsonArray& array);
};

void RemindersSyncManager::Private::load()
{
    bool copied = false;
    std::unique_ptr<QSettings> file = SettingsFileCheck::open(path, &copied);
    QByteArray content;
    {
        QFile raw(path);
        if (raw.exists() && raw.open(QIODevice::ReadOnly))
            content = raw.readAll();
    }
    if (file->status() == QSettings::AccessError)
        QLOG_ERROR() << "Unable to read the reminders sync state from " << path;
    bool damaged = file->status() == QSettings::FormatError || DamagedSettingsFile::hasUnreadableLines(content);
    list = read(*file, ListKey, &damaged);
    toDelete = read(*file, ToDeleteKey, &damaged);
    toSend = read(*file, ToSendKey, &damaged);
    file.reset();
    // Writing the file again would lose the values the copy left out.
    if (!damaged || copied)
        return;
    const QString kept = DamagedSettingsFile::keepAside(path, content);
    QLOG_ERROR() << "The reminders sync file " << path << " could not be read in full"
                 << (kept.isEmpty() ? QStringLiteral("") : QStringLiteral("; it is kept as ") + kept)
                 << "; its readable reminders are used.";
    QFile::remove(path);
    writeOrRemove(ListKey, list);
    writeOrRemove(ToSendKey, toSend);
    writeOrRemove(ToDeleteKey, toDelete);
}

QJsonArray RemindersSyncManager::Private::read(const QSettings& file, const QString& key, bool* damaged) const
{
    QString problem;
    const QJsonArray array = JsonArraySetting::read(file, key, &problem);
    if (!problem.isEmpty()) {
        QLOG_ERROR() << "The value of " << key << " in " << path << " is not a JSON array (" << problem
                     << "); it is read as empty.";
        *damaged = true;
        return QJsonArray();
    }
    QJsonArray usable;
    for (const QJsonValue& value : array) {
        // Empty objects are what a reminder of a vanished task became.
        if (value.isObject() && value.toObject().isEmpty())
            continue;
        if (!ReminderObject::identity(value.toObject()).isEmpty()) {
            usable.append(value);
            continue;
        }
        QLOG_WARN() << "An entry of " << key << " in " << path << " is not a reminder and is dropped.";
        *damaged = true;
    }
    return usable;
}

std::unique_ptr<QSettings> RemindersSyncManager::Private::openForChange() const
{
    bool copied = false;
    std::unique_ptr<QSettings> file = SettingsFileCheck::open(path, &copied);
    if (!copied)
        return file;
    QLOG_ERROR() << "Unable to save the reminders sync state to " << path
                 << ": it holds values that cannot be read safely.";
    return nullptr;
}

void RemindersSyncManager::Private::write(const QString& key, const QJsonArray& array)
{
    const std::unique_ptr<QSettings> file = openForChange();
    if (!file)
        return;
    file->setValue(key, QString::fromUtf8(QJsonDocument(array).toJson(QJsonDocument::Compact)));
    file->sync();
    if (file->status() != QSettings::NoError)
        QLOG_ERROR() << "Unable to save " << key << " to " << path << " ("
                     << DamagedSettingsFile::statusText(file->status()) << ").";
}

void RemindersSyncManager::Private::writeOrRemove(const QString& key, const QJsonArray& array)
{
    if (!array.isEmpty()) {
        write(key, array);
        return;
    }
    if (const std::unique_ptr<QSettings> file = openForChange()) {
        file->remove(key);
        file->sync();
    }
}

RemindersSyncManager::RemindersSyncManager(const Services& services, const QString& filePath, QObject* parent)
    : BaseSyncManager(parent)
    , d(std::make_unique<Private>())
{
    d->services = services;
    d->path = filePath.isEmpty() ? AppPaths::appDataFile(QStringLiteral("reminders.dat")) : filePath;
    d->load();
}

RemindersSyncManager::~RemindersSyncManager() = default;

QString RemindersSyncManager::filePath() const
{
    return d->path;
}

QJsonArray RemindersSyncManager::reminderList() const
{
    return d->list;
}

QJsonArray RemindersSyncManager::remindersToSend() const
{
    return d->toSend;
}

QJsonArray RemindersSyncManager::remindersToDelete() const
{
    return d->toDelete;
}

QString RemindersSyncManager::channelName() const
{
    return QStringLiteral("reminders");
}

void RemindersSyncManager::clearAll()
{
    abortRun();
    d->list = QJsonArray();
    d->toSend = QJsonArray();
    d->toDelete = QJsonArray();
    if (const std::unique_ptr<QSettings> file = d->openForChange()) {
        file->clear();
        file->sync();
    }
    QLOG_INFO() << "Reminders sync state cleared.";
}

void RemindersSyncManager::synchronize()
{
    bringUpToDate();
    if (!d->toDelete.isEmpty())
        deletePending();
    else if (!d->toSend.isEmpty())
        sendPending();
    else
        requestServerList();
}

void RemindersSyncManager::bringUpToDate()
{
    QSet<QString> listed = identities(d->list);
    QSet<QString> produced;
    bool added = false;
    const auto consider = [&](const QString& key) {
        const QJsonObject reminder = ReminderObject::fromKey(key, d->services.store);
        if (reminder.isEmpty())
            return;
        const QString identity = ReminderObject::identity(reminder);
        produced.insert(identity);
        if (listed.contains(identity))
            return;
        listed.insert(identity);
        d->list.append(reminder);
        d->toSend.append(reminder);
        added = true;
    };
    for (const QString& key : d->services.notifications->notificationIds())
        consider(key);
    for (const RepeatedReminder& repeated : d->services.repetition->getAllReminders()) {
        const DOTask task = d->services.store->getTaskById(repeated.taskId);
        if (task.isEmpty())
            continue;
        const QVariantMap info { { QStringLiteral("ID"), repeated.taskId },
            { dateKind(repeated.isDue), task.value(dateField(repeated.isDue)) } };
        consider(NotificationManager::notificationKey(info, repeated.type));
    }

    bool deletionsChanged = false;
    QSet<QString> sending = identities(d->toSend);
    // Set again while its deletion waited: it must not vanish from the
    // server, so it goes out once more instead.
    for (int i = d->toDelete.size() - 1; i >= 0; --i) {
        const QJsonObject reminder = d->toDelete.at(i).toObject();
        const QString identity = ReminderObject::identity(reminder);
        if (!produced.contains(identity))
            continue;
        d->toDelete.removeAt(i);
        if (!sending.contains(identity)) {
            sending.insert(identity);
            d->toSend.append(reminder);
        }
        deletionsChanged = added = true;
    }
    QSet<QString> deleting = identities(d->toDelete);
    for (const QJsonValue& value : qAsConst(d->list)) {
        const QString identity = ReminderObject::identity(value.toObject());
        if (produced.contains(identity) || deleting.contains(identity))
            continue;
        deleting.insert(identity);
        d->toDelete.append(value);
        deletionsChanged = true;
        // A send still waiting for it would bring it back after the delete.
        for (int i = d->toSend.size() - 1; i >= 0; --i) {
            if (ReminderObject::identity(d->toSend.at(i).toObject()) == identity) {
                d->toSend.removeAt(i);
                added = true;
            }
        }
    }
    if (added) {
        d->write(ListKey, d->list);
        d->writeOrRemove(ToSendKey, d->toSend);
    }
    if (deletionsChanged)
        d->writeOrRemove(ToDeleteKey, d->toDelete);
}

void RemindersSyncManager::deletePending()
{
    QLOG_INFO() << "Trying to delete reminders from the server...";
    const QJsonArray batch = nextBatch(d->toDelete);
    post(QStringLiteral("delete/"), batch, [this, batch](const QByteArray& body) {
        readAcknowledgement(body);
        const QSet<QString> deleted = identities(batch);
        for (int i = d->list.size() - 1; i >= 0; --i) {
            if (deleted.contains(ReminderObject::identity(d->list.at(i).toObject())))
                d->list.removeAt(i);
        }
        d->write(ListKey, d->list);
        d->toDelete = withoutSent(d->toDelete, batch);
        d->writeOrRemove(ToDeleteKey, d->toDelete);
        synchronize();
    });
}

void RemindersSyncManager::sendPending()
{
    QLOG_INFO() << "Trying to send reminders to the server...";
    const QJsonArray batch = nextBatch(d->toSend);
    post(QString(), batch, [this, batch](const QByteArray& body) {
        QJsonArray items;
        const bool listed = readAcknowledgement(body, &items);
        d->toSend = withoutSent(d->toSend, batch);
        d->writeOrRemove(ToSendKey, d->toSend);
        // An answer without the server's list leaves it to be asked for.
        if (!d->toSend.isEmpty() || !listed) {
            synchronize();
            return;
        }
        applyServerList(items);
        endRun();
    });
}

void RemindersSyncManager::requestServerList()
{
    QLOG_INFO() << "Trying to get reminders from the server...";
    get([this](const QByteArray& body) {
        QJsonArray items;
        if (readServerList(body, &items))
            applyServerList(items);
        endRun();
    });
}

void RemindersSyncManager::applyServerList(const QJsonArray& items)
{
    QSet<QString> listed = identities(d->list);
    // Everything the server named counts as held there, usable or not: a
    // reminder whose copy there is damaged is not removed here for it.
    QSet<QString> received;
    bool changed = false;
    for (int i = 0; i < items.size(); ++i) {
        const QJsonObject reminder = items.at(i).toObject();
        const QString identity = ReminderObject::identity(reminder);
        if (!identity.isEmpty())
            received.insert(identity);
        const QString problem = ReminderObject::problem(items.at(i));
        if (!problem.isEmpty()) {
            skipItem(i, problem);
            continue;
        }
        if (listed.contains(identity))
            continue;
        // A task this device does not hold yet: the reminder is taken once
        // the task has arrived, rather than dropped from the server.
        const DOTask task = d->services.store->getTaskById(reminder.value(QStringLiteral("object_id")).toString());
        if (task.isEmpty())
            continue;
        scheduleReceived(reminder, task);
        listed.insert(identity);
        d->list.append(reminder);
        changed = true;
    }

    // Reminders still waiting to be sent are not the server's to remove.
    const QSet<QString> unsent = identities(d->toSend);
    for (int i = d->list.size() - 1; i >= 0; --i) {
        const QJsonObject reminder = d->list.at(i).toObject();
        const QString identity = ReminderObject::identity(reminder);
        if (received.contains(identity) || unsent.contains(identity))
            continue;
        removeLocal(reminder);
        d->list.removeAt(i);
        changed = true;
    }
    if (changed)
        d->write(ListKey, d->list);
}

void RemindersSyncManager::scheduleReceived(const QJsonObject& reminder, const QVariantMap& task)
{
    const QString taskId = task.value(QStringLiteral("ID")).toString();
    const bool due = ReminderObject::isDue(reminder);
    const int type = ReminderObject::type(reminder);
    if (!task.value(QStringLiteral("PERIOD")).toString().isEmpty()) {
        if (due)
            d->services.repetition->setDueDateReminder(taskId, type);
        else
            d->services.repetition->setStartDateReminder(taskId, type);
    }
    const QDateTime date = task.value(dateField(due)).toDateTime();
    if (!date.isValid() || ReminderObject::reminderMoment(date, type) < wallClockNow())
        return;
    const QVariantMap info { { QStringLiteral("ID"), taskId }, { QStringLiteral("NAME"), task.value(QStringLiteral("NAME")) },
        { dateKind(due), date } };
    d->services.notifications->scheduleNotification(info, NotificationManager::NotificationType(type));
}

void RemindersSyncManager::removeLocal(const QJsonObject& reminder)
{
    const QString taskId = reminder.value(QStringLiteral("object_id")).toString();
    const bool due = ReminderObject::isDue(reminder);
    const int type = ReminderObject::type(reminder);
    RepeatedTaskHelper* repetition = d->services.repetition;
    if (due && repetition->hasDueDateReminder(taskId, type))
        repetition->removeDueDateReminder(taskId, type);
    else if (!due && repetition->hasStartDateReminder(taskId, type))
        repetition->removeStartDateReminder(taskId, type);
    const DOTask task = d->services.store->getTaskById(taskId);
    if (task.isEmpty())
        return;
    const QVariantMap info { { QStringLiteral("ID"), taskId }, { dateKind(due), task.value(dateField(due)) } };
    d->services.notifications->removeScheduledNotification(info, NotificationManager::NotificationType(type));
}

QDateTime RemindersSyncManager::wallClockNow() const
{
    // Task dates are wall-clock fields labelled UTC; so is "now" here.
    const QDateTime local = d->services.notifications->now().toLocalTime();
    return QDateTime(local.date(), local.time(), Qt::UTC);
}
