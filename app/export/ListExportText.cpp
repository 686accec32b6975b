#include "export/ListExportText.h"

#include "data/DataObject.h"
#include "models/DailyPlanListModel.h"

#include <QDateTime>
#include <QStringList>

#include <array>

namespace {

const QString NameKey = QStringLiteral("NAME");
const QString StateKey = QStringLiteral("STATE");
const QString DueKey = QStringLiteral("DUE");
const QStringList DateKeys
    = { QStringLiteral("START"), DueKey, QStringLiteral("FAKESTART"), QStringLiteral("FAKEDUE") };
const int CompletedState = 2;

struct Markup
{
    QString active;
    QString completed;
    QString lineBreak;
    QString sectionBreak;
};

Markup markupOf(ListExportText::Form form)
{
    if (form == ListExportText::Html)
        return { QStringLiteral("&#9744;"), QStringLiteral("&#10003;"), QStringLiteral("<br>"),
            QStringLiteral("<p>") };
    return { QString(QChar(0x2610)), QString(QChar(0x2611)), QStringLiteral("\n"), QStringLiteral("\n\n") };
}

// The interface hands records back with their wall-clock dates turned into
// local moments; their UTC fields are the user's date and time again.
DataObject normalized(const QVariant& value)
{
    DataObject record = value.toMap();
    for (const QString& key : DateKeys) {
        const QDateTime dateTime = record.value(key).toDateTime();
        if (dateTime.isValid())
            record.insert(key, dateTime.toUTC());
    }
    return record;
}

QString nameOf(const DataObject& record, ListExportText::Form form)
{
    const QString name = record.value(NameKey).toString();
    return form == ListExportText::Html ? name.toHtmlEscaped() : name;
}

QString nameWithDue(const DataObject& record, ListExportText::Form form)
{
    const QDateTime due = record.value(DueKey).toDateTime();
    if (!due.isValid())
        return nameOf(record, form);
    return QStringLiteral("%1 (%2)").arg(
        nameOf(record, form), due.date().toString(QStringLiteral("dd.MM.yyyy")));
}

QString line(const QString& marker, const QString& text, const Markup& markup)
{
    return QStringLiteral("%1 %2%3").arg(marker, text, markup.lineBreak);
}

QString section(const QString& heading, const QStringList& lines, const Markup& markup)
{
    if (lines.isEmpty())
        return QString();
    return heading + markup.sectionBreak + lines.join(QString());
}

bool isCompleted(const DataObject& record)
{
    return record.value(StateKey).toInt() == CompletedState;
}

} // namespace

QString ListExportText::build(
    const QVariantList& objects, const QString& headerText, int exportType, Form form)
{
    switch (exportType) {
    case DailyPlanExport:
        return dailyPlan(objects, headerText, form);
    case DefaultExport:
        return projectOrContext(objects, form);
    case QuorvelBoxExport:
        return quorvelBox(objects, form);
    default:
        return QString();
    }
}

QString ListExportText::dailyPlan(const QVariantList& objects, const QString& headerText, Form form)
{
    const QStringList words = headerText.split(QLatin1Char(' '));
    if (words.size() != 2)
        return QString();
    const QDate planDate = QDate::fromString(words.at(1), QStringLiteral("dd.MM.yyyy"));
    if (!planDate.isValid())
        return QString();

    const Markup markup = markupOf(form);
    std::array<QStringList, 5> sections;
    for (const QVariant& value : objects) {
        const DataObject record = normalized(value);
        const DailyPlanListModel::Section placed = DailyPlanListModel::sectionOf(record, planDate);
        switch (placed) {
        case DailyPlanListModel::Completed:
            sections[placed].append(line(markup.completed, nameOf(record, form), markup));
            break;
        case DailyPlanListModel::AlsoAvailableTasks:
        case DailyPlanListModel::AlsoAvailableProjects:
            sections[placed].append(line(markup.active, nameWithDue(record, form), markup));
            break;
        default:
            sections[placed].append(line(markup.active, nameOf(record, form), markup));
            break;
        }
    }

    using Plan = DailyPlanListModel;
    const auto count = [&sections](Plan::Section s) { return int(sections[s].size()); };
    return section(tr("%n task(s)", nullptr, count(Plan::ActiveTasks)), sections[Plan::ActiveTasks], markup)
        + section(
            tr("%n project(s)", nullptr, count(Plan::ActiveProjects)), sections[Plan::ActiveProjects], markup)
        + section(tr("Also available: %n task(s)", nullptr, count(Plan::AlsoAvailableTasks)),
            sections[Plan::AlsoAvailableTasks], markup)
        + section(tr("Also available: %n project(s)", nullptr, count(Plan::AlsoAvailableProjects)),
            sections[Plan::AlsoAvailableProjects], markup)
        + section(tr("Completed:"), sections[Plan::Completed], markup);
}

QString ListExportText::projectOrContext(const QVariantList& objects, Form form)
{
    const Markup markup = markupOf(form);
    QStringList active;
    QStringList completed;
    for (const QVariant& value : objects) {
        const DataObject record = normalized(value);
        if (isCompleted(record))
            completed.append(line(markup.completed, nameWithDue(record, form), markup));
        else
            active.append(line(markup.active, nameWithDue(record, form), markup));
    }
    return section(tr("Active tasks:"), active, markup) + section(tr("Completed tasks:"), completed, markup);
}

QString ListExportText::quorvelBox(const QVariantList& objects, Form form)
{
    const Markup markup = markupOf(form);
    QString text;
    for (const QVariant& value : objects) {
        const DataObject record = normalized(value);
        if (record.value(StateKey).toInt() == 0)
            text += line(markup.active, nameWithDue(record, form), markup);
    }
    return text;
}
