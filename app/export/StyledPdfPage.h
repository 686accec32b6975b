#pragma once

#include "data/DataObject.h"

#include <QCoreApplication>
#include <QDate>
#include <QHash>
#include <QString>
#include <QVariantList>

class DateFormatHelper;
class ExportLookup;
class ReminderFormatHelper;
class RepetitionFormatHelper;

// The HTML of the styled PDF documents: a header with the logo and the
// title, then sections of task, project and context rows, laid out by the
// export style sheet ("style.css" beside the page). Every text from the
// user is escaped; emoji are set in the colour emoji font.
class StyledPdfPage
{
    Q_DECLARE_TR_FUNCTIONS(StyledPdfPage)

public:
    struct Helpers
    {
        const DateFormatHelper* dates = nullptr;
        const RepetitionFormatHelper* repetitions = nullptr;
        const ReminderFormatHelper* reminders = nullptr;
        const ExportLookup* lookup = nullptr;
    };

    explicit StyledPdfPage(const Helpers& helpers);

    QString dailyPlan(const QDate& date, const QVariantList& objects) const;
    QString quorvelBox(const QVariantList& objects) const;
    QString favorites(const QVariantList& objects) const;
    QString project(const QVariantMap& project, const QVariantList& objects) const;
    QString context(const QVariantMap& context, const QVariantList& objects) const;
    QString taskPreview(const QVariantMap& task) const;

    // Escaped text for the page, emoji wrapped in their own font.
    static QString htmlText(const QString& text);

private:
    enum class Kind { Task, Project, Context };
    struct Section
    {
        QString cssClass;
        QString heading;
        QStringList rows;
    };

    static QString document(const QString& title, const QString& body);
    static QString sections(const QList<Section>& list);
    static Kind kindOf(const DataObject& record);

    // A row of the list listId (a project's or context's id, or '').
    QString row(const DataObject& record, const QString& listId) const;
    QString taskRow(const DataObject& task, const QString& listId) const;
    // The name with its box, and the dates below it.
    QString taskTitle(const DataObject& task) const;
    QString projectRow(const DataObject& project) const;
    QString contextRow(const DataObject& context) const;
    QString objectHeading(const QString& image, const QString& name) const;
    QString infoLine(const QString& image, const QString& text, bool accent) const;
    QString projectLine(const QString& projectId) const;
    QString contextLine(const QString& contextId) const;
    QString projectName(const DataObject& project) const;
    QString projectMiniIcon(const QString& projectId) const;
    QString statusText(const DataObject& task) const;
    QStringList reminderTexts(const DataObject& task) const;
    QString block(const QString& image, const QString& heading, const QString& content) const;
    QString noTasks() const;

    // The "now" the colours of due dates are judged by, as a wall-clock value.
    QDateTime wallClockNow() const;

    Helpers m_helpers;
    mutable QHash<QString, DataObject> m_projects;
    mutable QHash<QString, DataObject> m_contexts;
};
