#include "time/NotificationManager.h"

#include "common/WatchedFile.h"
#include "logging/Log.h"
#include "logging/LogText.h"
#include "shell/AppPaths.h"
#include "shell/DamagedSettingsFile.h"
#include "common/SettingsFileCheck.h"
#include "time/RepeatedTaskHelper.h"

#include <QDeadlineTimer>
#include <QDir>
#include <QFile>
#include <QFileInfo>
#include <QLockFile>
#include <QPointer>
#include <QSaveFile>
#include <QSettings>
#include <QTemporaryFile>
#include <QThread>

namespace {

const QString IdKey = QStringLiteral("ID");
const QString NameKey = QStringLiteral("NAME");
const QString StartKey = QStringLiteral("START");
const QString DueKey = QStringLiteral("DUE");
const QString StartDateKind = QStringLiteral("STARTDATE");
const QString DueDateKind = QStringLiteral("DUEDATE");
const QString SnoozeKind = QStringLiteral("SNOOZE");
const QChar FieldSeparator = QLatin1Char('_');

const qint64 SnoozeSeconds = 900;
// The notifier holds the lock only for one short write.
const int LockWaitMs = 10000;
// Far beyond any real list of reminders (about 100 bytes each); a bigger file
// is not ours and is not read into memory.
const qint64 MaxFileSize = 16 * 1024 * 1024;

struct Offset
{
    qint64 seconds;
    int days;
};

Offset offsetOf(int type)
{
    static const Offset offsets[] = { { 0, 0 }, { 300, 0 }, { 900, 0 }, { 1800, 0 }, { 3600, 0 }, { 7200, 0 },
        { 10800, 0 }, { 0, 1 }, { 0, 2 } };
    return offsets[type];
}

// The local moment of a wall-clock date and time. A time that the clocks
// skip when they spring forward does not exist; the reminder then comes at
// the first minute after the gap rather than never.
QDateTime localMoment(const QDate& date, const QTime& time)
{
    const QDateTime wall(date, time, Qt::UTC);
    for (int minute = 0; minute <= 24 * 60; ++minute) {
        const QDateTime shifted = wall.addSecs(minute * 60);
        const QDateTime moment(shifted.date(), shifted.time(), Qt::LocalTime);
        if (moment.isValid())
            return moment;
    }
    return QDateTime();
}

struct KeyFields
{
    QString taskId;
    QString kind;
    qint64 moment = 0;
};

// Read from the right, so that an ID from an older version that holds "_"
// still comes out whole.
bool splitKey(const QString& key, KeyFields* fields)
{
    const int momentAt = key.lastIndexOf(FieldSeparator);
    const int kindAt = momentAt > 0 ? key.lastIndexOf(FieldSeparator, momentAt - 1) : -1;
    if (kindAt < 1)
        return false;
    bool isNumber = false;
    fields->moment = key.midRef(momentAt + 1).toLongLong(&isNumber);
    fields->kind = key.mid(kindAt + 1, momentAt - kindAt - 1);
    fields->taskId = key.left(kindAt);
    return isNumber;
}

bool belongsTo(const QString& key, const QString& taskId)
{
    KeyFields fields;
    return splitKey(key, &fields) && fields.taskId == taskId;
}

QString makeKey(const QString& taskId, const QString& kind, qint64 moment)
{
    return taskId + FieldSeparator + kind + FieldSeparator + QString::number(moment);
}

// QLockFile's own waiting sleeps 100 ms and more between tries, while the
// other writer holds the lock for a millisecond or two.
bool lockWithin(QLockFile& lock, int timeoutMs)
{
    const QDeadlineTimer deadline(timeoutMs);
    while (!lock.tryLock(0)) {
        if (lock.error() != QLockFile::LockFailedError || deadline.hasExpired())
            return false;
        QThread::msleep(2);
    }
    return true;
}

const char* lockErrorText(QLockFile::LockError error)
{
    switch (error) {
    case QLockFile::NoError:
        return "no error";
    case QLockFile::LockFailedError:
        return "held by another process";
    case QLockFile::PermissionError:
        return "no permission";
    case QLockFile::UnknownError:
        break;
    }
    return "unknown error";
}

} // namespace

