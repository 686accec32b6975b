#include "data/ContextHandler.h"
#include "data/DataManager.h"
#include "data/DatabaseTemplate.h"
#include "data/ProjectHandler.h"
#include "data/TaskHandler.h"
#include "logging/Logger.h"
#include "shell/AppPaths.h"
#include "shell/Clipboard.h"
#include "shell/ColoredIconProvider.h"
#include "shell/KeyboardHelper.h"
#include "shell/Logger.h"
#include "shell/PageHistory.h"
#include "shell/Settings.h"
#include "shell/UrlHelper.h"
#include "shell/WheelEventsRedirector.h"
#include "support/LogReader.h"
#include "support/RecordBuilder.h"
#include "support/StoreFixture.h"
#include "support/TestMain.h"

#include <QFileInfo>
#include <QMetaMethod>
#include <QQuickItem>
#include <QQuickView>
#include <QRegularExpression>
#include <QSGRendererInterface>
#include <QSignalSpy>
#include <QTextBlock>
#include <QTextDocument>

#include <map>
#include <memory>

namespace {

const QByteArray KeyTestQml = R"(
import QtQuick 2.15
import QtQuick.Controls 2.15
Item {
    width: 300; height: 200
    TextInput { objectName: "text"; width: 100; height: 20 }
    TextField { objectName: "field"; y: 30 }
    Item { objectName: "item"; y: 80; width: 10; height: 10 }
    Menu { objectName: "menu"; MenuItem { text: "One" } MenuItem { text: "Two" } }
}
)";

// Records the key events that reach one object past the application's
// filters.
class KeyRecorder : public QObject
{
public:
    bool eventFilter(QObject*, QEvent* event) override
    {
        if (event->type() == QEvent::KeyPress || event->type() == QEvent::KeyRelease)
            keys.append({ event->type(), static_cast<QKeyEvent*>(event)->key() });
        return false;
    }
    QList<QPair<QEvent::Type, int>> keys;
};

class WheelRecorder : public QObject
{
public:
    bool eventFilter(QObject*, QEvent* event) override
    {
        if (event->type() == QEvent::Wheel) {
            const auto* wheel = static_cast<QWheelEvent*>(event);
            angles.append(wheel->angleDelta());
            modifiers = wheel->modifiers();
            buttons = wheel->buttons();
        }
        return false;
    }
    QList<QPoint> angles;
    Qt::KeyboardModifiers modifiers;
    Qt::MouseButtons buttons;
};

// A data manager with its worker over a fresh database, and the handlers the
// interface pastes with.
struct World
{
    World()
    {
        static int count = 0;
        ++count;
        const QString path = AppPaths::appDataFile(QStringLiteral("clipboard_%1.db").arg(count));
        DatabaseTemplate::unpackTo(path);
        DataManager::Options options;
        options.store.databasePath = path;
        options.store.connectionName = QStringLiteral("tst_interfacehelpers_%1").arg(count);
        options.store.repeatedRemindersPath
            = AppPaths::appDataFile(QStringLiteral("reminders_%1.dat").arg(count));
        options.store.sortingPath = AppPaths::appDataFile(QStringLiteral("sorting_%1.dat").arg(count));
        data = std::make_unique<DataManager>(options);
        tasks = std::make_unique<TaskHandler>(data.get());
        projects = std::make_unique<ProjectHandler>(data.get());
        contexts = std::make_unique<ContextHandler>(data.get());
    }

    QString task(const QString& name, const QString& parent, int state = 0)
    {
        return tasks->createTask(RecordBuilder::task(name, parent).state(state)) ? tasks->lastCreatedTaskId()
                                                                                 : QString();
    }
    QString project(const QString& name, const QString& parent = QString())
    {
        return projects->createProject(RecordBuilder::project(name, parent))
            ? projects->lastCreatedProjectId()
            : QString();
    }
    QString folder(const QString& name, const QString& parent = QString())
    {
        return projects->createFolder(RecordBuilder::folder(name, parent)) ? projects->lastCreatedProjectId()
                                                                           : QString();
    }
    QString context(const QString& name, const QString& parent = QString())
    {
        return contexts->createContext(RecordBuilder::context(name, parent))
            ? contexts->lastCreatedContextId()
            : QString();
    }

