#include "PdfText.h"
#include "export/ExportLookup.h"
#include "export/PdfExportHelper.h"
#include "export/PdfRenderer.h"
#include "export/PdfRendererLoader.h"
#include "logging/Logger.h"
#include "shell/Settings.h"
#include "support/LogReader.h"
#include "support/LoopbackHttpServer.h"
#include "support/RecordBuilder.h"
#include "support/StoreFixture.h"
#include "support/TestMain.h"
#include "time/DateFormatHelper.h"

#include <QElapsedTimer>
#include <QSignalSpy>
#include <QTranslator>

namespace {

// Wednesday 9 December 2026, noon.
const QDate Today(2026, 12, 9);

QDateTime at(const QDate& date, int hour, int minute = 0)
{
    return wallClock(date, QTime(hour, minute));
}

DataObject task(const QString& id, const QString& name, const QString& parent = QStringLiteral("garden"))
{
    return RecordBuilder::task(name, parent).withId(id).period(QString()).state(0);
}

// The objects around the exported records, as the store would tell them.
class FixedLookup : public ExportLookup
{
public:
    DataObject project(const QString& id) const override
    {
        if (id == QLatin1String("garden"))
            return RecordBuilder::project(QStringLiteral("Garden")).withId(id);
        if (id == QLatin1String("inbox"))
            return RecordBuilder::project(QStringLiteral("Inbox")).withId(id);
        return {};
    }
    DataObject context(const QString& id) const override
    {
        return id == QLatin1String("home")
            ? RecordBuilder::context(QStringLiteral("At home")).withId(id).build()
            : DataObject();
    }
    QString projectIcon(const QString&) const override { return QString(); }
    int projectTaskCount(const QString& id) const override { return id == QLatin1String("garden") ? 3 : 0; }
    bool isFavoriteTask(const QString& id) const override { return id == QLatin1String("t1"); }
    QList<int> reminders(const DataObject& task, bool isStart) const override
    {
        if (task.value(QStringLiteral("ID")) != QLatin1String("t1"))
            return {};
        return isStart ? QList<int> { 2 } : QList<int> { 0 };
    }
    QString quorvelBoxId() const override { return QStringLiteral("inbox"); }
    QString oneStepActionsId() const override { return QStringLiteral("onestep"); }
};

// Stands in for the web engine where only the writing of the file matters.
class FakeRenderer : public PdfRenderer
{
public:
    using PdfRenderer::PdfRenderer;
    void render(const QString& html, const Done& done) override
    {
        pages.append(html);
        done(QByteArrayLiteral("%PDF-1.4 fake"), QString());
    }
    QStringList pages;
};

bool engineLoaded()
{
    QFile maps(QStringLiteral("/proc/self/maps"));
    return maps.open(QIODevice::ReadOnly) && maps.readAll().contains("libQt5WebEngineCore");
}

} // namespace

class PdfExportTest : public QObject
{
    Q_OBJECT

private:
    QStringList m_opened;
    QTranslator m_translator;

    void prepare(PdfExportHelper& helper, const QString& language = QStringLiteral("en"))
    {
        helper.setLookup(std::make_unique<FixedLookup>());
        helper.setUrlOpener([this](const QUrl& url) {
            m_opened.append(url.toLocalFile());
            return true;
        });
        DateFormatHelper* dates = helper.dateFormatHelper();
        dates->setClock([] { return QDateTime(Today, QTime(12, 0)); });
        dates->setLanguageSource([language] { return language; });
        dates->setLocale(
            QLocale(language == QLatin1String("ru") ? QStringLiteral("ru_RU") : QStringLiteral("en_GB")));
        QCoreApplication::removeTranslator(&m_translator);
        QVERIFY(m_translator.load(QStringLiteral(":/translations/qv_%1.qm").arg(language)));
        QCoreApplication::installTranslator(&m_translator);
    }