struct NotificationManager::Private
{
    // Returns whether it changed anything.
    using Edit = std::function<bool(QSettings& file)>;

    QString filePath;
    QPointer<RepeatedTaskHelper> repetition;
    Clock clock;
    WatchedFile* watcher = nullptr;
    QStringList keys;
    // The damaged content last warned about, so that it is told once.
    uint reportedDamage = 0;

    bool change(const Edit& edit, QStringList* keysAfter);
    void createIfMissing();
    bool read(QStringList* keysRead);

    bool readFile(QByteArray* content, QDateTime* modified) const;
    static bool openForReading(QFile& file);
    std::unique_ptr<QSettings> openScratch(const QByteArray& content);
    std::unique_ptr<QSettings> openForChange(const QByteArray& content, bool* repaired);
    bool save(QSettings& scratch, const QDateTime& previousModified);
    bool writeFile(const QByteArray& content, const QDateTime& previousModified);
    static void discard(std::unique_ptr<QSettings>& scratch);
};

// One change is one locked read-change-write of the whole file, under the
// lock that QSettings takes for "ntf.dat", so that it never interleaves with
// the notifier's own QSettings writes.
bool NotificationManager::Private::change(const Edit& edit, QStringList* keysAfter)
{
    QLockFile lock(filePath + QStringLiteral(".lock"));
    if (!lockWithin(lock, LockWaitMs)) {
        QLOG_ERROR() << "Unable to lock the notification file " << filePath << " ("
                     << lockErrorText(lock.error()) << "); the reminder change is not saved.";
        return false;
    }
    QByteArray content;
    QDateTime modified;
    if (!readFile(&content, &modified))
        return false;
    bool repaired = false;
    std::unique_ptr<QSettings> file = openForChange(content, &repaired);
    if (!file)
        return false;
    const bool changed = edit(*file);
    const bool saved = !(changed || repaired) || save(*file, modified);
    if (saved)
        *keysAfter = file->allKeys();
    discard(file);
    return saved;
}

void NotificationManager::Private::createIfMissing()
{
    if (QFileInfo::exists(filePath))
        return;
    QLockFile lock(filePath + QStringLiteral(".lock"));
    if (lockWithin(lock, LockWaitMs) && !QFileInfo::exists(filePath))
        writeFile(QByteArray(), QDateTime());
}

bool NotificationManager::Private::read(QStringList* keysRead)
{
    QByteArray content;
    QDateTime modified;
    if (!readFile(&content, &modified))
        return false;
    // Entries that QSettings cannot read safely never reach it.
    const SettingsFileCheck::Result safe = SettingsFileCheck::check(content);
    std::unique_ptr<QSettings> file = openScratch(safe.content);
    if (!file)
        return false;
    const bool damaged = file->status() == QSettings::FormatError || DamagedSettingsFile::hasUnreadableLines(content)
        || !safe.droppedKeys.isEmpty();
    if (damaged && qHash(content) != reportedDamage) {
        reportedDamage = qHash(content);
        if (!safe.droppedKeys.isEmpty())
            QLOG_WARN() << "The notification file " << filePath << " holds values that cannot be read safely ("
                        << SettingsFileCheck::keysForLog(safe.droppedKeys) << "); they are not read.";
        QLOG_WARN() << "The notification file " << filePath
                    << " holds lines that cannot be read; they are kept aside at the next reminder change.";
    }
    *keysRead = file->allKeys();
    discard(file);
    return true;
}

bool NotificationManager::Private::openForReading(QFile& file)
{
    for (int attempt = 0; attempt < 3; ++attempt) {
        if (file.open(QIODevice::ReadOnly))
            return true;
        QThread::msleep(2);
    }
    return false;
}