    std::unique_ptr<DataManager> data;
    std::unique_ptr<TaskHandler> tasks;
    std::unique_ptr<ProjectHandler> projects;
    std::unique_ptr<ContextHandler> contexts;
};

// Child ID -> state, as the clipboard's "children" tell it.
std::map<QString, int> childStates(const QVariantMap& children)
{
    std::map<QString, int> states;
    for (auto it = children.cbegin(); it != children.cend(); ++it) {
        const QVariantMap entry = it.value().toMap();
        if (entry.value("obj_id").toString() == it.key() && entry.value("state") == entry.value("STATE"))
            states[it.key()] = entry.value("state").toInt();
        else
            states[it.key()] = -1;
    }
    return states;
}

qint64 logSize()
{
    Logging::Logger::instance().flush();
    return QFileInfo(Logging::Logger::instance().filePath()).size();
}

} // namespace

class TestInterfaceHelpers : public QObject
{
    Q_OBJECT

private:
    std::unique_ptr<QQuickView> m_view;
    KeyboardHelper* m_keys = nullptr;

    QObject* child(const QString& name) { return m_view->rootObject()->findChild<QObject*>(name); }

    // The focused object for a case: a text item, a Controls text field, a
    // plain item or an open menu.
    QObject* focusOn(const QString& target)
    {
        QMetaObject::invokeMethod(child("menu"), "close");
        if (target == "menu") {
            QMetaObject::invokeMethod(child("menu"), "open");
        } else {
            auto* item = qobject_cast<QQuickItem*>(child(target));
            item->forceActiveFocus();
        }
        return QGuiApplication::focusObject();
    }

private slots:
    void initTestCase()
    {
        StoreFixture::setUpLogging(QStringLiteral("tst_interfacehelpers"));
        QQuickWindow::setSceneGraphBackend(QSGRendererInterface::Software);
        m_view = std::make_unique<QQuickView>();
        QTemporaryFile qml(QDir::tempPath() + QStringLiteral("/keysXXXXXX.qml"));
        QVERIFY(qml.open());
        qml.write(KeyTestQml);
        qml.close();
        m_view->setSource(QUrl::fromLocalFile(qml.fileName()));
        QVERIFY2(m_view->status() == QQuickView::Ready, qPrintable(QString::number(m_view->errors().size())));
        m_view->show();
        m_view->requestActivate();
        QVERIFY(QTest::qWaitForWindowActive(m_view.get()));
        m_keys = new KeyboardHelper(m_view.get());
        qApp->installEventFilter(m_keys);
    }

    void cleanupTestCase() { m_view.reset(); }