    // Runs one export to its end; the error texts it gave.
    QStringList runExport(PdfExportHelper& helper, const std::function<void()>& start)
    {
        QSignalSpy errors(&helper, &PdfExportHelper::error);
        QSignalSpy progress(&helper, &PdfExportHelper::inProgressChanged);
        start();
        if (helper.inProgress())
            progress.wait(120000);
        [&] { QVERIFY(!helper.inProgress()); }();
        QStringList texts;
        for (const QList<QVariant>& signal : errors)
            texts.append(signal.first().toString());
        return texts;
    }

    QString folder() const { return TestSandbox::home() + QStringLiteral("/exports"); }

private slots:
    void initTestCase() { StoreFixture::setUpLogging(QStringLiteral("tst_pdfexport")); }

    void init()
    {
        m_opened.clear();
        QDir(folder()).removeRecursively();
        QDir().mkpath(folder());
        // No trailing "/": the file still goes inside the folder.
        Settings::instance()->setPdfExportPath(folder());
    }

    void namesFilesByDefault_data()
    {
        QTest::addColumn<QString>("operation");
        QTest::addColumn<QString>("argument");
        QTest::addColumn<QString>("expected");
        QTest::newRow("daily plan") << "daily"
                                    << ""
                                    << "DailyPlan_09_12_2026.pdf";
        QTest::newRow("inbox") << "box"
                               << ""
                               << "QuorvelBox.pdf";
        QTest::newRow("favorites") << "favorites"
                                   << ""
                                   << "Favorites.pdf";
        QTest::newRow("project") << "project"
                                 << "7f3a9c2e-11"
                                 << "Project_7f3a.pdf";
        QTest::newRow("context") << "context"
                                 << "c0ffee"
                                 << "Context_c0ff.pdf";
        QTest::newRow("task") << "task"
                              << "ab12cd"
                              << "TaskDetails_ab12.pdf";
        QTest::newRow("short id") << "task"
                                  << "ab"
                                  << "TaskDetails_ab.pdf";
        QTest::newRow("id with a separator") << "project"
                                             << "a/..b"
                                             << "Project_a_...pdf";
    }

    void namesFilesByDefault()
    {
        QFETCH(QString, operation);
        QFETCH(QString, argument);
        QFETCH(QString, expected);
        PdfExportHelper helper;
        QString name;
        if (operation == QLatin1String("daily"))
            name = helper.defaultDailyPlanFileName(Today);
        else if (operation == QLatin1String("box"))
            name = helper.defaultQuorvelBoxFileName();
        else if (operation == QLatin1String("favorites"))
            name = helper.defaultFavoritesFileName();
        else if (operation == QLatin1String("project"))
            name = helper.defaultProjectFileName(argument);
        else if (operation == QLatin1String("context"))
            name = helper.defaultContextFileName(argument);
        else
            name = helper.defaultTaskDetailsFileName(argument);
        QCOMPARE(name, expected);
    }

    void reportsFilesThatCannotBeWritten_data()
    {
        QTest::addColumn<QString>("problem");
        QTest::newRow("folder is a file") << "file";
        QTest::newRow("folder is missing") << "missing";
        QTest::newRow("a folder holds the file's name") << "folder";
    }

