#include "PdfText.h"
#include "export/ExportHelper.h"
#include "export/ListExportText.h"
#include "support/RecordBuilder.h"
#include "support/TestMain.h"

#include <QPrinter>
#include <QSignalSpy>
#include <QStandardPaths>
#include <QUrlQuery>

#include <ctime>

namespace {

const QString Box = QString(QChar(0x2610));
const QString Tick = QString(QChar(0x2611));

DataObject task(const QString& name, int state = 0)
{
    return RecordBuilder::task(name, QStringLiteral("p1")).period(QString()).state(state);
}

DataObject due(DataObject record, const QDate& date, const QDate& start = QDate())
{
    record.insert(QStringLiteral("DUE"), wallClock(date, QTime(18, 0)));
    if (start.isValid())
        record.insert(QStringLiteral("START"), wallClock(start, QTime(9, 0)));
    return record;
}

DataObject project(const QString& name, const QDate& start = QDate())
{
    DataObject record = RecordBuilder::project(name).state(0);
    if (start.isValid())
        record.insert(QStringLiteral("START"), wallClock(start, QTime(9, 0)));
    return record;
}

QString documents()
{
    return QStandardPaths::writableLocation(QStandardPaths::DocumentsLocation);
}

} // namespace

class ListExportTest : public QObject
{
    Q_OBJECT

private:
    ExportHelper m_export;
    QList<QUrl> m_opened;

private slots:
    void initTestCase()
    {
        // Dates handed back from the interface are local moments; a zone
        // west of UTC moves an evening due date into the next UTC day.
        qputenv("TZ", "America/New_York");
        tzset();
        m_export.setUrlOpener([this](const QUrl& url) {
            m_opened.append(url);
            return true;
        });
    }

    void init()
    {
        TestSandbox::reset();
        m_opened.clear();
    }

    void buildsTextLayouts_data()
    {
        QTest::addColumn<int>("exportType");
        QTest::addColumn<QString>("header");
        QTest::addColumn<QVariantList>("objects");
        QTest::addColumn<int>("form");
        QTest::addColumn<QString>("expected");

        const QDate plan(2026, 12, 9);
        const QVariantList dayPlan = {
            task(QStringLiteral("Call Bob")),
            due(task(QStringLiteral("Write report")), plan.addDays(3), plan.addDays(-1)),
            project(QStringLiteral("Garden")),
            project(QStringLiteral("Move"), plan.addDays(-8)),
            task(QStringLiteral("Buy milk"), 2),
        };
        const int plain = ListExportText::PlainText;
        const int html = ListExportText::Html;
        QTest::newRow("day plan, plain")
            << 1 << "Plan 09.12.2026" << dayPlan << plain
            << QString("1 task(s)\n\n" + Box + " Call Bob\n1 project(s)\n\n" + Box
                   + " Garden\n"
                     "Also available: 1 task(s)\n\n"
                   + Box
                   + " Write report (12.12.2026)\n"
                     "Also available: 1 project(s)\n\n"
                   + Box + " Move\nCompleted:\n\n" + Tick + " Buy milk\n");
        QTest::newRow("day plan, html")
            << 1 << "Plan 09.12.2026"
            << QVariantList { task("A"), due(task("B"), plan.addDays(1), plan), task("C", 2) } << html
            << "1 task(s)<p>&#9744; A<br>Also available: 1 task(s)<p>&#9744; B (10.12.2026)<br>"
               "Completed:<p>&#10003; C<br>";
        QTest::newRow("day plan, due on the day is no also-available")
            << 1 << "Plan 09.12.2026" << QVariantList { due(task("A"), plan) } << plain
            << QString("1 task(s)\n\n" + Box + " A\n");
        QTest::newRow("day plan, one-word header") << 1 << "Plan" << dayPlan << plain << "";
        QTest::newRow("day plan, three words") << 1 << "Plan for 09.12.2026" << dayPlan << plain << "";
        QTest::newRow("day plan, not a date") << 1 << "Plan 31.02.2026" << dayPlan << plain << "";
        QTest::newRow("day plan, nothing") << 1 << "Plan 09.12.2026" << QVariantList() << plain << "";

        const QVariantList list = { task("A"), due(task("D"), plan.addDays(3)), task("C", 2), task("E", 1) };
        QTest::newRow("project, plain")
            << 2 << "Garden" << list << plain
            << QString("Active tasks:\n\n" + Box + " A\n" + Box + " D (12.12.2026)\n" + Box
                   + " E\n"
                     "Completed tasks:\n\n"
                   + Tick + " C\n");
        QTest::newRow("project, only completed, html")
            << 2 << "Garden" << QVariantList { task("C", 2) } << html << "Completed tasks:<p>&#10003; C<br>";
        QTest::newRow("project, names escaped in html")
            << 2 << "Garden" << QVariantList { task("<b>Tom & Jerry</b>") } << html
            << "Active tasks:<p>&#9744; &lt;b&gt;Tom &amp; Jerry&lt;/b&gt;<br>";
        QTest::newRow("project, names kept in plain text")
            << 2 << "Garden" << QVariantList { task("<b>Tom & Jerry</b>") } << plain
            << QString("Active tasks:\n\n" + Box + " <b>Tom & Jerry</b>\n");
        QTest::newRow("inbox, active only")
            << 0 << "Inbox" << list << plain << QString(Box + " A\n" + Box + " D (12.12.2026)\n");
        QTest::newRow("unknown type") << 7 << "Inbox" << list << plain << "";
    }