    void shouldHandleEveryShortcutByFocus_data()
    {
        QTest::addColumn<bool>("release");
        QTest::addColumn<int>("key");
        QTest::addColumn<int>("modifiers");
        QTest::addColumn<QString>("focus");
        QTest::addColumn<bool>("catchTab");
        QTest::addColumn<QString>("signal");

        const int ctrl = Qt::ControlModifier;
        const int ctrlShift = Qt::ControlModifier | Qt::ShiftModifier;
        const int none = Qt::NoModifier;
        const int keypad = Qt::KeypadModifier;
        const int shift = Qt::ShiftModifier;
        auto row = [](const char* name, bool release, int key, int modifiers, const char* focus,
                       bool catchTab, const char* signal) {
            QTest::newRow(name) << release << key << modifiers << QString(focus) << catchTab
                                << QString(signal);
        };
        row("Ctrl+Shift+C in text", false, Qt::Key_C, ctrlShift, "text", false, "newContextRequested");
        row("Ctrl+Shift+F in field", false, Qt::Key_F, ctrlShift, "field", false, "newFolderRequested");
        row("Ctrl+Shift+N on item", false, Qt::Key_N, ctrlShift, "item", false, "newQuorvelBoxTaskRequested");
        row("Ctrl+Shift+P in menu", false, Qt::Key_P, ctrlShift, "menu", false, "newProjectRequested");
        row("Ctrl+F in text", false, Qt::Key_F, ctrl, "text", false, "searchRequested");
        row("Ctrl+Alt+F is no search", false, Qt::Key_F, ctrl | Qt::AltModifier, "item", false, "");
        row("Ctrl+N in text", false, Qt::Key_N, ctrl, "text", false, "newTaskRequested");
        row("Ctrl+S in field", false, Qt::Key_S, ctrl, "field", false, "saveRequested");
        row("Ctrl+Return on item", false, Qt::Key_Return, ctrl, "item", false, "saveRequested");
        row("Ctrl+Z on item", false, Qt::Key_Z, ctrl, "item", false, "undoActionRequested");
        row("Ctrl+Z in text", false, Qt::Key_Z, ctrl, "text", false, "");
        row("Ctrl+Z in field", false, Qt::Key_Z, ctrl, "field", false, "");
        row("Ctrl+Shift+Z", false, Qt::Key_Z, ctrlShift, "item", false, "");
        row("Escape on item", false, Qt::Key_Escape, none, "item", false, "discardRequested");
        row("Escape in text", false, Qt::Key_Escape, none, "text", false, "discardRequested");
        row("Escape in menu", false, Qt::Key_Escape, none, "menu", false, "");
        row("Return on item", false, Qt::Key_Return, none, "item", false, "confirmRequested");
        row("keypad Enter on item", false, Qt::Key_Enter, keypad, "item", false, "confirmRequested");
        row("Return in field", false, Qt::Key_Return, none, "field", false, "");
        row("Return in menu", false, Qt::Key_Return, none, "menu", false, "");
        row("Shift+Return", false, Qt::Key_Return, shift, "item", false, "");
        row("Delete on item", false, Qt::Key_Delete, none, "item", false, "deleteRequested");
        row("keypad Delete on item", false, Qt::Key_Delete, keypad, "item", false, "deleteRequested");
        row("Delete in text", false, Qt::Key_Delete, none, "text", false, "");
        row("Delete in menu", false, Qt::Key_Delete, none, "menu", false, "deleteRequested");
        row("Up on item", false, Qt::Key_Up, none, "item", false, "upActionRequested");
        row("Up in text", false, Qt::Key_Up, none, "text", false, "");
        row("Up in menu", false, Qt::Key_Up, none, "menu", false, "");
        row("Down on item", false, Qt::Key_Down, keypad, "item", false, "downActionRequested");
        row("Down in field", false, Qt::Key_Down, none, "field", false, "");
        row("Tab release caught", true, Qt::Key_Tab, none, "text", true, "moveForwardRequested");
        row("Backtab release caught", true, Qt::Key_Backtab, shift, "item", true, "moveBackRequested");
        row("Tab release not caught", true, Qt::Key_Tab, none, "item", false, "");
        row("Shift+Up release on item", true, Qt::Key_Up, shift, "item", false,
            "selectUpperItemActionRequested");
        row("Shift+Up release in text", true, Qt::Key_Up, shift, "text", false, "");
        row("Shift+Down release on item", true, Qt::Key_Down, shift, "item", false,
            "selectLowerItemActionRequested");
        row("Shift+Down release in menu", true, Qt::Key_Down, shift, "menu", false, "");
        row("Up release without Shift", true, Qt::Key_Up, none, "item", false, "");
        row("plain letter", false, Qt::Key_A, none, "item", false, "");
    }

    void shouldHandleEveryShortcutByFocus()
    {
        QFETCH(bool, release);
        QFETCH(int, key);
        QFETCH(int, modifiers);
        QFETCH(QString, focus);
        QFETCH(bool, catchTab);
        QFETCH(QString, signal);

        QObject* focused = focusOn(focus);
        QVERIFY(focused);
        QCOMPARE(KeyboardHelper::isTextFocus(focused), focus == "text" || focus == "field");
        QCOMPARE(KeyboardHelper::isMenuFocus(focused), focus == "menu");
        m_keys->setCatchTabKey(catchTab);

        std::map<QString, std::unique_ptr<QSignalSpy>> spies;
        const QMetaObject* meta = m_keys->metaObject();
        for (int i = meta->methodOffset(); i < meta->methodCount(); ++i) {
            const QMetaMethod method = meta->method(i);
            if (method.methodType() == QMetaMethod::Signal && method.name() != "catchTabKeyChanged")
                spies[QString::fromLatin1(method.name())] = std::make_unique<QSignalSpy>(m_keys, method);
        }
        KeyRecorder recorder;
        focused->installEventFilter(&recorder);
        const auto mods = Qt::KeyboardModifiers(modifiers);
        if (release)
            QTest::keyRelease(m_view.get(), Qt::Key(key), mods);
        else
            QTest::keyPress(m_view.get(), Qt::Key(key), mods);
        focused->removeEventFilter(&recorder);

        for (const auto& spy : spies)
            QCOMPARE(spy.second->count(), spy.first == signal ? 1 : 0);
        const QPair<QEvent::Type, int> sent { release ? QEvent::KeyRelease : QEvent::KeyPress, key };
        // An open menu takes Escape as a shortcut before any key event is
        // delivered: that it closed shows the key was left to it.
        const bool menuClosed = focus == "menu" && !child("menu")->property("visible").toBool();
        QCOMPARE(recorder.keys.contains(sent) || menuClosed, signal.isEmpty());
        m_keys->setCatchTabKey(false);
    }

