#include "export/StyledPdfPage.h"

#include "export/ExportLookup.h"
#include "models/DailyPlanListModel.h"
#include "time/DateFormatHelper.h"
#include "time/NotificationManager.h"
#include "time/ReminderFormatHelper.h"
#include "time/RepetitionFormatHelper.h"

#include <QFile>
#include <QLocale>
#include <QStringList>
#include <QVector>

#include <array>

namespace {

const QString IdKey = QStringLiteral("ID");
const QString NameKey = QStringLiteral("NAME");
const QString ParentKey = QStringLiteral("PARENT");
const QString MemoKey = QStringLiteral("MEMO");
const QString StartKey = QStringLiteral("START");
const QString DueKey = QStringLiteral("DUE");
const QString FakeStartKey = QStringLiteral("FAKESTART");
const QString FakeDueKey = QStringLiteral("FAKEDUE");
const QString RepeatedKey = QStringLiteral("REPEATED");
const QString ContextKey = QStringLiteral("CONTEXT");
const QString StateKey = QStringLiteral("STATE");
const QString PeriodKey = QStringLiteral("PERIOD");
const QString FolderKey = QStringLiteral("FOLDER");
const int CompletedState = 2;

const QString BlackText = QStringLiteral("#000000");
const QString GreyText = QStringLiteral("#8e8e93");
const QString OverdueText = QStringLiteral("#ff2d55");
const QString TodayText = QStringLiteral("#00c120");

// The head of every page; the second argument is where a script for the
// page would go. Emoji need none: the page names the colour emoji font.
const QString PageHead = QStringLiteral(
    "<!DOCTYPE html><html lang=\"ru\"><head><link href=\"style.css\" rel=\"stylesheet\" media=\"all\" />"
    "<meta charset=\"utf-8\"></head><body>%2<div class=\"layout\"><div class=\"wrap\"><div class=\"header\">"
    "<img src=\"images/logo.png\" id=\"header-logo\" /><span class=\"head-title\">%1</span></div>"
    "<div class=\"clear\"></div></div>");
const QString PageTail = QStringLiteral("</div></body></html>");

bool isEmoji(uint codePoint)
{
    return (codePoint >= 0x1F000 && codePoint <= 0x1FAFF) || (codePoint >= 0x2600 && codePoint <= 0x27BF)
        || (codePoint >= 0x2B00 && codePoint <= 0x2BFF) || codePoint == 0x200D || codePoint == 0xFE0F
        || (codePoint >= 0xE0020 && codePoint <= 0xE007F);
}

// Records come back from the interface with their wall-clock dates turned
// into local moments; the UTC fields are the user's date and time again.
DataObject normalized(const QVariant& value)
{
    DataObject record = value.toMap();
    for (const QString& key : { StartKey, DueKey, FakeStartKey, FakeDueKey }) {
        const QDateTime dateTime = record.value(key).toDateTime();
        if (dateTime.isValid())
            record.insert(key, dateTime.toUTC());
    }
    return record;
}

QList<DataObject> normalizedAll(const QVariantList& values)
{
    QList<DataObject> records;
    records.reserve(values.size());
    for (const QVariant& value : values)
        records.append(normalized(value));
    return records;
}

// The dates a row shows: those of the occurrence for a projected copy.
QDateTime shownDate(const DataObject& record, const QString& key, const QString& occurrenceKey)
{
    if (record.value(RepeatedKey).toBool()) {
        const QDateTime occurrence = record.value(occurrenceKey).toDateTime();
        if (occurrence.isValid())
            return occurrence;
    }
    return record.value(key).toDateTime();
}

bool isCompleted(const DataObject& record)
{
    return record.value(StateKey).toInt() == CompletedState;
}

QString imagePath(const QString& name)
{
    return QStringLiteral("images/%1.png").arg(name);
}

bool hasImage(const QString& name)
{
    return QFile::exists(QStringLiteral(":/pdf_export/images/%1.png").arg(name));
}

} // namespace

StyledPdfPage::StyledPdfPage(const Helpers& helpers)
    : m_helpers(helpers)
{
}

