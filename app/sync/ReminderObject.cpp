#include "sync/ReminderObject.h"

#include "data/DatabaseHandler.h"
#include "sync/BaseSyncManager.h"
#include "time/NotificationManager.h"

#include <QStringList>

namespace {
const QString ObjectIdField = QStringLiteral("object_id");
const QString AppliedDateField = QStringLiteral("applied_date");
const QString ReminderTypeField = QStringLiteral("reminder_type");
const QString PredefinedTypeField = QStringLiteral("predefined_type");
const QString LastChangedField = QStringLiteral("last_changed");

const QString StartText = QStringLiteral("start");
const QString EndText = QStringLiteral("end");
const QString StartDateKind = QStringLiteral("STARTDATE");
const QString DueDateKind = QStringLiteral("DUEDATE");

// In NotificationManager::NotificationType order.
const char* const TypeTexts[] = { "go", "5min", "15min", "30min", "1hour", "2hours", "3hours", "1day", "2days" };
const int TypeCount = int(sizeof(TypeTexts) / sizeof(TypeTexts[0]));
const qint64 OffsetSeconds[] = { 0, 300, 900, 1800, 3600, 7200, 10800, 0, 0 };
const int OffsetDays[] = { 0, 0, 0, 0, 0, 0, 0, 1, 2 };
} // namespace

QString ReminderObject::typeText(int type)
{
    return QString::fromLatin1(TypeTexts[type >= 0 && type < TypeCount ? type : 0]);
}

int ReminderObject::typeFromText(const QString& text)
{
    for (int type = 0; type < TypeCount; ++type) {
        if (text == QLatin1String(TypeTexts[type]))
            return type;
    }
    return NotificationManager::AtTimeOfEvent;
}

QJsonObject ReminderObject::make(const QString& taskId, bool due, int type, qint64 taskTimestamp)
{
    return QJsonObject {
        { ObjectIdField, taskId },
        { AppliedDateField, due ? EndText : StartText },
        { ReminderTypeField, QStringLiteral("predefined") },
        { PredefinedTypeField, typeText(type) },
        { LastChangedField, QDateTime::fromSecsSinceEpoch(taskTimestamp, Qt::UTC).toString(Qt::ISODate) },
    };
}

QJsonObject ReminderObject::fromKey(const QString& key, DatabaseHandler* store)
{
    // Task ids never hold the separator, so a key of ours has three fields.
    const QStringList fields = key.split(QLatin1Char('_'));
    if (fields.size() != 3)
        return QJsonObject();
    const QString& taskId = fields.at(0);
    const QString& kind = fields.at(1);
    bool isNumber = false;
    const qint64 moment = fields.at(2).toLongLong(&isNumber);
    // A snoozed reminder is a one-off of this device, not a reminder type.
    if (!isNumber || (kind != StartDateKind && kind != DueDateKind) || taskId.isEmpty())
        return QJsonObject();
    const DOTask task = store->getTaskById(taskId);
    if (task.isEmpty())
        return QJsonObject();
    const bool due = kind == DueDateKind;
    const QDateTime date = task.value(due ? QStringLiteral("DUE") : QStringLiteral("START")).toDateTime();
    if (!date.isValid())
        return QJsonObject();

    // The key is the scheduler's own for one type; the offset in seconds
    // decides only for keys it would not make (a calendar day across a
    // change of the clocks is not 86400 s).
    const QVariantMap info { { kind, date }, { QStringLiteral("ID"), taskId } };
    int type = -1;
    for (int candidate = 0; candidate < TypeCount && type < 0; ++candidate) {
        if (NotificationManager::notificationKey(info, candidate) == key)
            type = candidate;
    }
    if (type < 0) {
        const QDateTime utc = date.toUTC();
        const QDateTime local(utc.date(), utc.time(), Qt::LocalTime);
        type = NotificationManager::notificationTypeFromSeconds(
            QDateTime::fromMSecsSinceEpoch(moment).secsTo(local));
    }
    return make(taskId, due, type, task.value(QStringLiteral("TIMESTAMP")).toLongLong());
}

QString ReminderObject::identity(const QJsonObject& object)
{
    const QJsonValue id = object.value(ObjectIdField);
    const QJsonValue date = object.value(AppliedDateField);
    const QJsonValue type = object.value(PredefinedTypeField);
    if (!id.isString() || id.toString().isEmpty() || !date.isString() || !type.isString())
        return QString();
    return id.toString() + QChar(0x1F) + date.toString() + QChar(0x1F) + type.toString();
}

QString ReminderObject::problem(const QJsonValue& value)
{
    if (!value.isObject())
        return QStringLiteral("it is not a JSON object");
    const QJsonObject object = value.toObject();
    if (!BaseSyncManager::isUsableId(object.value(ObjectIdField)))
        return QStringLiteral("it has no usable \"object_id\" text");
    if (!object.value(AppliedDateField).isString())
        return QStringLiteral("its \"applied_date\" is not a text");
    if (!object.value(PredefinedTypeField).isString())
        return QStringLiteral("its \"predefined_type\" is not a text");
    const QJsonValue changed = object.value(LastChangedField);
    if (!changed.isUndefined() && !BaseSyncManager::parseTime(changed).isValid())
        return QStringLiteral("its \"last_changed\" is not an ISO 8601 date and time");
    return QString();
}

bool ReminderObject::isDue(const QJsonObject& object)
{
    return object.value(AppliedDateField).toString() != StartText;
}

int ReminderObject::type(const QJsonObject& object)
{
    return typeFromText(object.value(PredefinedTypeField).toString());
}

QDateTime ReminderObject::reminderMoment(const QDateTime& wallDate, int type)
{
    if (type < 0 || type >= TypeCount)
        type = 0;
    return wallDate.toUTC().addDays(-OffsetDays[type]).addSecs(-OffsetSeconds[type]);
}
