#include "data/DatabaseHandler.h"
#include "data/DatabaseTemplate.h"
#include "shell/GuiManager.h"
#include "shell/PasscodeManager.h"
#include "shell/Settings.h"
#include "support/TestMain.h"

#include <QAction>
#include <QMenu>
#include <QQmlApplicationEngine>
#include <QQmlComponent>
#include <QQmlContext>
#include <QQuickItem>
#include <QQuickWindow>
#include <QSystemTrayIcon>

// The engine as the interface finds it once "main.qml" is loaded: every
// native object, constant, type and the translations.
class TestEngine : public QObject
{
    Q_OBJECT

private:
    GuiManager* gui() const { return GuiManager::instance(); }
    QQmlContext* rootContext() const { return gui()->engine()->rootContext(); }

    QVariantMap evaluate(const QByteArray& qml)
    {
        QQmlComponent component(gui()->engine());
        component.setData(qml, QUrl(QStringLiteral("qrc:/engine_test.qml")));
        std::unique_ptr<QObject> object(component.create());
        if (!object) {
            qWarning() << component.errorString();
            return {};
        }
        return object->property("values").toMap();
    }

    static void type(QWindow* window, const char* text)
    {
        for (const char* c = text; *c; ++c)
            QTest::keyClick(window, *c);
    }

private slots:
    void initTestCase()
    {
        QVERIFY(DatabaseTemplate::unpackTo(DatabaseHandler::databasePath()));
        QVERIFY(PasscodeManager().savePasscode(QStringLiteral("246810")));
        gui()->initializeEngine();
        gui()->setContextProperty(QStringLiteral("FIRST_LAUNCH"), false);
        gui()->setContextProperty(QStringLiteral("NOTIFIER_APP_ACTIVE"), true);
        gui()->initializeWindow();
        QVERIFY(gui()->mainWindow());
    }

    // A passcode set before the start locks the window until it is typed;
    // Escape does not get past it, a wrong one shows an error.
    void shouldAskForThePasscodeAtStartAndWhenTheWindowReturns()
    {
        QQuickWindow* window = gui()->mainWindow();
        window->show();
        QVERIFY(QTest::qWaitForWindowExposed(window));
        QObject* popup = window->findChild<QObject*>(QStringLiteral("passcodeCheckPopup"));
        QVERIFY(popup);
        QVERIFY(popup->property("opened").toBool());
        auto* field = window->findChild<QQuickItem*>(QStringLiteral("passcodeField"));
        auto* error = window->findChild<QQuickItem*>(QStringLiteral("passcodeError"));
        QVERIFY(field && error);

        QTest::keyClick(window, Qt::Key_Escape);
        QVERIFY(popup->property("opened").toBool());
        type(window, "111111");
        QTest::keyClick(window, Qt::Key_Return);
        QVERIFY(popup->property("opened").toBool());
        QVERIFY(error->isVisible());

        field->setProperty("text", QString());
        type(window, "246810");
        QTest::keyClick(window, Qt::Key_Return);
        QTRY_VERIFY(!popup->property("opened").toBool());

        // Only the stricter mode asks again when the window comes back.
        gui()->hideMainWindow();
        gui()->showMainWindow();
        QTest::qWait(50);
        QVERIFY(!popup->property("opened").toBool());
        auto* passcode = rootContext()->contextProperty("PasscodeManager").value<PasscodeManager*>();
        passcode->setRequirePasscodeOption(PasscodeManager::WhenAppWindowBecomesActive);
        gui()->hideMainWindow();
        gui()->showMainWindow();
        QTRY_VERIFY(popup->property("opened").toBool());
        field->setProperty("text", QStringLiteral("246810"));
        QTest::keyClick(window, Qt::Key_Return);
        QTRY_VERIFY(!popup->property("opened").toBool());
    }

    void shouldPublishEveryObject_data()
    {
        QTest::addColumn<QString>("name");
        for (const char* name : { "GuiManager", "WheelEventsRedirector", "DateFormatHelper", "RepetitionFormatHelper", "ReminderFormatHelper", "ActionSoundsHelper",
                 "AnalyticsManager", "PredefinedDataHelper", "Settings", "DataManager", "DatabaseRecovery", "ContextHandler",
                 "TaskHandler", "ProjectHandler", "PasscodeManager", "Helper", "FavoritesManager",
                 "MetaDataManager", "AuthManager", "ExportHelper", "PdfExportHelper", "UrlHelper", "KeyboardHelper", "Clipboard", "Logger",
                 "SearchHelper", "HardwareManager", "AppUpdater" })
            QTest::newRow(name) << QString::fromLatin1(name);
    }

    void shouldPublishEveryObject()
    {
        QFETCH(QString, name);
        QObject* object = rootContext()->contextProperty(name).value<QObject*>();
        QVERIFY2(object, qPrintable(name));
        QCOMPARE(QString::fromLatin1(object->metaObject()->className()), name);
    }