QString StyledPdfPage::htmlText(const QString& text)
{
    QString html;
    html.reserve(text.size() + 16);
    bool inEmoji = false;
    const QVector<uint> codePoints = text.toUcs4();
    for (const uint codePoint : codePoints) {
        const bool emoji = isEmoji(codePoint) || (inEmoji && codePoint >= 0x1F3FB && codePoint <= 0x1F3FF);
        if (emoji != inEmoji) {
            html += emoji ? QStringLiteral("<span class=\"emoji\">") : QStringLiteral("</span>");
            inEmoji = emoji;
        }
        switch (codePoint) {
        case '<':
            html += QStringLiteral("&lt;");
            break;
        case '>':
            html += QStringLiteral("&gt;");
            break;
        case '&':
            html += QStringLiteral("&amp;");
            break;
        case '"':
            html += QStringLiteral("&quot;");
            break;
        case '\n':
            html += QStringLiteral("<br>");
            break;
        default:
            html += QString::fromUcs4(&codePoint, 1);
        }
    }
    if (inEmoji)
        html += QStringLiteral("</span>");
    return html;
}

QString StyledPdfPage::document(const QString& title, const QString& body)
{
    return PageHead.arg(htmlText(title), QString()) + body + PageTail;
}

QString StyledPdfPage::sections(const QList<Section>& list)
{
    QString html;
    for (const Section& section : list) {
        if (section.rows.isEmpty())
            continue;
        html += QStringLiteral("<div class=\"section %1\">%2</div>")
                    .arg(section.cssClass, htmlText(section.heading));
        html += QStringLiteral("<div class=\"rows\">") + section.rows.join(QString())
            + QStringLiteral("</div>");
    }
    return html;
}

QString StyledPdfPage::noTasks() const
{
    return QStringLiteral("<div class=\"section section3\">%1</div>").arg(htmlText(tr("No tasks")));
}

StyledPdfPage::Kind StyledPdfPage::kindOf(const DataObject& record)
{
    if (record.contains(PeriodKey))
        return Kind::Task;
    return record.contains(FolderKey) ? Kind::Project : Kind::Context;
}

QString StyledPdfPage::dailyPlan(const QDate& date, const QVariantList& objects) const
{
    const QLocale language(
        m_helpers.dates->language() == QLatin1String("ru") ? QLocale::Russian : QLocale::English);
    const QString title
        = tr("Daily Plan") + QLatin1Char(' ') + language.toString(date, QStringLiteral("d MMMM yyyy"));

    std::array<QStringList, 5> rows;
    for (const DataObject& record : normalizedAll(objects))
        rows[DailyPlanListModel::sectionOf(record, date)].append(row(record, QString()));

    using Plan = DailyPlanListModel;
    const auto count = [&rows](Plan::Section s) { return int(rows[s].size()); };
    const QString body = sections({
        { QStringLiteral("section1"), tr("%n task(s)", nullptr, count(Plan::ActiveTasks)),
            rows[Plan::ActiveTasks] },
        { QStringLiteral("section1"), tr("%n project(s)", nullptr, count(Plan::ActiveProjects)),
            rows[Plan::ActiveProjects] },
        { QStringLiteral("section2"),
            tr("Also available: %n task(s)", nullptr, count(Plan::AlsoAvailableTasks)),
            rows[Plan::AlsoAvailableTasks] },
        { QStringLiteral("section2"),
            tr("Also available: %n project(s)", nullptr, count(Plan::AlsoAvailableProjects)),
            rows[Plan::AlsoAvailableProjects] },
        { QStringLiteral("section3"), tr("Completed"), rows[Plan::Completed] },
    });
    return document(title, body.isEmpty() ? noTasks() : body);
}

QString StyledPdfPage::quorvelBox(const QVariantList& objects) const
{
    QStringList active;
    QStringList completed;
    const QString inbox = m_helpers.lookup->quorvelBoxId();
    for (const DataObject& record : normalizedAll(objects))
        (isCompleted(record) ? completed : active).append(row(record, inbox));
    const QString body = sections({
        { QStringLiteral("section1"), tr("%n task(s)", nullptr, int(active.size())), active },
        { QStringLiteral("section3"), tr("Completed"), completed },
    });
    return document(tr("Quorvel Box"), body.isEmpty() ? noTasks() : body);
}

