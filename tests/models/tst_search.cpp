#include "StoreWorld.h"
#include "data/PredefinedDataHelper.h"
#include "models/ListModel.h"
#include "models/SearchHelper.h"
#include "models/SearchSortFilterModel.h"
#include "shell/Settings.h"
#include "support/StoreFixture.h"
#include "support/TestMain.h"

#include <QAbstractItemModelTester>
#include <QPointer>
#include <QQmlEngine>
#include <QSignalSpy>
#include <QTranslator>

namespace {

const QString Inbox = PredefinedDataHelper::initialQuorvelBoxId();

// Speaks another language for one name only.
class OneWordTranslator : public QTranslator
{
public:
    QString translate(const char*, const char* sourceText, const char*, int) const override
    {
        return qstrcmp(sourceText, "Quorvel Box") == 0 ? QString::fromUtf8("Boîte Quorvel") : QString();
    }
    bool isEmpty() const override { return false; }
};

// Every kind, matching "alpha" by name, by memo or not at all.
void seed(StoreWorld& w)
{
    QVERIFY(w.folder("f1", "Alpha folder"));
    QVERIFY(w.folder("f2", "Beta"));
    QVERIFY(w.project("p1", "alpha project"));
    QVERIFY(w.project("p2", "Alpha done project", 2));
    QVERIFY(w.project("p3", "Notes", 0, "alpha memo"));
    QVERIFY(w.project(Inbox, "Quorvel Box"));
    QVERIFY(w.context("c1", "alpha context"));
    QVERIFY(w.context("c2", "Errands", 0, "from the alpha list"));
    QVERIFY(w.task("t1", "zeta alpha"));
    QVERIFY(w.task("t2", "Alpha task"));
    QVERIFY(w.task("t3", "alpha done", 2));
    QVERIFY(w.task("t4", "Memo only", 0, "about ALPHA"));
    QVERIFY(w.task("t5", "unrelated"));
    QVERIFY(w.task("t6", "100% \"sure\" it's a.*b (x) [y]"));
}

// A results list over every object, as the search page gets it.
struct Results
{
    Results(StoreWorld& w, bool namesOnly)
        : model(namesOnly)
    {
        DataManager* data = w.data.get();
        model.setSourceModel(new ListModel([data] { return data->getAllObjects(); }, &model));
    }
    SearchSortFilterModel model;
    QAbstractItemModelTester tester { &model, QAbstractItemModelTester::FailureReportingMode::QtTest };
};

} // namespace

class TestSearch : public QObject
{
    Q_OBJECT

private slots:
    void initTestCase()
    {
        TestSandbox::reset();
        StoreFixture::setUpLogging(QStringLiteral("tst_search"));
    }

    void cleanup()
    {
        Settings::instance()->setShowCompletedTasks(true);
        Settings::instance()->setShowCompletedProjects(true);
    }

    // --- Finding and ordering

    void shouldFindAndOrderResults_data()
    {
        QTest::addColumn<QString>("search");
        QTest::addColumn<bool>("namesOnly");
        QTest::addColumn<bool>("hideCompleted");
        QTest::addColumn<QString>("results");
        // clang-format off
        QTest::newRow("name or memo: folders, projects, contexts, tasks")
            << "alpha" << false << false << "f1 p1 p3 p2 c1 c2 t2 t4 t1 t3";
        QTest::newRow("case ignored") << "ALPHA" << false << false << "f1 p1 p3 p2 c1 c2 t2 t4 t1 t3";
        QTest::newRow("names only") << "alpha" << true << false << "f1 p1 p2 c1 t2 t1 t3";
        QTest::newRow("completed hidden") << "alpha" << false << true << "f1 p1 p3 c1 c2 t2 t4 t1";
        QTest::newRow("no search: everything by kind, state and name")
            << "" << false << false << "f1 f2 p1 p3 " + Inbox + " p2 c1 c2 t6 t2 t4 t5 t1 t3";
        QTest::newRow("inbox by its shown name") << "box" << false << false << Inbox;
        QTest::newRow("nothing") << "omega" << false << false << "";
        QTest::newRow("dot and star are text") << ".*" << false << false << "t6";
        QTest::newRow("per cent is text") << "%" << false << false << "t6";
        QTest::newRow("apostrophe") << "it's" << false << false << "t6";
        QTest::newRow("double quotes") << "\"sure\"" << false << false << "t6";
        QTest::newRow("brackets") << "(x) [y]" << false << false << "t6";
        QTest::newRow("unmatched bracket") << "[" << false << false << "t6";
        QTest::newRow("backslash") << "\\" << false << false << "";
        // clang-format on
    }