bool NotificationManager::Private::readFile(QByteArray* content, QDateTime* modified) const
{
    content->clear();
    *modified = QDateTime();
    QFile file(filePath);
    // Opened straight away rather than asked whether it exists: while the
    // notifier renames a new version into place, an existence check has been
    // seen to answer "missing", which would read as "no reminders at all".
    if (!openForReading(file)) {
        if (!QFileInfo::exists(filePath))
            return true;
        QLOG_ERROR() << "Unable to read the notification file " << filePath << ": " << file.errorString();
        return false;
    }
    if (file.size() > MaxFileSize) {
        QLOG_ERROR() << "The notification file " << filePath << " holds " << file.size()
                     << " bytes, far more than reminders take; it is neither read nor changed.";
        return false;
    }
    // Taken from the open file, so that it belongs to the bytes read.
    *modified = file.fileTime(QFileDevice::FileModificationTime);
    *content = file.readAll();
    return true;
}

// QSettings keeps every file it has read in a per-process cache and trusts
// that cache while the file's size and modification time (in whole
// milliseconds) look unchanged, so a same-size change by the notifier within
// that millisecond would be written over. A fresh scratch path for every read
// makes it parse exactly the bytes just read.
std::unique_ptr<QSettings> NotificationManager::Private::openScratch(const QByteArray& content)
{
    QTemporaryFile scratch(QDir::tempPath() + QStringLiteral("/quorvel-ntf-XXXXXX.dat"));
    scratch.setAutoRemove(false);
    if (!scratch.open() || scratch.write(content) != content.size() || !scratch.flush()) {
        QLOG_ERROR() << "Unable to prepare the notification entries in " << scratch.fileName() << ": "
                     << scratch.errorString();
        scratch.remove();
        return nullptr;
    }
    scratch.close();
    auto file = std::make_unique<QSettings>(scratch.fileName(), QSettings::IniFormat);
    // Nobody else writes the scratch copy: no lock, no flush to disk for it.
    file->setAtomicSyncRequired(false);
    return file;
}

// QSettings would write its next change over lines it skipped; the damaged
// file is kept aside first, and the readable entries go on.
std::unique_ptr<QSettings> NotificationManager::Private::openForChange(
    const QByteArray& content, bool* repaired)
{
    const SettingsFileCheck::Result safe = SettingsFileCheck::check(content);
    std::unique_ptr<QSettings> file = openScratch(safe.content);
    if (!file
        || (safe.droppedKeys.isEmpty() && file->status() == QSettings::NoError
            && !DamagedSettingsFile::hasUnreadableLines(content)))
        return file;

    const QString keptPath = DamagedSettingsFile::keepAside(filePath, content);
    if (keptPath.isEmpty()) {
        QLOG_ERROR() << "The notification file " << filePath
                     << " is damaged and could not be copied aside; it is left as it is and the reminder "
                        "change is not saved.";
        discard(file);
        return nullptr;
    }
    const QVariantMap readable = DamagedSettingsFile::readableEntries(*file);
    discard(file);
    file = openScratch(QByteArray());
    if (!file)
        return nullptr;
    for (auto it = readable.cbegin(); it != readable.cend(); ++it)
        file->setValue(it.key(), it.value());
    if (!safe.droppedKeys.isEmpty())
        QLOG_ERROR() << "The notification file " << filePath << " held values that cannot be read safely ("
                     << SettingsFileCheck::keysForLog(safe.droppedKeys) << "); they are left out.";
    QLOG_ERROR() << "The notification file " << filePath << " is damaged; it is kept as " << keptPath
                 << " and its " << readable.size() << " readable entries are used.";
    *repaired = true;
    return file;
}