    void shouldLeaveUndoToTheTextField()
    {
        auto* input = child("text");
        focusOn("text");
        QSignalSpy undo(m_keys, &KeyboardHelper::undoActionRequested);
        for (const char letter : { 'a', 'b', 'c' })
            QTest::keyClick(m_view.get(), letter);
        QCOMPARE(input->property("text").toString(), QString("abc"));
        QTest::keyClick(m_view.get(), Qt::Key_Z, Qt::ControlModifier);
        QCOMPARE(input->property("text").toString(), QString());
        QCOMPARE(undo.count(), 0);
    }

    void shouldAnnounceCatchTabKeyOnChangeOnly()
    {
        KeyboardHelper keys;
        QSignalSpy changed(&keys, &KeyboardHelper::catchTabKeyChanged);
        keys.setCatchTabKey(true);
        keys.setCatchTabKey(true);
        keys.setCatchTabKey(false);
        QCOMPARE(changed.count(), 2);
        QCOMPARE(changed.at(0).at(0).toBool(), true);
    }

    void shouldRedirectWheelEvents_data()
    {
        QTest::addColumn<bool>("redirect");
        QTest::addColumn<bool>("toTarget");
        QTest::addColumn<bool>("targetGone");
        QTest::addColumn<QPoint>("angle");
        QTest::addColumn<QList<QPoint>>("atOther");
        QTest::addColumn<QList<QPoint>>("atTarget");

        const QPoint down(0, -120);
        QTest::newRow("no redirection")
            << false << false << false << down << QList<QPoint> { down } << QList<QPoint> {};
        QTest::newRow("redirected") << true << false << false << down << QList<QPoint> {}
                                    << QList<QPoint> { down };
        QTest::newRow("sideways becomes vertical") << true << false << false << QPoint(90, 10)
                                                   << QList<QPoint> {} << QList<QPoint> { QPoint(0, 90) };
        QTest::newRow("aimed at the target")
            << true << true << false << down << QList<QPoint> {} << QList<QPoint> { down };
        QTest::newRow("target gone") << true << false << true << down << QList<QPoint> { down }
                                     << QList<QPoint> {};
    }

    void shouldRedirectWheelEvents()
    {
        QFETCH(bool, redirect);
        QFETCH(bool, toTarget);
        QFETCH(bool, targetGone);
        QFETCH(QPoint, angle);
        QFETCH(QList<QPoint>, atOther);
        QFETCH(QList<QPoint>, atTarget);

        WheelEventsRedirector redirector;
        QObject other;
        auto target = std::make_unique<QObject>();
        WheelRecorder otherRecorder;
        WheelRecorder targetRecorder;
        other.installEventFilter(&otherRecorder);
        target->installEventFilter(&targetRecorder);
        QSignalSpy changed(&redirector, &WheelEventsRedirector::redirectToChanged);
        if (redirect) {
            redirector.setRedirectTo(target.get());
            redirector.setRedirectTo(target.get());
            QCOMPARE(changed.count(), 1);
        }
        if (targetGone) {
            target.reset();
            QCOMPARE(redirector.redirectTo(), nullptr);
        }

        QWheelEvent wheel(QPointF(5, 5), QPointF(50, 50), QPoint(), angle, Qt::LeftButton,
            Qt::ControlModifier, Qt::NoScrollPhase, false);
        QCoreApplication::sendEvent(toTarget ? target.get() : &other, &wheel);
        QCoreApplication::sendPostedEvents();

        QCOMPARE(otherRecorder.angles, atOther);
        QCOMPARE(targetRecorder.angles, atTarget);
        if (!atTarget.isEmpty()) {
            QCOMPARE(targetRecorder.modifiers, Qt::KeyboardModifiers(Qt::ControlModifier));
            QCOMPARE(targetRecorder.buttons, Qt::MouseButtons(Qt::LeftButton));
        }
    }