    void buildsTextLayouts()
    {
        QFETCH(int, exportType);
        QFETCH(QString, header);
        QFETCH(QVariantList, objects);
        QFETCH(int, form);
        QFETCH(QString, expected);
        QCOMPARE(ListExportText::build(objects, header, exportType, ListExportText::Form(form)), expected);
    }

    // What the interface hands back: the wall-clock due 12.12 23:30 as the
    // same moment in local time, which falls on 12.12 18:30 in New York.
    void readsDueDatesHandedBackAsLocalMoments()
    {
        DataObject record = task(QStringLiteral("Late"));
        record.insert(QStringLiteral("DUE"), wallClock(QDate(2026, 12, 12), QTime(23, 30)).toLocalTime());
        QCOMPARE(ListExportText::build({ record }, QString(), 0, ListExportText::PlainText),
            QString(Box + " Late (12.12.2026)\n"));
    }

    void sendsListByMail()
    {
        const QVariantList objects
            = { task(QStringLiteral("Fix #4 & ship")), task(QStringLiteral("Done"), 2) };
        m_export.exportObjectsToEmail(objects, QStringLiteral("Garden & Co"), 2);
        QVERIFY(m_opened.isEmpty()); // sent through the event loop
        QTRY_COMPARE(m_opened.size(), 1);

        const QUrl url = m_opened.first();
        QCOMPARE(url.scheme(), QStringLiteral("mailto"));
        const QUrlQuery query(url);
        QCOMPARE(query.queryItemValue(QStringLiteral("subject"), QUrl::FullyDecoded),
            QStringLiteral("Quorvel: Garden & Co"));
        const QString expectedBody = "Garden & Co\n\nActive tasks:\n\n" + Box
            + " Fix #4 & ship\nCompleted tasks:\n\n" + Tick
            + " Done\n\nSent with Quorvel – task management app for entrepreneurs, startups and creators: "
            + ExportHelper::productWebAddress();
        QCOMPARE(query.queryItemValue(QStringLiteral("body"), QUrl::FullyDecoded), expectedBody);
    }

    void printsThroughTheDialog_data()
    {
        QTest::addColumn<bool>("accepted");
        QTest::newRow("accepted") << true;
        QTest::newRow("cancelled") << false;
    }

    void printsThroughTheDialog()
    {
        QFETCH(bool, accepted);
        const QString output = TestSandbox::home() + QStringLiteral("/printed.pdf");
        int asked = 0;
        m_export.setPrintDialog([&](QPrinter& printer) {
            ++asked;
            printer.setOutputFormat(QPrinter::PdfFormat);
            printer.setOutputFileName(output);
            return accepted;
        });
        m_export.printList({ task(QStringLiteral("Water plants")) }, QStringLiteral("Inbox"), 0);
        QTRY_COMPARE(asked, 1);
        QCOMPARE(QFile::exists(output), accepted);
        if (accepted)
            // The text document numbers its pages.
            QCOMPARE(PdfText::text(output).simplified(), QString("Inbox " + Box + " Water plants 1"));
    }

    void writesPlainPdfIntoTheExportFolder_data()
    {
        QTest::addColumn<QString>("header");
        QTest::addColumn<QString>("fileName");
        QTest::newRow("day plan") << "Plan 09.12.2026"
                                  << "Plan 09.12.2026.pdf";
        QTest::newRow("header with path parts stays inside") << "../../Plan"
                                                             << ".._.._Plan.pdf";
    }

    void writesPlainPdfIntoTheExportFolder()
    {
        QFETCH(QString, header);
        QFETCH(QString, fileName);
        QSignalSpy errors(&m_export, &ExportHelper::error);
        m_export.exportObjectsToPdf(
            { task(QStringLiteral("Call Bob")), task(QStringLiteral("Buy <milk>"), 2) }, header, 1);

        const QString folder = documents() + QStringLiteral("/QuorvelExport/");
        QCOMPARE(QDir(folder).entryList(QDir::Files | QDir::Hidden), QStringList { fileName });
        QCOMPARE(errors.count(), 0);
        const QString text = PdfText::text(folder + fileName).simplified();
        QVERIFY2(text.startsWith(QStringLiteral("Quorvel ") + header), qPrintable(text));
        if (header.startsWith(QLatin1String("Plan ")))
            QVERIFY2(
                text.contains("1 task(s) " + Box + " Call Bob Completed: ✓ Buy <milk>"), qPrintable(text));
        QTRY_COMPARE(m_opened, QList<QUrl> { QUrl::fromLocalFile(folder) });
    }

    void reportsAnExportFolderThatCannotBeMade()
    {
        // A file where the documents folder should be: nothing can go inside.
        QDir().rmpath(documents());
        QFile blocker(documents());
        QVERIFY(blocker.open(QIODevice::WriteOnly));
        blocker.close();

        QSignalSpy errors(&m_export, &ExportHelper::error);
        m_export.exportObjectsToPdf({ task(QStringLiteral("A")) }, QStringLiteral("Inbox"), 0);
        QCOMPARE(errors.count(), 1);
        const QString folder = documents() + QStringLiteral("/QuorvelExport/");
        QCOMPARE(errors.first().first().toString(),
            QStringLiteral("Unable to create a directory %1. Please, create it manually and then try again.")
                .arg(folder));
        QCoreApplication::processEvents();
        QVERIFY(m_opened.isEmpty());
    }
};

QUORVEL_TEST_MAIN(ListExportTest)
#include "tst_listexport.moc"