    void reportsFilesThatCannotBeWritten()
    {
        QFETCH(QString, problem);
        QString setting = folder();
        if (problem == QLatin1String("file")) {
            setting = folder() + QStringLiteral("/plain.txt");
            QFile file(setting);
            QVERIFY(file.open(QIODevice::WriteOnly));
        } else if (problem == QLatin1String("missing")) {
            setting = folder() + QStringLiteral("/gone");
        } else {
            QVERIFY(QDir().mkpath(folder() + QStringLiteral("/Favorites.pdf")));
        }
        Settings::instance()->setPdfExportPath(setting);
        const QStringList before
            = QDir(folder()).entryList(QDir::AllEntries | QDir::NoDotAndDotDot | QDir::Hidden);

        PdfExportHelper helper;
        prepare(helper);
        helper.setRendererFactory([](QObject* parent, QString*) { return new FakeRenderer(parent); });
        Logging::Logger::instance().flush();
        const qint64 logStart = QFileInfo(Logging::Logger::instance().filePath()).size();
        const QStringList errors = runExport(
            helper, [&] { helper.generateFavoritesDocument(QStringLiteral("Favorites.pdf"), {}); });

        QCOMPARE(errors.size(), 1);
        QVERIFY(!errors.first().isEmpty());
        Logging::Logger::instance().flush();
        QVERIFY(LogReader::levelsAndMessages(Logging::Logger::instance().filePath(), logStart)
                    .contains(QStringLiteral("ERROR PDF Export error: ") + errors.first()));
        QCOMPARE(QDir(folder()).entryList(QDir::AllEntries | QDir::NoDotAndDotDot | QDir::Hidden), before);
        QVERIFY(m_opened.isEmpty());
    }

    void reportsARendererThatCannotStart()
    {
        PdfExportHelper helper;
        prepare(helper);
        helper.setRendererFactory([](QObject*, QString* error) {
            *error = QStringLiteral("no engine here");
            return nullptr;
        });
        QCOMPARE(runExport(helper, [&] { helper.generateQuorvelBoxDocument(QStringLiteral("a.pdf"), {}); }),
            QStringList { QStringLiteral("no engine here") });
        QVERIFY(!QFile::exists(folder() + QStringLiteral("/a.pdf")));
    }

    // The page escapes what the user wrote: a name cannot add markup, and
    // so cannot make the page load anything.
    void escapesUserTexts()
    {
        PdfExportHelper helper;
        prepare(helper);
        FakeRenderer* renderer = nullptr;
        helper.setRendererFactory(
            [&](QObject* parent, QString*) { return renderer = new FakeRenderer(parent); });
        DataObject hostile = task(QStringLiteral("t9"), QStringLiteral("<img src=\"http://x/\"> & co"));
        hostile.insert(QStringLiteral("MEMO"), QStringLiteral("line one\n<script>x</script>"));
        QVERIFY(runExport(helper, [&] {
            helper.generateQuorvelBoxDocument(QStringLiteral("b.pdf"), { hostile });
        }).isEmpty());
        QVERIFY(renderer);
        const QString page = renderer->pages.first();
        QVERIFY(page.contains(QStringLiteral("&lt;img src=&quot;http://x/&quot;&gt; &amp; co")));
        QVERIFY(page.contains(QStringLiteral("line one<br>&lt;script&gt;x&lt;/script&gt;")));
        QVERIFY(!page.contains(QStringLiteral("<script")));
        QCOMPARE(m_opened, QStringList { folder() + QStringLiteral("/b.pdf") });
    }

    void startsTheEngineOnlyForTheFirstExport()
    {
        PdfExportHelper helper;
        prepare(helper);
        QVERIFY(!helper.rendererStarted());
        QVERIFY(!engineLoaded());
        QVERIFY(runExport(helper, [&] {
            helper.generateQuorvelBoxDocument(QStringLiteral("first.pdf"), {});
        }).isEmpty());
        QVERIFY(helper.rendererStarted());
        QVERIFY(engineLoaded());
        QCOMPARE(PdfText::pageCount(folder() + QStringLiteral("/first.pdf")), 1);
    }

