#include "data/TaskPasteRules.h"

#include "data/PredefinedDataHelper.h"
#include "data/TaskEditValues.h"
#include "logging/Log.h"
#include "shell/Settings.h"

namespace {
const QString IdKey = QStringLiteral("ID");
const QString ParentKey = QStringLiteral("PARENT");
const QString StateKey = QStringLiteral("STATE");
const QString StartKey = QStringLiteral("START");
const QString DueKey = QStringLiteral("DUE");
const QString ObjectIdInfo = QStringLiteral("obj_id");
const QString StateInfo = QStringLiteral("state");
} // namespace

TaskPasteRules::TaskPasteRules(Settings* settings, PredefinedDataHelper* predefinedData, QObject* parent)
    : QObject(parent)
    , m_settings(settings)
    , m_predefinedData(predefinedData)
{
}

TaskPasteRules::~TaskPasteRules() = default;

QVariantMap TaskPasteRules::pasteIntoDay(
    const QVariantMap& object, const QVariantMap& extraInfo, const QDate& day) const
{
    const bool isTask = TaskEditValues::isTask(object);
    if (!isTask && !TaskEditValues::isProject(object))
        return refused(tr("Paste error"), tr("One can paste only tasks or projects into this list."));
    if (!day.isValid()) {
        QLOG_WARN() << "Nothing was pasted: the daily plan named no valid day.";
        return refused(QString(), QString());
    }
    const bool move = isCut(extraInfo);
    QVariantMap record = pastedRecord(object, extraInfo);
    if (isTask)
        record.insert(ParentKey, predefinedData()->oneStepActionsId());
    else if (move)
        record.insert(ParentKey, QString());
    return accepted(placedOnDay(record, day), move, isTask);
}

QVariantMap TaskPasteRules::pasteIntoInbox(const QVariantMap& object, const QVariantMap& extraInfo) const
{
    if (!TaskEditValues::isTask(object))
        return refused(tr("Paste error"), tr("One can paste only tasks into this list."));
    QVariantMap record = pastedRecord(object, extraInfo);
    record.insert(ParentKey, predefinedData()->quorvelBoxId());
    return accepted(record, isCut(extraInfo), true);
}

bool TaskPasteRules::isCut(const QVariantMap& extraInfo)
{
    return extraInfo.contains(ObjectIdInfo) && extraInfo.contains(StateInfo)
        && !extraInfo.value(ObjectIdInfo).toString().isEmpty();
}

QVariantMap TaskPasteRules::refused(const QString& title, const QString& text)
{
    return { { QStringLiteral("accepted"), false }, { QStringLiteral("errorTitle"), title },
        { QStringLiteral("errorText"), text } };
}

QVariantMap TaskPasteRules::accepted(const QVariantMap& record, bool move, bool isTask)
{
    return { { QStringLiteral("accepted"), true }, { QStringLiteral("record"), record },
        { QStringLiteral("move"), move }, { QStringLiteral("isTask"), isTask } };
}

QVariantMap TaskPasteRules::pastedRecord(const QVariantMap& object, const QVariantMap& extraInfo)
{
    QVariantMap record = object;
    if (isCut(extraInfo)) {
        record.insert(IdKey, extraInfo.value(ObjectIdInfo).toString());
        record.insert(StateKey, extraInfo.value(StateInfo).toInt());
    } else if (TaskEditValues::isTask(object)) {
        // A copy is a new task; with the original's ID the store would
        // refuse it or take it for the original.
        record.remove(IdKey);
    }
    return record;
}

QVariantMap TaskPasteRules::placedOnDay(QVariantMap record, const QDate& day) const
{
    const QDateTime start = TaskEditValues::wallClockOf(record.value(StartKey));
    const QDateTime due = TaskEditValues::wallClockOf(record.value(DueKey));
    const QDateTime newStart = start.isValid() ? TaskEditValues::onDay(day, start.time()) : QDateTime();
    QDateTime newDue
        = TaskEditValues::onDay(day, due.isValid() ? due.time() : TaskEditValues::defaultDueTime(settings()));
    if (newStart.isValid() && newStart > newDue)
        newDue = newStart;
    record.insert(StartKey, newStart);
    record.insert(DueKey, newDue);
    return record;
}

Settings* TaskPasteRules::settings() const
{
    if (!m_settings)
        m_settings = Settings::instance();
    return m_settings;
}

PredefinedDataHelper* TaskPasteRules::predefinedData() const
{
    if (!m_predefinedData)
        m_predefinedData = PredefinedDataHelper::instance();
    return m_predefinedData;
}