    void shouldColorIconParts_data()
    {
        QTest::addColumn<QString>("id");
        QTest::addColumn<bool>("dark");
        QTest::addColumn<QPointF>("point");
        QTest::addColumn<QColor>("expected");

        const QColor accent("#e91e63");
        const QColor green("#00ff00");
        const QColor darkDefault("#d8d8d8");
        const QPointF lid(12, 5.5);
        const QPointF body(12, 15);
        const QPointF stripe(9.25, 15);
        const QPointF rim(12, 3);
        const QPointF centre(12, 12);
        QTest::newRow("explicit: grey part") << "trash.svg&#00ff00" << false << body << green;
        QTest::newRow("explicit: white part") << "trash.svg&#00ff00" << false << stripe << green;
        QTest::newRow("explicit: indigo part") << "trash.svg&#00ff00" << true << lid << accent;
        QTest::newRow("explicit: blue part") << "add.svg&red" << true << rim << QColor(Qt::red);
        QTest::newRow("dark: blue part") << "add.svg" << true << rim << darkDefault;
        QTest::newRow("dark: white part") << "add.svg" << true << centre << darkDefault;
        QTest::newRow("dark: indigo part") << "check.svg" << true << rim << accent;
        QTest::newRow("light: blue part") << "add.svg" << false << rim << accent;
        QTest::newRow("light: grey part") << "trash.svg" << false << body << accent;
        QTest::newRow("outside the shape")
            << "add.svg&red" << false << QPointF(0.3, 0.3) << QColor(Qt::transparent);
        QTest::newRow("markup as colour") << "add.svg&\"/><image href=\"x" << true << rim << darkDefault;
    }

    void shouldColorIconParts()
    {
        QFETCH(QString, id);
        QFETCH(bool, dark);
        QFETCH(QPointF, point);
        QFETCH(QColor, expected);

        Settings::instance()->setAppTheme(dark ? Settings::DarkTheme : Settings::LightTheme);
        Settings::instance()->setApplicationColor(QColor("#e91e63"));
        ColoredIconProvider provider;
        QSize size;
        const QImage image = provider.requestPixmap(id, &size, QSize()).toImage();
        QCOMPARE(ColoredIconProvider::scaleFactor(), 1.4);
        QCOMPARE(size, QSize(34, 34));
        QCOMPARE(image.size(), size);
        const QColor actual = image.pixelColor((point * 1.4).toPoint());
        QCOMPARE(actual.rgba(), expected.rgba());
    }

    void shouldRefuseIconsOutsideTheFolder_data()
    {
        QTest::addColumn<QString>("id");
        QTest::addColumn<QString>("logLine");

        QTest::newRow("parent folder") << "../main.qml"
                                       << "WARN Refusing the icon name \"../main.qml\"";
        QTest::newRow("through a subfolder") << "appicon/../../main.qml&red"
                                             << "WARN Refusing the icon name \"appicon/../../main.qml\"";
        QTest::newRow("empty") << ""
                               << "WARN Refusing the icon name \"\"";
        QTest::newRow("unknown") << "nothing.svg"
                                 << "DEBUG No icon \"nothing.svg\" to draw.";
        QTest::newRow("not an image") << "appicon/tray_icon.png"
                                      << "WARN The icon \"appicon/tray_icon.png\" is not a valid SVG image.";
    }

    void shouldRefuseIconsOutsideTheFolder()
    {
        QFETCH(QString, id);
        QFETCH(QString, logLine);

        const qint64 from = logSize();
        ColoredIconProvider provider;
        QSize size(1, 1);
        QVERIFY(provider.requestPixmap(id, &size, QSize()).isNull());
        QVERIFY(!size.isValid());
        const QStringList lines = LogReader::levelsAndMessages(Logging::Logger::instance().filePath(), from);
        QVERIFY2(!lines.filter(QRegularExpression("^" + QRegularExpression::escape(logLine))).isEmpty(),
            qPrintable(lines.join('\n')));
    }