QString StyledPdfPage::favorites(const QVariantList& objects) const
{
    QStringList tasks;
    QStringList projects;
    QStringList contexts;
    QStringList completed;
    for (const DataObject& record : normalizedAll(objects)) {
        if (isCompleted(record)) {
            completed.append(row(record, QString()));
            continue;
        }
        switch (kindOf(record)) {
        case Kind::Task:
            tasks.append(row(record, QString()));
            break;
        case Kind::Project:
            projects.append(row(record, QString()));
            break;
        case Kind::Context:
            contexts.append(row(record, QString()));
            break;
        }
    }
    const QString body = sections({
        { QStringLiteral("section1"), tr("%n task(s)", nullptr, int(tasks.size())), tasks },
        { QStringLiteral("section1"), tr("%n project(s)", nullptr, int(projects.size())), projects },
        { QStringLiteral("section1"), tr("%n context(s)", nullptr, int(contexts.size())), contexts },
        { QStringLiteral("section3"), tr("Completed"), completed },
    });
    return document(tr("Favorites"), body.isEmpty() ? noTasks() : body);
}

QString StyledPdfPage::project(const QVariantMap& projectValue, const QVariantList& objects) const
{
    const DataObject project = normalized(projectValue);
    const QString id = project.value(IdKey).toString();
    const bool builtIn = id == m_helpers.lookup->quorvelBoxId() || id == m_helpers.lookup->oneStepActionsId();
    const QString title = builtIn ? projectName(project) : tr("Project");

    QStringList active;
    QStringList completed;
    for (const DataObject& record : normalizedAll(objects))
        (isCompleted(record) ? completed : active).append(row(record, id));
    QString body = builtIn
        ? QString()
        : objectHeading(isCompleted(project) ? QStringLiteral("project_done") : QStringLiteral("project"),
            projectName(project));
    const QString list = sections({
        { QStringLiteral("section1"), tr("%n task(s)", nullptr, int(active.size())), active },
        { QStringLiteral("section3"), tr("Completed"), completed },
    });
    body += list.isEmpty() ? noTasks() : list;
    return document(title, body);
}

QString StyledPdfPage::context(const QVariantMap& contextValue, const QVariantList& objects) const
{
    const DataObject context = normalized(contextValue);
    const QString id = context.value(IdKey).toString();
    QStringList tasks;
    QStringList projects;
    QStringList completed;
    for (const DataObject& record : normalizedAll(objects)) {
        if (isCompleted(record))
            completed.append(row(record, id));
        else
            (kindOf(record) == Kind::Task ? tasks : projects).append(row(record, id));
    }
    QString body = objectHeading(QStringLiteral("context"), context.value(NameKey).toString());
    const QString list = sections({
        { QStringLiteral("section1"), tr("%n task(s)", nullptr, int(tasks.size())), tasks },
        { QStringLiteral("section1"), tr("%n project(s)", nullptr, int(projects.size())), projects },
        { QStringLiteral("section3"), tr("Completed"), completed },
    });
    body += list.isEmpty() ? noTasks() : list;
    return document(tr("Context"), body);
}

QString StyledPdfPage::taskPreview(const QVariantMap& taskValue) const
{
    const DataObject task = normalized(taskValue);
    QString body = QStringLiteral("<div class=\"preview\"><div class=\"row task\">") + taskTitle(task);
    const QString id = task.value(IdKey).toString();
    if (!id.isEmpty() && m_helpers.lookup->isFavoriteTask(id))
        body += infoLine(QStringLiteral("favorite_mini"), tr("Favorite"), true);
    body += QStringLiteral("</div>");

    const QString dates = m_helpers.dates->formatDatesForPreviewSection(
        shownDate(task, StartKey, FakeStartKey), shownDate(task, DueKey, FakeDueKey));
    if (!dates.isEmpty())
        body += block(QStringLiteral("dates"), dates, QString());

    const QString rule = task.value(PeriodKey).toString();
    const QString ruleText = m_helpers.repetitions->formatRepetitionForPreview(rule);
    if (!ruleText.isEmpty()) {
        const QString next = m_helpers.repetitions->formatNextDateForPreview(
            rule, task.value(StartKey).toDateTime(), task.value(DueKey).toDateTime());
        const QString content = next.isEmpty()
            ? QString()
            : htmlText(tr("Next occurrence:")) + QLatin1Char(' ') + htmlText(next);
        body += block(QStringLiteral("repetition"), ruleText, content);
    }

    const QStringList reminders = reminderTexts(task);
    if (!reminders.isEmpty()) {
        QStringList lines;
        for (const QString& reminder : reminders)
            lines.append(htmlText(reminder));
        body += block(QStringLiteral("reminders"), tr("Reminders"), lines.join(QStringLiteral("<br>")));
    }

    const QString projectId = task.value(ParentKey).toString();
    if (!projectId.isEmpty()) {
        const DataObject parent = m_helpers.lookup->project(projectId);
        if (!parent.isEmpty())
            body += block(QStringLiteral("project"), tr("Project"), htmlText(projectName(parent)));
    }
    const QString contextId = task.value(ContextKey).toString();
    if (!contextId.isEmpty()) {
        const DataObject context = m_helpers.lookup->context(contextId);
        if (!context.isEmpty())
            body += block(
                QStringLiteral("context"), tr("Context"), htmlText(context.value(NameKey).toString()));
    }
    const QString memo = task.value(MemoKey).toString();
    if (!memo.trimmed().isEmpty())
        body += QStringLiteral("<div class=\"task-description\">%1</div>").arg(htmlText(memo));
    body += QStringLiteral("</div>");
    return document(tr("Task details"), body);
}

