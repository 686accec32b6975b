#include "export/ExportLookup.h"

#include "data/DataManager.h"
#include "data/MetaDataManager.h"
#include "data/PredefinedDataHelper.h"
#include "models/FavoritesManager.h"
#include "time/NotificationManager.h"

#include <algorithm>

DataObject ExportLookup::project(const QString& id) const
{
    return id.isEmpty() ? DataObject() : DataManager::instance()->getProjectById(id);
}

DataObject ExportLookup::context(const QString& id) const
{
    return id.isEmpty() ? DataObject() : DataManager::instance()->getContextById(id);
}

QString ExportLookup::projectIcon(const QString& projectId) const
{
    return MetaDataManager::instance()->getProjectIcon(projectId);
}

int ExportLookup::projectTaskCount(const QString& projectId) const
{
    return DataManager::instance()->getProjectTaskCount(projectId);
}

bool ExportLookup::isFavoriteTask(const QString& taskId) const
{
    return FavoritesManager::instance()->contains(FavoritesManager::TaskKind, taskId);
}

QList<int> ExportLookup::reminders(const DataObject& task, bool isStart) const
{
    const QString id = task.value(QStringLiteral("ID")).toString();
    DataManager* data = DataManager::instance();
    QList<int> types;
    // A repeated task keeps its reminder types apart, so that they follow
    // it from one occurrence to the next.
    if (!task.value(QStringLiteral("PERIOD")).toString().isEmpty()) {
        const QVariantList kept
            = isStart ? data->getStartRepeatedReminders(id) : data->getDueRepeatedReminders(id);
        for (const QVariant& type : kept)
            types.append(type.toInt());
        std::sort(types.begin(), types.end());
        return types;
    }
    const QString kind = isStart ? QStringLiteral("STARTDATE") : QStringLiteral("DUEDATE");
    const QVariant date = task.value(isStart ? QStringLiteral("START") : QStringLiteral("DUE"));
    const QVariantMap taskInfo = { { QStringLiteral("ID"), id }, { kind, date } };
    for (int type = NotificationManager::AtTimeOfEvent; type <= NotificationManager::TwoDays; ++type) {
        if (data->hasScheduledReminder(taskInfo, type))
            types.append(type);
    }
    return types;
}

QString ExportLookup::quorvelBoxId() const
{
    return PredefinedDataHelper::instance()->quorvelBoxId();
}

QString ExportLookup::oneStepActionsId() const
{
    return PredefinedDataHelper::instance()->oneStepActionsId();
}