    void shouldConvertTextToLinks_data()
    {
        QTest::addColumn<QString>("text");
        QTest::addColumn<QString>("html");

        QTest::newRow("less-than") << "a < b"
                                   << "a &lt; b";
        QTest::newRow("ampersand and greater-than") << "x & y > z"
                                                    << "x &amp; y &gt; z";
        QTest::newRow("line feed") << "one\ntwo"
                                   << "one<br>two";
        QTest::newRow("web address")
            << "see http://example.com/a?b=1&c=2 now"
            << "see <a href=\"http://example.com/a?b=1&amp;c=2\">http://example.com/a?b=1&amp;c=2</a> now";
        QTest::newRow("ftp at line end")
            << "ftp://files.example.org\nnext"
            << "<a href=\"ftp://files.example.org\">ftp://files.example.org</a><br>next";
        QTest::newRow("file url") << "open file:///home/me/a.txt"
                                  << "open <a href=\"file:///home/me/a.txt\">file:///home/me/a.txt</a>";
        QTest::newRow("quoted file urls")
            << "\"file:///home/My Notes.txt\" or \"file:///b c\""
            << "<a href=\"file:///home/My Notes.txt\">\"file:///home/My Notes.txt\"</a> or "
               "<a href=\"file:///b c\">\"file:///b c\"</a>";
        QTest::newRow("e-mail")
            << "mail bob.smith@mail.example.com."
            << "mail <a href=\"mailto:bob.smith@mail.example.com\">bob.smith@mail.example.com</a>.";
        QTest::newRow("e-mail as a query name") << "?x=1&bob@example.com=2"
                                                << "?x=1&amp;bob@example.com=2";
        QTest::newRow("e-mail inside a web address")
            << "http://example.com/?to=bob@example.com"
            << "<a "
               "href=\"http://example.com/?to=bob@example.com\">http://example.com/?to=bob@example.com</a>";
        QTest::newRow("quote in a web address")
            << "http://example.com/\"onclick=\"x"
            << "<a href=\"http://example.com/&quot;onclick=&quot;x\">http://example.com/\"onclick=\"x</a>";
    }

    void shouldConvertTextToLinks()
    {
        QFETCH(QString, text);
        QFETCH(QString, html);
        QCOMPARE(UrlHelper().convertToHtmlUrls(text), html);
    }

    void shouldNotLetTextMakeTags_data()
    {
        QTest::addColumn<QString>("text");

        QTest::newRow("tag") << "<b>bold</b> <img src=x>";
        QTest::newRow("anchor") << "<a href=\"javascript:x\">y</a>";
        QTest::newRow("quote in address") << "http://example.com/\"><img src=x>";
        QTest::newRow("quoted file with attribute") << "\"file:///a\" onclick=\"x\" \"file:///b\"";
        QTest::newRow("entity") << "&lt;b&gt; &amp;";
        QTest::newRow("mail with quotes") << "x\"y@example.com \"bob\"@example.com";
        QTest::newRow("mixed") << "http://a.com/?m=x@y.com file:///c\"<d> e@f.org";
    }

    void shouldNotLetTextMakeTags()
    {
        QFETCH(QString, text);
        const QString html = UrlHelper().convertToHtmlUrls(text);

        static const QRegularExpression tag("<[^>]*>");
        static const QRegularExpression allowed("^(<br>|</a>|<a href=\"[^\"<>]*\">)$");
        QRegularExpressionMatchIterator tags = tag.globalMatch(html);
        while (tags.hasNext()) {
            const QString found = tags.next().captured();
            QVERIFY2(allowed.match(found).hasMatch(), qPrintable(found));
        }
        // What is shown is what was written.
        QTextDocument document;
        document.setHtml(html);
        QCOMPARE(document.toPlainText(), text);
    }

    void shouldFlagTheKindOfTheObject_data()
    {
        QTest::addColumn<QVariantMap>("object");
        QTest::addColumn<QString>("kind");

        QTest::newRow("task") << QVariantMap(RecordBuilder::task("t", "p").withId("t").period("")) << "task";
        QTest::newRow("project") << QVariantMap(RecordBuilder::project("p").withId("p").set("FOLDER", false))
                                 << "project";
        QTest::newRow("folder") << QVariantMap(RecordBuilder::folder("f").withId("f").set("FOLDER", true))
                                << "folder";
        QTest::newRow("context") << QVariantMap(RecordBuilder::context("c").withId("c")) << "context";
        QTest::newRow("nothing") << QVariantMap() << "";
    }