    void shouldFindAndOrderResults()
    {
        QFETCH(QString, search);
        QFETCH(bool, namesOnly);
        QFETCH(bool, hideCompleted);
        QFETCH(QString, results);
        StoreWorld w("search");
        seed(w);
        Results r(w, namesOnly);
        r.model.setHideCompletedTasks(hideCompleted);
        r.model.setHideCompletedProjects(hideCompleted);
        QSignalSpy changed(&r.model, &SearchSortFilterModel::searchStringChanged);
        r.model.setSearchString(search);
        QCOMPARE(changed.count(), search.isEmpty() ? 0 : 1);
        QCOMPARE(shownIds(&r.model), results.split(' ', Qt::SkipEmptyParts));
    }

    void shouldSearchBuiltInNamesInTheCurrentLanguage()
    {
        StoreWorld w("language");
        seed(w);
        OneWordTranslator french;
        QVERIFY(QCoreApplication::installTranslator(&french));
        {
            Results r(w, false);
            r.model.setSearchString(QString::fromUtf8("BOÎTE"));
            QCOMPARE(shownIds(&r.model), QStringList { Inbox });
            r.model.setSearchString("box");
            QCOMPARE(shownIds(&r.model), QStringList());
        }
        QCoreApplication::removeTranslator(&french);
    }

    // The results follow the store when the page asks for an update.
    void shouldFollowChangesOfTheObjects()
    {
        StoreWorld w("changes");
        seed(w);
        Results r(w, false);
        r.model.setSearchString("alpha");
        QCOMPARE(shownIds(&r.model).mid(6), (QStringList { "t2", "t4", "t1", "t3" }));

        DataObject t5 = w.data->getTaskById("t5");
        t5.insert("NAME", "alpha late");
        QVERIFY(w.data->updateTaskRemotely(t5));
        DataObject t2 = w.data->getTaskById("t2");
        t2.insert("NAME", "gamma");
        QVERIFY(w.data->updateTaskRemotely(t2));
        QVERIFY(w.setTaskState("t1", 2));
        QVERIFY(w.task("t7", "Alpha new"));
        // Before both new names by name, after them as it does not start with the search.
        QVERIFY(w.task("t8", "aardvark with alpha"));
        r.model.update();
        QCOMPARE(shownIds(&r.model).mid(6), (QStringList { "t5", "t7", "t8", "t4", "t3", "t1" }));
        QCOMPARE(r.model.activeObjectCount(), 13);

        // A change in place only (no row comes or goes) re-sorts as well,
        // also after the search string changed in between.
        r.model.setSearchString("alph");
        r.model.setSearchString("alpha");
        DataObject t4 = w.data->getTaskById("t4");
        t4.insert("NAME", "alpha memo");
        QVERIFY(w.data->updateTaskRemotely(t4));
        r.model.update();
        QCOMPARE(shownIds(&r.model).mid(6), (QStringList { "t5", "t4", "t7", "t8", "t3", "t1" }));
    }

    void shouldServeTheHandlersSelectorsByName_data()
    {
        QTest::addColumn<QString>("selector");
        QTest::addColumn<QString>("search");
        QTest::addColumn<QString>("results");
        QTest::newRow("projects: active only, names only") << "projects" << "alpha" << "p1";
        QTest::newRow("projects: by name") << "projects" << "o" << "p1 p3 " + Inbox;
        QTest::newRow("folders") << "folders" << "e" << "f1 f2";
        QTest::newRow("folders: names only") << "folders" << "b" << "f2";
        QTest::newRow("contexts: names only") << "contexts" << "alpha" << "c1";
        QTest::newRow("contexts: all") << "contexts" << "" << "c1 c2";
    }