    void shouldPublishConstants_data()
    {
        QTest::addColumn<QString>("name");
        QTest::addColumn<QVariant>("value");
        const QString appDir = QCoreApplication::applicationDirPath();
        QTest::newRow("method pages") << "METHOD_RESOURCES_URL" << QVariant(appDir + "/method");
        QTest::newRow("active") << "DEFAULT_OBJECT_STATE" << QVariant(0);
        QTest::newRow("deleted") << "DELETED_OBJECT_STATE" << QVariant(1);
        QTest::newRow("completed") << "COMPLETED_OBJECT_STATE" << QVariant(2);
        QTest::newRow("completed, deleted") << "COMPLETED_AND_DELETED_OBJECT_STATE" << QVariant(3);
        QTest::newRow("export box") << "EXPORT_QUORVEL_BOX" << QVariant(0);
        QTest::newRow("export plan") << "EXPORT_DAILY_PLAN" << QVariant(1);
        QTest::newRow("export default") << "EXPORT_DEFAULT" << QVariant(2);
        QTest::newRow("version") << "APP_VERSION" << QVariant(QStringLiteral("1.16.3"));
        QTest::newRow("folder") << "APP_DIR_PATH" << QVariant(appDir);
        QTest::newRow("first launch") << "FIRST_LAUNCH" << QVariant(false);
        QTest::newRow("notifier") << "NOTIFIER_APP_ACTIVE" << QVariant(true);
    }

    void shouldPublishConstants()
    {
        QFETCH(QString, name);
        QFETCH(QVariant, value);
        QCOMPARE(rootContext()->contextProperty(name), value);
    }

    void shouldRegisterTypesInTheirModules()
    {
        const QVariantMap values = evaluate("import QtQuick 2.15\n"
                                            "import com.velmora.managers 1.0\n"
                                            "import com.velmora.helpers 1.0\n"
                                            "import com.velmora.common 1.0\n"
                                            "QtObject {\n"
                                            "property var values: ({\n"
                                            "\"dark\": SettingsEnums.DarkTheme,\n"
                                            "\"hour\": NotificationEnum.Hour,\n"
                                            "\"active\": PasscodeEnums.WhenAppWindowBecomesActive,\n"
                                            "\"newest\": SortingEnums.TimestampDescType,\n"
                                            "\"favorites\": SortingEnums.ListTypeFavorites,\n"
                                            "\"badge\": FunctionHelper.badgeText(120),\n"
                                            "\"rendering\": typeof USE_NATIVE_TEXT_RENDERING\n"
                                            "})\n"
                                            "}\n");
        QCOMPARE(values.value("dark").toInt(), int(Settings::DarkTheme));
        QCOMPARE(values.value("hour").toInt(), 4);
        QCOMPARE(values.value("active").toInt(), 1);
        QCOMPARE(values.value("newest").toInt(), 3);
        QCOMPARE(values.value("favorites").toInt(), 4);
        QCOMPARE(values.value("badge").toString(), QStringLiteral("99+"));
        QCOMPARE(values.value("rendering").toString(), QStringLiteral("boolean"));
    }

    void shouldServeColouredIcons()
    {
        const QVariantMap values = evaluate(
            "import QtQuick 2.15\n"
            "Image {\n"
            "source: \"image://coloredicon/check.svg&#FF0000\"\n"
            "property var values: ({ \"ready\": status === Image.Ready, \"width\": sourceSize.width })\n"
            "}\n");
        QVERIFY(values.value("ready").toBool());
        QVERIFY(values.value("width").toInt() > 0);
    }

    void shouldTranslateTheInterfaceWhenTheLanguageChanges()
    {
        auto* version = gui()->mainWindow()->findChild<QQuickItem*>(QStringLiteral("productVersion"));
        QVERIFY(version);
        QVERIFY(version->property("text").toString().startsWith(QLatin1String("Version")));

        Settings::instance()->setApplicationLanguage(QStringLiteral("ru"));
        gui()->reloadTranslations();
        QVERIFY(version->property("text").toString().startsWith(QStringLiteral("Версия")));
        const QStringList tray { gui()->trayIcon()->contextMenu()->actions().at(0)->text(),
            gui()->trayIcon()->contextMenu()->actions().at(1)->text() };
        QCOMPARE(tray, QStringList({ QStringLiteral("Открыть"), QStringLiteral("Выход") }));
        // Qt's own texts come along (standard dialog buttons).
        QCOMPARE(QCoreApplication::translate("QPlatformTheme", "Cancel"), QStringLiteral("Отмена"));

        Settings::instance()->setApplicationLanguage(QStringLiteral("en"));
        gui()->reloadTranslations();
        QVERIFY(version->property("text").toString().startsWith(QLatin1String("Version")));
    }
};

QUORVEL_TEST_MAIN(TestEngine)
#include "tst_engine.moc"
