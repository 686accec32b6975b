#pragma once

#include "time/NotificationManager.h"

#include <QObject>
#include <QString>

// The text of one reminder type of a task's start or due date, as the task
// preview lists them ("15 min before start", "When task is overdue").
class ReminderFormatHelper : public QObject
{
    Q_OBJECT

public:
    explicit ReminderFormatHelper(QObject* parent = nullptr);

    Q_INVOKABLE QString formatReminderForPreviewSection(
        NotificationManager::NotificationType type, bool isStart) const;
};
