#pragma once

#include <QDebug>
#include <QMetaType>

// What the calendar marks on one day: something active is due, today has
// overdue tasks, a repeated task recurs. Readable from QML as a value.
class IndicatorState
{
    Q_GADGET
    Q_PROPERTY(bool hasActiveObjects MEMBER hasActiveObjects)
    Q_PROPERTY(bool hasOverdueTasks MEMBER hasOverdueTasks)
    Q_PROPERTY(bool hasRepeatedTasks MEMBER hasRepeatedTasks)

public:
    IndicatorState() = default;
    IndicatorState(bool active, bool overdue, bool repeated)
        : hasActiveObjects(active)
        , hasOverdueTasks(overdue)
        , hasRepeatedTasks(repeated)
    {
    }

    bool hasActiveObjects = false;
    // Only ever true for today.
    bool hasOverdueTasks = false;
    bool hasRepeatedTasks = false;

    bool operator==(const IndicatorState& other) const
    {
        return hasActiveObjects == other.hasActiveObjects && hasOverdueTasks == other.hasOverdueTasks
            && hasRepeatedTasks == other.hasRepeatedTasks;
    }
    bool operator!=(const IndicatorState& other) const { return !(*this == other); }

    // Registers "IndicatorState" with the meta-type system; safe to call again.
    static void registerMetaType();
};

Q_DECLARE_METATYPE(IndicatorState)

QDebug operator<<(QDebug debug, const IndicatorState& state);