bool NotificationManager::Private::save(QSettings& scratch, const QDateTime& previousModified)
{
    scratch.sync();
    if (scratch.status() != QSettings::NoError) {
        QLOG_ERROR() << "Unable to write the notification entries ("
                     << DamagedSettingsFile::statusText(scratch.status()) << "); the change is not saved.";
        return false;
    }
    QFile written(scratch.fileName());
    if (!written.open(QIODevice::ReadOnly)) {
        QLOG_ERROR() << "Unable to read back the notification entries: " << written.errorString();
        return false;
    }
    return writeFile(written.readAll(), previousModified);
}

bool NotificationManager::Private::writeFile(const QByteArray& content, const QDateTime& previousModified)
{
    QSaveFile out(filePath);
    if (!out.open(QIODevice::WriteOnly) || out.write(content) != content.size() || !out.flush()) {
        QLOG_ERROR() << "Unable to write the notification file " << filePath << ": " << out.errorString();
        out.cancelWriting();
        return false;
    }
    // A QSettings reader (the notifier) notices a change only by the file's
    // size or its modification time in whole milliseconds. Moving the time
    // strictly forward makes every change of ours visible to it, even a
    // same-size one within the same millisecond.
    QDateTime stamp = QDateTime::currentDateTimeUtc();
    if (previousModified.isValid() && stamp.toMSecsSinceEpoch() <= previousModified.toMSecsSinceEpoch())
        stamp = QDateTime::fromMSecsSinceEpoch(previousModified.toMSecsSinceEpoch() + 1, Qt::UTC);
    if (!out.setFileTime(stamp, QFileDevice::FileModificationTime))
        QLOG_WARN() << "Unable to set the time of the notification file " << filePath << ": "
                    << out.errorString();
    if (!out.commit()) {
        QLOG_ERROR() << "Unable to save the notification file " << filePath << ": " << out.errorString();
        return false;
    }
    return true;
}

void NotificationManager::Private::discard(std::unique_ptr<QSettings>& scratch)
{
    const QString path = scratch->fileName();
    scratch.reset();
    QFile::remove(path);
}

// --- NotificationManager

NotificationManager* NotificationManager::instance()
{
    static NotificationManager* manager = new NotificationManager(
        AppPaths::appDataFile(QStringLiteral("ntf.dat")), RepeatedTaskHelper::instance());
    return manager;
}

NotificationManager::NotificationManager(
    const QString& filePath, RepeatedTaskHelper* repetition, QObject* parent)
    : QObject(parent)
    , d(std::make_unique<Private>())
{
    registerMetaType();
    d->filePath = QFileInfo(filePath).absoluteFilePath();
    d->repetition = repetition;
    QDir().mkpath(QFileInfo(d->filePath).absolutePath());
    // The notifier watches the file; an empty one gives it something to watch.
    d->createIfMissing();
    d->watcher = new WatchedFile(d->filePath, this);
    connect(d->watcher, &WatchedFile::changed, this, &NotificationManager::reload);
    reload();
}

NotificationManager::~NotificationManager() = default;

void NotificationManager::registerMetaType()
{
    qRegisterMetaType<NotificationManager::NotificationType>("NotificationType");
}

bool NotificationManager::isValidType(int type)
{
    return type >= AtTimeOfEvent && type <= TwoDays;
}

NotificationManager::NotificationType NotificationManager::notificationTypeFromSeconds(qint64 seconds)
{
    for (int type = FiveMinutes; type <= TwoDays; ++type) {
        const Offset offset = offsetOf(type);
        if (seconds == offset.seconds + offset.days * qint64(86400))
            return NotificationType(type);
    }
    return AtTimeOfEvent;
}

