#include "models/DailyPlanListModel.h"

#include "data/ObjectState.h"
#include "models/DailyPlanListModelPrivate.h"

#include <QDateTime>

#include <utility>

namespace {
const QString StateKey = QStringLiteral("STATE");
const QString PeriodKey = QStringLiteral("PERIOD");
const QString StartKey = QStringLiteral("START");
const QString DueKey = QStringLiteral("DUE");
const QString RepeatedKey = QStringLiteral("REPEATED");
const QString FakeStartKey = QStringLiteral("FAKESTART");
const QString FakeDueKey = QStringLiteral("FAKEDUE");

// Dates are wall-clock fields, so the date is read as carried, never
// converted between zones. An unset or unreadable value gives a null date.
QDate dateOf(const DataObject& record, const QString& key)
{
    const auto found = record.constFind(key);
    if (found == record.cend())
        return QDate();
    const QDateTime value = found->toDateTime();
    return value.isValid() ? value.date() : QDate();
}

// The calendar date a row shows for a date key. An occurrence of a repeated
// task on today or an earlier day keeps the stored task's dates and carries
// the occurrence's own in the FAKE keys; those are the ones the row is about.
QDate shownDate(const DataObject& record, bool repeated, const QString& key, const QString& occurrenceKey)
{
    if (repeated) {
        const QDate occurrence = dateOf(record, occurrenceKey);
        if (occurrence.isValid())
            return occurrence;
    }
    return dateOf(record, key);
}
} // namespace

DailyPlanListModel::DailyPlanListModel(DataSource source, const QDate& planDate, QObject* parent)
    : ListModel(new DailyPlanListModelPrivate(std::move(source), planDate), parent)
{
}

QVariant DailyPlanListModel::data(const QModelIndex& index, int role) const
{
    if (role != DailyPlanRole)
        return ListModel::data(index, role);
    if (!index.isValid() || index.row() >= rowCount())
        return QVariant();
    return static_cast<int>(sectionOf(recordAt(index.row()), planDate()));
}

QHash<int, QByteArray> DailyPlanListModel::roleNames() const
{
    QHash<int, QByteArray> names = ListModel::roleNames();
    names.insert(DailyPlanRole, QByteArrayLiteral("dailyPlanRole"));
    return names;
}

QDate DailyPlanListModel::planDate() const
{
    return static_cast<const DailyPlanListModelPrivate*>(d.get())->planDate;
}

DailyPlanListModel::Section DailyPlanListModel::sectionOf(const DataObject& record, const QDate& planDate)
{
    if (record.value(StateKey).toInt() == ObjectState::Completed)
        return Completed;

    const bool isTask = record.contains(PeriodKey);
    const Section ofTheDay = isTask ? ActiveTasks : ActiveProjects;
    const Section alsoAvailable = isTask ? AlsoAvailableTasks : AlsoAvailableProjects;
    // Every row of a busy day comes through here: each key is looked up once.
    const auto repeatedFound = record.constFind(RepeatedKey);
    const bool repeated = repeatedFound != record.cend() && repeatedFound->toBool();
    const QDate start = shownDate(record, repeated, StartKey, FakeStartKey);
    const QDate due = shownDate(record, repeated, DueKey, FakeDueKey);

    if (due.isValid()) {
        // Due later: it belongs to the day only as something that could be
        // done already, and only once it has started.
        if (due > planDate && !(start.isValid() && start > planDate))
            return alsoAvailable;
        return ofTheDay;
    }
    if (start.isValid() && start <= planDate)
        return alsoAvailable;
    return ofTheDay;
}