    void writesStyledDocuments_data()
    {
        QTest::addColumn<QString>("document");
        QTest::addColumn<QString>("language");
        QTest::addColumn<QStringList>("expected");

        QTest::newRow("daily_plan") << "daily"
                                    << "en"
                                    << QStringList { "Daily Plan 9 December 2026", "2 tasks",
                                           "Water the roses 🌹", "Today, between 09:00 and 10:00", "Garden",
                                           "At home", "Favorite", "15 min before start",
                                           "When task is overdue", "Bring the hose", "Also available: 1 task",
                                           "Order seeds", "13/12/2026, 18:00", "1 project", "3 tasks",
                                           "Completed", "Rake leaves" };
        QTest::newRow("daily_plan_ru")
            << "daily"
            << "ru"
            << QStringList { "План на день 9 декабря 2026", "2 задачи", "Полить розы",
                   "Сегодня с 09:00 до 10:00", "Также доступно: 1 задача", "1 проект", "3 задачи",
                   "Выполнено", "В избранном", "За 15 минут до начала" };
        QTest::newRow("inbox") << "box"
                               << "en"
                               << QStringList { "Quorvel Box", "2 tasks", "Sort the mail", "Yesterday, 17:00",
                                      "Completed", "Old note" };
        QTest::newRow("project") << "project"
                                 << "en"
                                 << QStringList { "Project", "Garden", "2 tasks", "Water the roses",
                                        "Completed", "Rake leaves" };
        QTest::newRow("context") << "context"
                                 << "en"
                                 << QStringList { "Context", "At home", "2 tasks", "1 project", "Garden" };
        QTest::newRow("favorites") << "favorites"
                                   << "en"
                                   << QStringList { "Favorites", "1 task", "1 project", "1 context",
                                          "At home", "Water the roses" };
        QTest::newRow("task") << "task"
                              << "en"
                              << QStringList { "Task details", "Water the roses",
                                     "Complete Today, between 09:00 and 10:00", "Do every 2 days",
                                     "Next occurrence: 11/12/2026, between 09:00 and 10:00", "Reminders",
                                     "15 min before start", "When task is overdue", "Project Garden",
                                     "Context At home", "Bring the hose" };
        QTest::newRow("task_ru") << "task"
                                 << "ru"
                                 << QStringList { "Подробности задачи", "Полить розы",
                                        "Выполнить сегодня с 09:00 до 10:00", "Выполнять каждые 2 дня",
                                        "Следующее повторение: 11.12.2026 с 09:00 до 10:00", "Напоминания",
                                        "Когда задача просрочена", "Проект Garden" };
    }