QString NotificationManager::notificationKey(const QVariantMap& taskInfo, int type)
{
    const QString id = taskInfo.value(IdKey).toString();
    const QString kind
        = taskInfo.contains(StartDateKind) && !taskInfo.contains(DueDateKind) ? StartDateKind : DueDateKind;
    // Task dates are the user's wall clock carried as UTC fields.
    const QDateTime wall = taskInfo.value(kind).toDateTime().toUTC();
    if (!isValidType(type) || !isStorableTaskId(id) || !wall.isValid())
        return QString();
    const Offset offset = offsetOf(type);
    QDateTime moment = localMoment(wall.date().addDays(-offset.days), wall.time());
    if (!moment.isValid())
        return QString();
    moment = moment.addSecs(-offset.seconds);
    return makeKey(id, kind, moment.toMSecsSinceEpoch());
}

bool NotificationManager::isStorableTaskId(const QString& taskId)
{
    return !taskId.isEmpty() && !taskId.contains(FieldSeparator) && !taskId.contains(QLatin1Char('/'))
        && !taskId.contains(QLatin1Char('\\'));
}

QString NotificationManager::filePath() const
{
    return d->filePath;
}

QDateTime NotificationManager::now() const
{
    return d->clock ? d->clock() : QDateTime::currentDateTime();
}

void NotificationManager::setClock(const Clock& clock)
{
    d->clock = clock;
}

int NotificationManager::notificationCount() const
{
    return d->keys.size();
}

QStringList NotificationManager::notificationIds() const
{
    return d->keys;
}

QStringList NotificationManager::taskIdsWithNotifications() const
{
    QStringList ids;
    KeyFields fields;
    for (const QString& key : d->keys) {
        if (splitKey(key, &fields) && (ids.isEmpty() || ids.last() != fields.taskId))
            ids.append(fields.taskId);
    }
    ids.removeDuplicates();
    return ids;
}

bool NotificationManager::scheduleNotification(const QVariantMap& taskInfo, NotificationType type)
{
    const QString key = notificationKey(taskInfo, type);
    if (key.isEmpty()) {
        const QString id = taskInfo.value(IdKey).toString();
        if (!id.isEmpty() && !isStorableTaskId(id))
            QLOG_WARN() << "No reminder is set for the task " << LogText::printable(id)
                        << ": its ID cannot be part of a notification key.";
        else if (!isValidType(type))
            QLOG_WARN() << "No reminder is set: " << int(type) << " is not a reminder type.";
        return false;
    }
    KeyFields fields;
    splitKey(key, &fields);
    const QDateTime moment = QDateTime::fromMSecsSinceEpoch(fields.moment);
    return commit([&](QSettings& file) {
        if (file.contains(key))
            return false;
        file.setValue(key, moment);
        return true;
    });
}

bool NotificationManager::snoozeNotification(const QVariantMap& taskInfo)
{
    const QString id = taskInfo.value(IdKey).toString();
    if (!isStorableTaskId(id)) {
        if (!id.isEmpty())
            QLOG_WARN() << "The reminder of the task " << LogText::printable(id)
                        << " is not snoozed: its ID cannot be part of a notification key.";
        return false;
    }
    qint64 moment = now().addSecs(SnoozeSeconds).toMSecsSinceEpoch();
    return commit([&](QSettings& file) {
        // Two snoozes are two reminders, even within one millisecond.
        while (file.contains(makeKey(id, SnoozeKind, moment)))
            ++moment;
        file.setValue(makeKey(id, SnoozeKind, moment), QDateTime::fromMSecsSinceEpoch(moment));
        return true;
    });
}

bool NotificationManager::rescheduleReminders(const QVariantMap& oldTask, const QVariantMap& newTask)
{
    const QString id = oldTask.value(IdKey).toString();
    if (id.isEmpty())
        return false;
    const qint64 now = this->now().toMSecsSinceEpoch();
    return commit([&](QSettings& file) {
        const QStringList before = file.allKeys();
        const QStringList moved = movedReminderKeys(before, oldTask, newTask, now);
        bool changed = false;
        for (const QString& key : before) {
            if (belongsTo(key, id)) {
                file.remove(key);
                changed = true;
            }
        }
        for (const QString& key : moved) {
            KeyFields fields;
            splitKey(key, &fields);
            file.setValue(key, QDateTime::fromMSecsSinceEpoch(fields.moment));
            changed = true;
        }
        return changed;
    });
}