QString StyledPdfPage::row(const DataObject& record, const QString& listId) const
{
    switch (kindOf(record)) {
    case Kind::Task:
        return taskRow(record, listId);
    case Kind::Project:
        return projectRow(record);
    case Kind::Context:
        return contextRow(record);
    }
    return QString();
}

QString StyledPdfPage::taskTitle(const DataObject& task) const
{
    const bool completed = isCompleted(task);
    const QDateTime due = shownDate(task, DueKey, FakeDueKey);
    const bool overdue = !completed && due.isValid() && due < wallClockNow();
    const bool dueToday = !completed && due.isValid() && due.date() == m_helpers.dates->today();

    QString checkbox = QStringLiteral("checkbox");
    if (completed)
        checkbox = QStringLiteral("checkbox_done");
    else if (overdue)
        checkbox = QStringLiteral("checkbox_overdue");
    else if (dueToday)
        checkbox = QStringLiteral("checkbox_today");

    QString html = QStringLiteral("<div class=\"title-line\"><img class=\"checkbox\" src=\"%1\" />"
                                  "<span class=\"name\" style=\"color:%2\">%3</span></div>")
                       .arg(imagePath(checkbox), completed ? GreyText : BlackText,
                           htmlText(task.value(NameKey).toString()));
    const QString status = statusText(task);
    if (!status.isEmpty()) {
        const QString colour = overdue ? OverdueText : dueToday ? TodayText : GreyText;
        html += QStringLiteral("<div class=\"status-line\" style=\"color:%1\">%2</div>")
                    .arg(colour, htmlText(status));
    }
    return html;
}

QString StyledPdfPage::taskRow(const DataObject& task, const QString& listId) const
{
    QString html = QStringLiteral("<div class=\"row task\">") + taskTitle(task);
    // The list a row is shown in goes without saying.
    const QString projectId = task.value(ParentKey).toString();
    if (!projectId.isEmpty() && projectId != listId)
        html += projectLine(projectId);
    const QString contextId = task.value(ContextKey).toString();
    if (!contextId.isEmpty() && contextId != listId)
        html += contextLine(contextId);

    const QString id = task.value(IdKey).toString();
    if (!id.isEmpty() && m_helpers.lookup->isFavoriteTask(id))
        html += infoLine(QStringLiteral("favorite_mini"), tr("Favorite"), true);
    for (const QString& reminder : reminderTexts(task))
        html += infoLine(QStringLiteral("reminder_mini"), reminder, true);
    const QString repetition
        = m_helpers.repetitions->formatRepetitionForPreview(task.value(PeriodKey).toString());
    if (!repetition.isEmpty())
        html += infoLine(QStringLiteral("repeat_mini"), repetition, true);

    const QString memo = task.value(MemoKey).toString();
    if (!memo.trimmed().isEmpty())
        html += QStringLiteral("<div class=\"task-description\">%1</div>").arg(htmlText(memo));
    return html + QStringLiteral("</div>");
}

QString StyledPdfPage::projectRow(const DataObject& project) const
{
    const int count = m_helpers.lookup->projectTaskCount(project.value(IdKey).toString());
    const QString tasks = count > 0 ? tr("%n task(s)", nullptr, count) : tr("No tasks");
    const bool completed = isCompleted(project);
    return QStringLiteral(
        "<div class=\"row project\"><div class=\"title-line\">"
        "<img class=\"checkbox\" src=\"%1\" /><span class=\"name\" style=\"color:%2\">%3</span>"
        "</div><div class=\"status-line\" style=\"color:%4\">%5</div></div>")
        .arg(imagePath(completed ? QStringLiteral("project_done") : QStringLiteral("project")),
            completed ? GreyText : BlackText, htmlText(projectName(project)), GreyText, htmlText(tasks));
}