    void shouldFlagTheKindOfTheObject()
    {
        QFETCH(QVariantMap, object);
        QFETCH(QString, kind);

        Clipboard clipboard;
        clipboard.setObject(QVariantMap { { "ID", "x" }, { "PERIOD", "" } });
        QSignalSpy objectChanged(&clipboard, &Clipboard::objectChanged);
        clipboard.setObject(object);
        QCOMPARE(clipboard.containsTask(), kind == "task");
        QCOMPARE(clipboard.containsProject(), kind == "project");
        QCOMPARE(clipboard.containsFolder(), kind == "folder");
        QCOMPARE(clipboard.containsContext(), kind == "context");
        QCOMPARE(clipboard.object(), object);
        QCOMPARE(objectChanged.count(), 1);
        clipboard.setObject(object);
        QCOMPARE(objectChanged.count(), 1);
    }

    void shouldForgetTheCutWhenCopying()
    {
        const QVariantMap task = RecordBuilder::task("t", "p").withId("t").period("").state(0);
        Clipboard clipboard;
        clipboard.setCutObject(task);
        QCOMPARE(clipboard.extraInfo(), (QVariantMap { { "obj_id", "t" }, { "state", 0 } }));
        clipboard.setObject(task);
        QCOMPARE(clipboard.extraInfo(), QVariantMap());
        QVERIFY(clipboard.containsTask());
        clipboard.setObject(QVariantMap());
        QVERIFY(!clipboard.containsTask());
    }

    void shouldRememberWhatACutChanges()
    {
        World w;
        const QString target = w.folder("Archive");
        const QString folder = w.folder("Work");
        const QString inner = w.folder("Inner", folder);
        const QString project = w.project("Launch", inner);
        const QString open = w.task("Write", project);
        const QString done = w.task("Plan", project, 2);
        const QString other = w.project("Other");
        const QString outside = w.task("Elsewhere", other);
        Clipboard clipboard(w.data.get());

        const DataObject record = w.data->getProjectById(folder);
        clipboard.setCutObject(record);
        QVERIFY(clipboard.containsFolder());
        QCOMPARE(clipboard.extraInfo().value("obj_id").toString(), folder);
        QCOMPARE(clipboard.extraInfo().value("state").toInt(), 0);
        const QVariantMap children = clipboard.extraInfo().value("children").toMap();
        const std::map<QString, int> expected { { inner, 0 }, { project, 0 }, { open, 0 }, { done, 2 } };
        QCOMPARE(childStates(children), expected);

        // Cut, then pasted elsewhere: everything comes back as it was.
        QVERIFY(w.projects->markProjectAsDeleted(record));
        QVERIFY(w.projects->confirmProjectUpdate(record));
        QCOMPARE(w.data->getTaskById(done).value("STATE").toInt(), 3);
        QVERIFY(w.projects->moveFolder(clipboard.object(), target, children));
        QCOMPARE(w.data->getProjectById(inner).value("STATE").toInt(), 0);
        QCOMPARE(w.data->getTaskById(open).value("STATE").toInt(), 0);
        QCOMPARE(w.data->getTaskById(done).value("STATE").toInt(), 2);
        QCOMPARE(w.data->getTaskById(outside).value("STATE").toInt(), 0);

        clipboard.setCutObject(w.data->getProjectById(project));
        QVERIFY(clipboard.containsProject());
        QCOMPARE(childStates(clipboard.extraInfo().value("children").toMap()),
            (std::map<QString, int> { { open, 0 }, { done, 2 } }));

        const QString home = w.context("@home");
        const QString garden = w.context("@garden", home);
        const QString shed = w.context("@shed", garden);
        w.context("@work");
        clipboard.setCutObject(w.data->getContextById(home));
        QVERIFY(clipboard.containsContext());
        QCOMPARE(childStates(clipboard.extraInfo().value("children").toMap()),
            (std::map<QString, int> { { garden, 0 }, { shed, 0 } }));

        clipboard.setCutObject(w.data->getTaskById(open));
        QVERIFY(clipboard.containsTask());
        QVERIFY(!clipboard.extraInfo().contains("children"));
    }

