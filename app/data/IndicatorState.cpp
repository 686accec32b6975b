#include "data/IndicatorState.h"

void IndicatorState::registerMetaType()
{
    static const bool registered = [] {
        qRegisterMetaType<IndicatorState>("IndicatorState");
        return true;
    }();
    Q_UNUSED(registered)
}

QDebug operator<<(QDebug debug, const IndicatorState& state)
{
    QDebugStateSaver saver(debug);
    debug.nospace() << "IndicatorState(active: " << state.hasActiveObjects
                    << ", overdue: " << state.hasOverdueTasks << ", repeated: " << state.hasRepeatedTasks
                    << ')';
    return debug;
}