    void writesStyledDocuments()
    {
        QFETCH(QString, document);
        QFETCH(QString, language);
        QFETCH(QStringList, expected);
        const bool russian = language == QLatin1String("ru");

        DataObject roses = task(QStringLiteral("t1"),
            russian ? QStringLiteral("Полить розы") : QStringLiteral("Water the roses 🌹"));
        roses.insert(QStringLiteral("START"), at(Today, 9));
        roses.insert(QStringLiteral("DUE"), at(Today, 10));
        roses.insert(QStringLiteral("CONTEXT"), QStringLiteral("home"));
        roses.insert(QStringLiteral("PERIOD"), QStringLiteral("d;2"));
        roses.insert(QStringLiteral("MEMO"), QStringLiteral("Bring the hose"));
        DataObject later = task(QStringLiteral("t2"), QStringLiteral("Order seeds"));
        later.insert(QStringLiteral("START"), at(Today.addDays(-2), 8));
        later.insert(QStringLiteral("DUE"), at(Today.addDays(4), 18));
        DataObject mail
            = task(QStringLiteral("t3"), QStringLiteral("Sort the mail"), QStringLiteral("inbox"));
        mail.insert(QStringLiteral("DUE"), at(Today.addDays(-1), 17));
        const DataObject rake = RecordBuilder::task(QStringLiteral("Rake leaves"), QStringLiteral("garden"))
                                    .withId(QStringLiteral("t4"))
                                    .period(QString())
                                    .state(2);
        const DataObject garden
            = RecordBuilder::project(QStringLiteral("Garden")).withId(QStringLiteral("garden")).state(0);
        const DataObject home
            = RecordBuilder::context(QStringLiteral("At home")).withId(QStringLiteral("home"));

        PdfExportHelper helper;
        prepare(helper, language);
        const QString name = QTest::currentDataTag() + QStringLiteral(".pdf");
        const auto start = [&] {
            if (document == QLatin1String("daily"))
                helper.generateDailyPlanDocument(
                    name, Today, { roses, task("t5", "Call Bob"), later, garden, rake });
            else if (document == QLatin1String("box"))
                helper.generateQuorvelBoxDocument(name,
                    { mail, task("t6", "Read"),
                        RecordBuilder::task("Old note", "inbox").withId("t7").period("").state(2).build() });
            else if (document == QLatin1String("project"))
                helper.generateProjectDocument(name, garden, { roses, later, rake });
            else if (document == QLatin1String("context"))
                helper.generateContextDocument(name, home, { roses, later, garden });
            else if (document == QLatin1String("favorites"))
                helper.generateFavoritesDocument(name, { roses, garden, home });
            else
                helper.generateTaskPreviewDocument(name, roses);
        };
        QCOMPARE(runExport(helper, start), QStringList());

        const QString path = folder() + QLatin1Char('/') + name;
        QCOMPARE(m_opened, QStringList { path });
        const QString text = PdfText::text(path).simplified();
        // Section headings are set in capitals.
        for (const QString& part : expected)
            QVERIFY2(text.contains(part, Qt::CaseInsensitive),
                qPrintable(QStringLiteral("\"%1\" is missing in: %2").arg(part, text)));
        const QString pages = QStringLiteral(EXPORT_PAGES_DIR);
        QDir().mkpath(pages);
        QVERIFY(PdfText::renderFirstPage(path, pages + QLatin1Char('/') + QTest::currentDataTag()));
    }

    void loadsNothingFromOutside()
    {
        LoopbackHttpServer server;
        QVERIFY(server.start());
        const QString outside = server.url(QStringLiteral("/style.css")).toString();
        QString reason;
        std::unique_ptr<PdfRenderer> renderer(PdfRendererLoader::create(nullptr, &reason));
        QVERIFY2(renderer, qPrintable(reason));
        QByteArray pdf;
        bool done = false;
        renderer->render(
            QStringLiteral("<html><head><link href=\"%1\" rel=\"stylesheet\"></head><body>"
                           "<img src=\"%2\"><img src=\"images/logo.png\"><p>Offline</p></body></html>")
                .arg(outside, server.url(QStringLiteral("/x.png")).toString()),
            [&](const QByteArray& data, const QString&) {
                pdf = data;
                done = true;
            });
        QTRY_VERIFY_WITH_TIMEOUT(done, 120000);
        QVERIFY(pdf.startsWith("%PDF"));
        QCOMPARE(server.requestCount(), 0);
        QVERIFY(renderer->blockedUrls().contains(outside));
    }

    // A long list must not run into the engine's limit for pages given as
    // text (2 MB); this one is about 3 MB.
    void writesLongLists()
    {
        PdfExportHelper helper;
        prepare(helper);
        QVariantList tasks;
        for (int i = 0; i < 1500; ++i) {
            DataObject record
                = task(QStringLiteral("long%1").arg(i), QStringLiteral("Task number %1").arg(i));
            record.insert(QStringLiteral("MEMO"), QString(1500, QLatin1Char('m')));
            tasks.append(record);
        }
        QVERIFY(runExport(helper, [&] {
            helper.generateQuorvelBoxDocument(QStringLiteral("long.pdf"), tasks);
        }).isEmpty());
        const QString text = PdfText::text(folder() + QStringLiteral("/long.pdf"));
        QVERIFY(text.contains(QStringLiteral("Task number 0")));
        QVERIFY(text.contains(QStringLiteral("Task number 1499")));
    }
};

QUORVEL_TEST_MAIN(PdfExportTest)
#include "tst_pdfexport.moc"