    void shouldWriteInterfaceLogLines_data()
    {
        QTest::addColumn<QString>("method");
        QTest::addColumn<QString>("message");
        QTest::addColumn<QString>("line");

        QTest::newRow("info") << "info"
                              << "Page opened"
                              << "INFO QML side: Page opened";
        QTest::newRow("warning") << "warning"
                                 << "two\nlines"
                                 << "WARN QML side: two\\u000alines";
        QTest::newRow("error") << "error"
                               << "a\r\nb\tc"
                               << "ERROR QML side: a\\u000d\\u000ab\\u0009c";
        QTest::newRow("line separator") << "info" << QString("x") + QChar(0x2028) + "y"
                                        << "INFO QML side: x\\u2028y";
    }

    void shouldWriteInterfaceLogLines()
    {
        QFETCH(QString, method);
        QFETCH(QString, message);
        QFETCH(QString, line);

        const qint64 from = logSize();
        Logger logger;
        QVERIFY(QMetaObject::invokeMethod(&logger, method.toLatin1(), Q_ARG(QString, message)));
        QCOMPARE(
            LogReader::levelsAndMessages(Logging::Logger::instance().filePath(), from), QStringList { line });
    }

    // Steps are letters: "p" pushes the next letter, "b" goes back, "f" goes
    // forward; the result is the shown place and the two buttons' states.
    void shouldWalkTheTwoStacks_data()
    {
        QTest::addColumn<QString>("steps");
        QTest::addColumn<QString>("current");
        QTest::addColumn<bool>("canGoBack");
        QTest::addColumn<bool>("canGoForward");
        QTest::newRow("root only") << "p" << "a" << false << false;
        QTest::newRow("back at the root stays") << "pb" << "a" << false << false;
        QTest::newRow("two places") << "pp" << "b" << true << false;
        QTest::newRow("back") << "ppb" << "a" << false << true;
        QTest::newRow("back and forward") << "pppbbf" << "b" << true << true;
        QTest::newRow("forward past the end stays") << "ppbff" << "b" << true << false;
        QTest::newRow("a new place clears forward") << "pppbbp" << "d" << true << false;
    }
    void shouldWalkTheTwoStacks()
    {
        QFETCH(QString, steps);
        PageHistory history;
        QChar next('a');
        for (QChar step : steps) {
            if (step == 'p') {
                history.push(QString(next));
                next = QChar(next.unicode() + 1);
            } else if (step == 'b') {
                history.back();
            } else {
                history.forward();
            }
        }
        QTEST(history.current(), "current");
        QTEST(history.canGoBack(), "canGoBack");
        QTEST(history.canGoForward(), "canGoForward");
    }

    void shouldReadHistoryItems_data()
    {
        QTest::addColumn<QString>("item");
        QTest::addColumn<QString>("page");
        QTest::addColumn<QDate>("day");
        QTest::addColumn<QString>("taskId");
        QTest::newRow("inbox") << "qbpage_t1" << "qbpage" << QDate() << "t1";
        QTest::newRow("daily plan") << "dppage09.12.2026_t2" << "dppage" << QDate(2026, 12, 9) << "t2";
        QTest::newRow("id with underscores") << "favpage_a_b" << "favpage" << QDate() << "a_b";
        QTest::newRow("no task") << "prjpage" << "prjpage" << QDate() << "";
        QTest::newRow("bad day") << "dppage31.02.2026_t" << "" << QDate() << "";
        QTest::newRow("unknown page") << "webpage_t" << "" << QDate() << "";
        QTest::newRow("empty") << "" << "" << QDate() << "";
    }
    void shouldReadHistoryItems()
    {
        QFETCH(QString, item);
        const QVariantMap parsed = PageHistory::parseItem(item);
        QTEST(parsed.value("page").toString(), "page");
        QTEST(parsed.value("date").toDate(), "day");
        QTEST(parsed.value("taskId").toString(), "taskId");
        if (!parsed.isEmpty()) {
            const QString written = PageHistory::makeItem(parsed.value("page").toString(), parsed.value("date").toDate(),
                                                          parsed.value("taskId").toString());
            QCOMPARE(PageHistory::parseItem(written), parsed);
        }
    }
};

QUORVEL_TEST_MAIN(TestInterfaceHelpers)
#include "tst_interfacehelpers.moc"