    void shouldServeTheHandlersSelectorsByName()
    {
        QFETCH(QString, selector);
        QFETCH(QString, search);
        QFETCH(QString, results);
        StoreWorld w("selectors");
        seed(w);
        std::unique_ptr<QAbstractItemModel> model(selector == "projects"
                ? w.projects->getAllProjectsSearchModel()
                : selector == "folders" ? w.projects->getAllFoldersSearchModel()
                                        : w.contexts->getAllContextsSearchModel());
        auto* search_model = qobject_cast<SearchSortFilterModel*>(model.get());
        QVERIFY(search_model);
        QVERIFY(search_model->namesOnly());
        QAbstractItemModelTester tester(model.get(), QAbstractItemModelTester::FailureReportingMode::QtTest);
        search_model->setSearchString(search);
        QCOMPARE(shownIds(model.get()), results.split(' ', Qt::SkipEmptyParts));
    }

    // --- The search helper

    void shouldApplyTheShowCompletedSettings_data()
    {
        QTest::addColumn<bool>("showTasks");
        QTest::addColumn<bool>("showProjects");
        QTest::addColumn<QString>("results");
        QTest::newRow("both shown") << true << true << "f1 p1 p3 p2 c1 c2 t2 t4 t1 t3";
        QTest::newRow("completed tasks hidden") << false << true << "f1 p1 p3 p2 c1 c2 t2 t4 t1";
        QTest::newRow("completed projects hidden") << true << false << "f1 p1 p3 c1 c2 t2 t4 t1 t3";
    }

    void shouldApplyTheShowCompletedSettings()
    {
        QFETCH(bool, showTasks);
        QFETCH(bool, showProjects);
        QFETCH(QString, results);
        StoreWorld w("settings");
        seed(w);
        Settings::instance()->setShowCompletedTasks(showTasks);
        Settings::instance()->setShowCompletedProjects(showProjects);
        SearchHelper helper(w.data.get());
        helper.setSearchString("alpha");
        SearchSortFilterModel* model = helper.searchModel();
        QAbstractItemModelTester tester(model, QAbstractItemModelTester::FailureReportingMode::QtTest);
        QCOMPARE(shownIds(model), results.split(' '));
    }

    void shouldGiveTheSharedModelAFreshSourceOnEachRead()
    {
        StoreWorld w("helper");
        seed(w);
        SearchHelper helper(w.data.get());
        QSignalSpy changed(&helper, &SearchHelper::searchStringChanged);
        helper.setSearchString("zeta");
        helper.setSearchString("zeta");
        QCOMPARE(changed.count(), 1);

        auto* first = qobject_cast<SearchSortFilterModel*>(helper.property("model").value<QObject*>());
        QVERIFY(first);
        QCOMPARE(QQmlEngine::objectOwnership(first), QQmlEngine::CppOwnership);
        QCOMPARE(first->searchString(), QStringLiteral("zeta"));
        QCOMPARE(shownIds(first), QStringList { "t1" });
        const QPointer<QAbstractItemModel> firstSource = first->sourceModel();

        QVERIFY(w.task("t8", "zeta two"));
        SearchSortFilterModel* second = helper.searchModel();
        QCOMPARE(second, first);
        QVERIFY(second->sourceModel() != firstSource.data());
        QCOMPARE(shownIds(second), (QStringList { "t1", "t8" }));
        QTRY_VERIFY(firstSource.isNull());

        // The helper's search string drives the shared model.
        helper.setSearchString("two");
        QCOMPARE(shownIds(second), QStringList { "t8" });
        QSignalSpy aborted(&helper, &SearchHelper::searchAborted);
        helper.abort();
        QCOMPARE(aborted.count(), 1);
        QCOMPARE(helper.searchString(), QString());
        QCOMPARE(second->searchString(), QString());
    }

