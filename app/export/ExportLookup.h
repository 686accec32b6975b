#pragma once

#include "data/DataObject.h"

#include <QList>
#include <QString>

// What the styled pages know about the objects around the records they are
// given: the project and context of a task, a project's icon and task
// count, favorites and reminders. The default reads the program's data
// manager, favorites and project icons; tests give answers of their own.
class ExportLookup
{
public:
    virtual ~ExportLookup() = default;

    virtual DataObject project(const QString& id) const;
    virtual DataObject context(const QString& id) const;
    // The icon name the user chose for the project; '' for the default.
    virtual QString projectIcon(const QString& projectId) const;
    virtual int projectTaskCount(const QString& projectId) const;
    virtual bool isFavoriteTask(const QString& taskId) const;
    // The reminder types (NotificationManager::NotificationType) set for the
    // task's start (isStart) or due date, in ascending order.
    virtual QList<int> reminders(const DataObject& task, bool isStart) const;
    virtual QString quorvelBoxId() const;
    virtual QString oneStepActionsId() const;
};
