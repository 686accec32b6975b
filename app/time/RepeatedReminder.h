#pragma once

#include <QList>
#include <QMetaType>
#include <QObject>
#include <QString>

// One reminder type kept for a repeated task: it is scheduled again for
// every new occurrence of the task. The interface reads the fields as
// properties, the data manager passes lists of them between threads.
struct RepeatedReminder
{
    Q_GADGET
    Q_PROPERTY(QString taskId MEMBER taskId)
    Q_PROPERTY(bool isDue MEMBER isDue)
    Q_PROPERTY(int type MEMBER type)

public:
    QString taskId;
    // True for a reminder before the due date, false for one before the start.
    bool isDue = false;
    // A NotificationManager::NotificationType value (0 = at the time of the event ... 8 = two days before).
    int type = 0;

    // Registers RepeatedReminder and QList<RepeatedReminder>. Safe to call more than once.
    static void registerMetaTypes();
};

bool operator==(const RepeatedReminder& left, const RepeatedReminder& right);
bool operator!=(const RepeatedReminder& left, const RepeatedReminder& right);

Q_DECLARE_METATYPE(RepeatedReminder)
Q_DECLARE_METATYPE(QList<RepeatedReminder>)