    // --- Marking matches

    void shouldMarkMatchesOutsideMarkup_data()
    {
        QTest::addColumn<QString>("search");
        QTest::addColumn<QString>("text");
        QTest::addColumn<QString>("marked");
        const QString link = "<a href=\"http://bob.example.com/bob\">http://bob.example.com/bob</a>";
        // clang-format off
        QTest::newRow("no search") << "" << "Call Bob" << "Call Bob";
        QTest::newRow("case of the text kept") << "bob" << "Call Bob" << "Call [Bob]";
        QTest::newRow("every match") << "an" << "Banana" << "B[an][an]a";
        QTest::newRow("overlaps taken from the end") << "aa" << "aaa" << "a[aa]";
        QTest::newRow("link tag left alone, link text marked") << "bob" << "See " + link
            << "See <a href=\"http://bob.example.com/bob\">http://[bob].example.com/[bob]</a>";
        QTest::newRow("closing tag left alone") << "a" << "<a href=\"x\">a</a>" << "<a href=\"x\">[a]</a>";
        QTest::newRow("line breaks left alone") << "br" << "bring<br>bread" << "[br]ing<br>[br]ead";
        QTest::newRow("no match across a tag") << "ab" << "a<br>b" << "a<br>b";
        QTest::newRow("references left whole") << "amp" << "Tom &amp; Jerry" << "Tom &amp; Jerry";
        QTest::newRow("reference marked as what it shows") << "&" << "Tom &amp; Jerry"
            << "Tom [&amp;] Jerry";
        QTest::newRow("escaped angle brackets") << "<b>" << "a &lt;b&gt; c" << "a [&lt;b&gt;] c";
        QTest::newRow("numeric reference") << "é" << "caf&#233; CAF&#xE9;" << "caf[&#233;] CAF[&#xE9;]";
        QTest::newRow("unclosed tag left alone") << "bob" << "x <a href=\"bob" << "x <a href=\"bob";
        QTest::newRow("lone angle bracket is text") << "2" << "1 < 2" << "1 < [2]";
        QTest::newRow("regular expression is text") << ".*" << "a.*b ab" << "a[.*]b ab";
        QTest::newRow("placeholders are text") << "%1" << "100%1 %2" << "100[%1] %2";
        QTest::newRow("unicode case") << QString::fromUtf8("ÄPFEL") << QString::fromUtf8("grüne äpfel")
            << QString::fromUtf8("grüne [äpfel]");
        QTest::newRow("search names a tag") << "<font" << "x&lt;font" << "x[&lt;font]";
        // clang-format on
    }

    void shouldMarkMatchesOutsideMarkup()
    {
        QFETCH(QString, search);
        QFETCH(QString, text);
        QFETCH(QString, marked);
        marked.replace("[", "<font color=\"#123456\"><b>").replace("]", "</b></font>");
        QCOMPARE(SearchHelper::highlight(search, text, "#123456"), marked);
    }

    void shouldMarkInTheApplicationColour_data()
    {
        QTest::addColumn<QString>("colour");
        QTest::addColumn<QString>("shown");
        QTest::newRow("blue") << "#1E88E5" << "#1e88e5";
        QTest::newRow("dark grey stands out as indigo") << "#424242" << "#3F51B5";
        QTest::newRow("dark theme") << "#73ABFC" << "#73abfc";
    }

    void shouldMarkInTheApplicationColour()
    {
        QFETCH(QString, colour);
        QFETCH(QString, shown);
        Settings::instance()->setApplicationColor(QColor(colour));
        const SearchHelper helper;
        QCOMPARE(helper.highlightSearchString("x", "axb"),
            "a<font color=\"" + shown + "\"><b>x</b></font>b");
        QCOMPARE(helper.highlightSearchString("", "axb"), QStringLiteral("axb"));
    }
};

QUORVEL_TEST_MAIN(TestSearch)
#include "tst_search.moc"