QString StyledPdfPage::contextRow(const DataObject& context) const
{
    return QStringLiteral(
        "<div class=\"row context\"><div class=\"title-line\">"
        "<img class=\"checkbox\" src=\"%1\" /><span class=\"name\" style=\"color:%2\">%3</span>"
        "</div></div>")
        .arg(imagePath(QStringLiteral("context")), BlackText, htmlText(context.value(NameKey).toString()));
}

QString StyledPdfPage::objectHeading(const QString& image, const QString& name) const
{
    return QStringLiteral("<div class=\"object-heading\"><img class=\"object-icon\" src=\"%1\" />"
                          "<span class=\"object-name\">%2</span></div>")
        .arg(imagePath(image), htmlText(name));
}

QString StyledPdfPage::infoLine(const QString& image, const QString& text, bool accent) const
{
    return QStringLiteral("<div class=\"info-line%1\"><img class=\"mini-icon\" src=\"%2\" />%3</div>")
        .arg(accent ? QStringLiteral(" accent") : QString(), imagePath(image), htmlText(text));
}

QString StyledPdfPage::projectLine(const QString& projectId) const
{
    auto cached = m_projects.find(projectId);
    if (cached == m_projects.end())
        cached = m_projects.insert(projectId, m_helpers.lookup->project(projectId));
    if (cached->isEmpty())
        return QString();
    return infoLine(projectMiniIcon(projectId), projectName(*cached), false);
}

QString StyledPdfPage::contextLine(const QString& contextId) const
{
    auto cached = m_contexts.find(contextId);
    if (cached == m_contexts.end())
        cached = m_contexts.insert(contextId, m_helpers.lookup->context(contextId));
    if (cached->isEmpty())
        return QString();
    return infoLine(QStringLiteral("context_mini"), cached->value(NameKey).toString(), false);
}

QString StyledPdfPage::projectName(const DataObject& project) const
{
    const QString id = project.value(IdKey).toString();
    if (id == m_helpers.lookup->quorvelBoxId())
        return tr("Quorvel Box");
    if (id == m_helpers.lookup->oneStepActionsId())
        return tr("One Step Actions");
    return project.value(NameKey).toString();
}

QString StyledPdfPage::projectMiniIcon(const QString& projectId) const
{
    const QString icon = m_helpers.lookup->projectIcon(projectId);
    if (!icon.isEmpty() && hasImage(icon + QStringLiteral("_mini")))
        return icon + QStringLiteral("_mini");
    if (projectId == m_helpers.lookup->quorvelBoxId())
        return QStringLiteral("inbox_mini");
    return QStringLiteral("project_mini");
}

QString StyledPdfPage::statusText(const DataObject& task) const
{
    const QDateTime start = shownDate(task, StartKey, FakeStartKey);
    const QDateTime due = shownDate(task, DueKey, FakeDueKey);
    const QString header = m_helpers.dates->formatDatesForPreviewHeader(start, due);
    if (!header.isEmpty() || !start.isValid())
        return header;
    // A task with a start alone: the one-line header has nothing to say.
    return m_helpers.dates->formatDatesForPreviewSection(start, QDateTime());
}

QStringList StyledPdfPage::reminderTexts(const DataObject& task) const
{
    QStringList texts;
    for (const bool isStart : { true, false }) {
        const QDateTime date = task.value(isStart ? StartKey : DueKey).toDateTime();
        if (!date.isValid())
            continue;
        for (const int type : m_helpers.lookup->reminders(task, isStart)) {
            texts.append(m_helpers.reminders->formatReminderForPreviewSection(
                NotificationManager::NotificationType(type), isStart));
        }
    }
    return texts;
}

QString StyledPdfPage::block(const QString& image, const QString& heading, const QString& content) const
{
    QString html = QStringLiteral("<div class=\"block\"><img class=\"block-icon\" src=\"%1\" />"
                                  "<div class=\"block-body\"><div class=\"block-heading\">%2</div>")
                       .arg(imagePath(image), htmlText(heading));
    if (!content.isEmpty())
        html += QStringLiteral("<div class=\"block-content\">%1</div>").arg(content);
    return html + QStringLiteral("</div></div>");
}

QDateTime StyledPdfPage::wallClockNow() const
{
    const QDateTime now = m_helpers.dates->now();
    return QDateTime(now.date(), now.time(), Qt::UTC);
}
