#pragma once

#include <QCoreApplication>
#include <QString>
#include <QVariantList>

// The text of a shown list for e-mail, printing and the plain PDF: the
// inbox, a day plan or a project or context list, as simple HTML or as
// plain text, one line per object with a box for active and a tick for
// completed ones.
class ListExportText
{
    Q_DECLARE_TR_FUNCTIONS(ListExportText)

public:
    // The export types the interface knows as EXPORT_QUORVEL_BOX,
    // EXPORT_DAILY_PLAN and EXPORT_DEFAULT.
    enum ExportType { QuorvelBoxExport = 0, DailyPlanExport = 1, DefaultExport = 2 };
    enum Form { Html, PlainText };

    // objects are records in shown order. A day plan takes its date from
    // the header text ("<word> dd.MM.yyyy"); another header gives ''.
    static QString build(const QVariantList& objects, const QString& headerText, int exportType, Form form);

private:
    static QString dailyPlan(const QVariantList& objects, const QString& headerText, Form form);
    static QString projectOrContext(const QVariantList& objects, Form form);
    static QString quorvelBox(const QVariantList& objects, Form form);
};