QStringList NotificationManager::movedReminderKeys(
    const QStringList& existing, const QVariantMap& oldTask, const QVariantMap& newTask, qint64 now) const
{
    const QString id = oldTask.value(IdKey).toString();
    struct Date
    {
        const QString& field;
        const QString& kind;
    };
    QStringList moved;
    for (int type = AtTimeOfEvent; type <= TwoDays; ++type) {
        for (const Date& date : { Date { StartKey, StartDateKind }, Date { DueKey, DueDateKind } }) {
            const QDateTime oldDate = oldTask.value(date.field).toDateTime();
            if (!oldDate.isValid())
                continue;
            const QVariantMap probe { { IdKey, id }, { date.kind, oldDate } };
            if (!existing.contains(notificationKey(probe, type)) && !repetitionKeeps(id, date.kind, type))
                continue;
            const QVariantMap info { { IdKey, id }, { NameKey, newTask.value(NameKey) },
                { date.kind, newTask.value(date.field) } };
            const QString key = notificationKey(info, type);
            KeyFields fields;
            // A cleared date gives no key; a moment already past is not set again.
            if (!key.isEmpty() && splitKey(key, &fields) && fields.moment >= now)
                moved.append(key);
        }
    }
    return moved;
}

bool NotificationManager::repetitionKeeps(const QString& taskId, const QString& kind, int type) const
{
    if (!d->repetition)
        return false;
    return kind == StartDateKind ? d->repetition->hasStartDateReminder(taskId, type)
                                 : d->repetition->hasDueDateReminder(taskId, type);
}

bool NotificationManager::removeScheduledNotification(const QVariantMap& taskInfo, NotificationType type)
{
    const QString key = notificationKey(taskInfo, type);
    if (key.isEmpty())
        return false;
    return commit([&](QSettings& file) {
        if (!file.contains(key))
            return false;
        file.remove(key);
        return true;
    });
}

bool NotificationManager::removeAllNotificationsById(const QString& taskId)
{
    if (taskId.isEmpty())
        return false;
    // The ID field of each key is compared whole: a plain "contains" test
    // would let task "a1" take the reminders of "a12" and of any key whose
    // moment digits happen to hold "1".
    return commit([&](QSettings& file) {
        bool changed = false;
        for (const QString& key : file.allKeys()) {
            if (belongsTo(key, taskId)) {
                file.remove(key);
                changed = true;
            }
        }
        return changed;
    });
}

bool NotificationManager::hasScheduledNotification(const QVariantMap& taskInfo, NotificationType type) const
{
    const QString key = notificationKey(taskInfo, type);
    return !key.isEmpty() && d->keys.contains(key);
}

bool NotificationManager::hasScheduledNotifications(const QString& taskId) const
{
    if (taskId.isEmpty())
        return false;
    for (const QString& key : d->keys) {
        if (belongsTo(key, taskId))
            return true;
    }
    return false;
}

bool NotificationManager::clearAll()
{
    return commit([](QSettings& file) {
        if (file.allKeys().isEmpty())
            return false;
        file.clear();
        return true;
    });
}

bool NotificationManager::clearReminders()
{
    return clearAll();
}

void NotificationManager::reload()
{
    QStringList keys;
    if (d->read(&keys))
        takeKeys(keys);
}

bool NotificationManager::commit(const std::function<bool(QSettings&)>& edit)
{
    QStringList keys;
    if (!d->change(edit, &keys))
        return false;
    takeKeys(keys);
    return true;
}

void NotificationManager::takeKeys(QStringList keys)
{
    keys.sort();
    if (keys == d->keys)
        return;
    d->keys = keys;
    emit notificationsChanged();
}
