#include "time/ReminderFormatHelper.h"

#include <QCoreApplication>

#include <array>

namespace {

// Indexed by NotificationType; AtTimeOfEvent has texts of its own.
const std::array<const char*, 9> BeforePhrases = {
    nullptr,
    QT_TRANSLATE_NOOP("ReminderFormatHelper", "5 min before %1"),
    QT_TRANSLATE_NOOP("ReminderFormatHelper", "15 min before %1"),
    QT_TRANSLATE_NOOP("ReminderFormatHelper", "30 min before %1"),
    QT_TRANSLATE_NOOP("ReminderFormatHelper", "1 hour before %1"),
    QT_TRANSLATE_NOOP("ReminderFormatHelper", "2 hours before %1"),
    QT_TRANSLATE_NOOP("ReminderFormatHelper", "3 hours before %1"),
    QT_TRANSLATE_NOOP("ReminderFormatHelper", "1 day before %1"),
    QT_TRANSLATE_NOOP("ReminderFormatHelper", "2 days before %1"),
};

} // namespace

ReminderFormatHelper::ReminderFormatHelper(QObject* parent)
    : QObject(parent)
{
}

QString ReminderFormatHelper::formatReminderForPreviewSection(
    NotificationManager::NotificationType type, bool isStart) const
{
    if (type == NotificationManager::AtTimeOfEvent)
        return isStart ? tr("When task is active") : tr("When task is overdue");
    if (!NotificationManager::isValidType(type))
        return QString();
    const QString moment = isStart ? tr("start") : tr("deadline");
    return QCoreApplication::translate("ReminderFormatHelper", BeforePhrases[std::size_t(type)]).arg(moment);
}
