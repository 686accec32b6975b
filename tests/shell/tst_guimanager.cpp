#include "data/DatabaseHandler.h"
#include "data/DatabaseTemplate.h"
#include "shell/GraphicsDeviceQuery.h"
#include "shell/GuiManager.h"
#include "shell/Settings.h"
#include "support/TestMain.h"

#include <QAction>
#include <QMenu>
#include <QQmlApplicationEngine>
#include <QQmlContext>
#include <QQuickItem>
#include <QQuickWindow>
#include <QSignalSpy>
#include <QSystemTrayIcon>
#include <QTemporaryDir>
#include <QTimer>

class TestGuiManager : public QObject
{
    Q_OBJECT

private:
    GuiManager* gui() const { return GuiManager::instance(); }
    QQuickWindow* window() const { return gui()->mainWindow(); }

    QAction* trayAction(const QString& text) const
    {
        for (QAction* action : gui()->trayIcon()->contextMenu()->actions()) {
            if (action->text() == text)
                return action;
        }
        return nullptr;
    }

    static void writeFile(const QString& path, const QByteArray& content)
    {
        QDir().mkpath(QFileInfo(path).absolutePath());
        QFile file(path);
        QVERIFY(file.open(QIODevice::WriteOnly));
        file.write(content);
    }

private slots:
    void initTestCase()
    {
        QVERIFY(DatabaseTemplate::unpackTo(DatabaseHandler::databasePath()));
        Settings::instance()->setFontRenderingType(QStringLiteral("native"));
        gui()->initializeEngine();
        gui()->initializeWindow();
        QVERIFY(window());
    }

    void shouldShowProductNameAndVersion()
    {
        auto* version = window()->findChild<QQuickItem*>(QStringLiteral("productVersion"));
        QVERIFY(version);
        QVERIFY(version->property("text").toString().contains(QLatin1String("1.16.3")));
        // The store opened, so no error message is shown.
        QObject* message = window()->findChild<QObject*>(QStringLiteral("messagePopup"));
        QVERIFY(message);
        QCOMPARE(message->property("opened").toBool(), false);
    }

    void shouldExposeTheConstantsTheInterfaceReads_data()
    {
        QTest::addColumn<QString>("name");
        QTest::addColumn<QVariant>("value");
        QTest::newRow("version") << "APP_VERSION" << QVariant(QStringLiteral("1.16.3"));
        QTest::newRow("active") << "DEFAULT_OBJECT_STATE" << QVariant(0);
        QTest::newRow("deleted") << "DELETED_OBJECT_STATE" << QVariant(1);
        QTest::newRow("completed") << "COMPLETED_OBJECT_STATE" << QVariant(2);
        QTest::newRow("completed and deleted") << "COMPLETED_AND_DELETED_OBJECT_STATE" << QVariant(3);
        QTest::newRow("export default") << "EXPORT_DEFAULT" << QVariant(2);
        QTest::newRow("program folder") << "APP_DIR_PATH" << QVariant(QCoreApplication::applicationDirPath());
        // "font_rendering_type" = "native" forces native text rendering.
        QTest::newRow("native text") << "USE_NATIVE_TEXT_RENDERING" << QVariant(true);
    }

    void shouldExposeTheConstantsTheInterfaceReads()
    {
        QFETCH(QString, name);
        QFETCH(QVariant, value);
        QCOMPARE(gui()->engine()->rootContext()->contextProperty(name), value);
    }

    void shouldExposeTheServicesTheInterfaceCalls_data()
    {
        QTest::addColumn<QString>("name");
        QTest::addColumn<QString>("className");
        QTest::newRow("gui") << "GuiManager"
                             << "GuiManager";
        QTest::newRow("settings") << "Settings"
                                  << "Settings";
        QTest::newRow("data") << "DataManager"
                              << "DataManager";
        QTest::newRow("predefined") << "PredefinedDataHelper"
                                    << "PredefinedDataHelper";
        QTest::newRow("tasks") << "TaskHandler"
                               << "TaskHandler";
        QTest::newRow("projects") << "ProjectHandler"
                                  << "ProjectHandler";
        QTest::newRow("contexts") << "ContextHandler"
                                  << "ContextHandler";
        QTest::newRow("icons") << "MetaDataManager"
                               << "MetaDataManager";
    }

    void shouldExposeTheServicesTheInterfaceCalls()
    {
        QFETCH(QString, name);
        QFETCH(QString, className);
        QObject* object = gui()->engine()->rootContext()->contextProperty(name).value<QObject*>();
        QVERIFY2(object, qPrintable(name));
        QCOMPARE(QString::fromLatin1(object->metaObject()->className()), className);
    }

    void shouldHideInsteadOfClosing()
    {
        QSignalSpy quitting(qApp, &QCoreApplication::aboutToQuit);
        // The one-time note about the tray is the main window test's business.
        Settings::instance()->setShowMessageOnClose(false);
        gui()->showMainWindow();
        QVERIFY(window()->isVisible());
        QVERIFY(!(window()->flags() & Qt::WindowStaysOnTopHint));
        window()->close();
        QTRY_VERIFY(!window()->isVisible());
        QCOMPARE(quitting.count(), 0);
    }

    void shouldLeaveFullScreenInsteadOfHiding()
    {
        window()->showFullScreen();
        QTRY_COMPARE(window()->visibility(), QWindow::FullScreen);
        QVERIFY(gui()->isWindowsFullScreen());
        gui()->hideMainWindow();
        QTRY_VERIFY(window()->visibility() != QWindow::FullScreen);
        QVERIFY(window()->isVisible());
        gui()->hideMainWindow();
        QVERIFY(!window()->isVisible());
    }

    void shouldToggleTheWindowOnTrayDoubleClick()
    {
        gui()->hideMainWindow();
        emit gui()->trayIcon()->activated(QSystemTrayIcon::DoubleClick);
        QVERIFY(window()->isVisible());
        emit gui()->trayIcon()->activated(QSystemTrayIcon::Trigger);
        QVERIFY(window()->isVisible());
        emit gui()->trayIcon()->activated(QSystemTrayIcon::DoubleClick);
        QVERIFY(!window()->isVisible());
    }

    void shouldOpenTheWindowFromTheTrayMenu()
    {
        QVERIFY(trayAction(QStringLiteral("Open")));
        QVERIFY(trayAction(QStringLiteral("Exit")));
        gui()->hideMainWindow();
        trayAction(QStringLiteral("Open"))->trigger();
        QVERIFY(window()->isVisible());
    }

    void shouldSignalThemeChangesEvenWithoutAChange()
    {
        QSignalSpy spy(gui(), &GuiManager::appThemeChanged);
        gui()->setAppInDarkMode(true);
        gui()->setAppInDarkMode(true);
        QCOMPARE(spy.count(), 2);
        QVERIFY(gui()->isAppInDarkMode());
        gui()->setAppInDarkMode(false);
        QVERIFY(!gui()->isAppInDarkMode());
        QCOMPARE(Settings::instance()->appTheme(), Settings::LightTheme);
    }

    void shouldArmTheThemeTimerOnlyForSwitchingByTime()
    {
        auto activeTimers = [this] {
            int active = 0;
            for (QTimer* timer : gui()->findChildren<QTimer*>())
                active += timer->isActive() && timer->isSingleShot() ? 1 : 0;
            return active;
        };
        QSignalSpy spy(gui(), &GuiManager::appThemeChanged);
        Settings::instance()->setThemeSwitchType(Settings::Manual);
        gui()->switchAppThemeIfNeeded();
        QCOMPARE(spy.count(), 0);
        QCOMPARE(activeTimers(), 0);

        // Choosing the rule applies it at once, and so does every call.
        Settings::instance()->setThemeSwitchType(Settings::AutoByTime);
        QCOMPARE(spy.count(), 1);
        gui()->switchAppThemeIfNeeded();
        QCOMPARE(spy.count(), 2);
        QCOMPARE(activeTimers(), 1);
        const QTime now = QTime::currentTime();
        const Settings::AppTheme expected = Settings::automaticThemeAt(QTime(18, 0), QTime(7, 0), now);
        QCOMPARE(Settings::instance()->appTheme(), expected);
        Settings::instance()->setThemeSwitchType(Settings::Manual);
    }

    // While "Auto, by time" is chosen the theme follows the clock on its own.
    void shouldSwitchThemeAtTheChosenTimeWhileRunning()
    {
        Settings* settings = Settings::instance();
        const QDate day(2026, 3, 10);
        QDateTime now(day, QTime(17, 59, 59, 600));
        gui()->setClock([&now] { return now; });
        settings->setAutoDarkThemeStartTime(QStringLiteral("18:00"));
        settings->setAutoDarkThemeEndTime(QStringLiteral("7:00"));
        settings->setThemeSwitchType(Settings::AutoByTime);
        QCOMPARE(settings->appTheme(), Settings::LightTheme);

        QSignalSpy spy(gui(), &GuiManager::appThemeChanged);
        now = QDateTime(day, QTime(18, 0, 0, 100));
        QVERIFY(spy.wait(3000));
        QCOMPARE(settings->appTheme(), Settings::DarkTheme);

        // Choosing another rule stops the timer: the clock no longer counts.
        settings->setThemeSwitchType(Settings::Manual);
        now = QDateTime(day.addDays(1), QTime(8, 0));
        spy.clear();
        QVERIFY(!spy.wait(1500));
        QCOMPARE(settings->appTheme(), Settings::DarkTheme);
        gui()->setClock(nullptr);
    }

    void shouldDescribeDisplayAdaptersFromSysfs()
    {
        QTemporaryDir sysfs;
        auto device
            = [&sysfs](const char* slot, const char* deviceClass, const char* vendor, const char* id) {
                  const QString base = sysfs.filePath(QString::fromLatin1(slot)) + QLatin1Char('/');
                  writeFile(base + "class", QByteArray(deviceClass) + '\n');
                  writeFile(base + "vendor", QByteArray(vendor) + '\n');
                  writeFile(base + "device", QByteArray(id) + '\n');
              };
        device("0000:00:02.0", "0x030000", "0x8086", "0x0166");
        device("0000:00:1f.3", "0x040300", "0x8086", "0x51c8"); // audio, not a display
        device("0000:01:00.0", "0x030200", "0x10de", "0x13c2");
        const QString ids = GraphicsDeviceQuery::pnpDeviceIdsFromSysfs(sysfs.path());
        QCOMPARE(ids, QStringLiteral("PCI\\VEN_8086&DEV_0166\nPCI\\VEN_10DE&DEV_13C2"));
        QCOMPARE(GraphicsDeviceQuery::pnpDeviceIdsFromSysfs(sysfs.filePath("missing")), QString());
    }

    void shouldPickNativeTextRenderingForKnownAdapters_data()
    {
        QTest::addColumn<QString>("deviceIds");
        QTest::addColumn<bool>("native");
        QTest::newRow("intel hd 4000") << "PCI\\VEN_8086&DEV_0166&SUBSYS" << true;
        QTest::newRow("intel 0152") << "PCI\\VEN_8086&DEV_0152" << true;
        QTest::newRow("geforce 970") << "PCI\\VEN_10DE&DEV_13C2" << true;
        QTest::newRow("geforce 1660") << "PCI\\VEN_10DE&DEV_2182" << true;
        QTest::newRow("device of the other vendor") << "PCI\\VEN_10DE&DEV_0166" << false;
        QTest::newRow("lower case") << "pci\\ven_8086&dev_0166" << false;
        QTest::newRow("none") << "" << false;
    }

    void shouldPickNativeTextRenderingForKnownAdapters()
    {
        QFETCH(QString, deviceIds);
        QFETCH(bool, native);
        QCOMPARE(GraphicsDeviceQuery::needsNativeTextRendering(deviceIds), native);
    }

    // Last: it ends the application's event loops.
    void shouldQuitFromTheTrayMenu()
    {
        QEventLoop loop;
        QTimer::singleShot(0, trayAction(QStringLiteral("Exit")), &QAction::trigger);
        QTimer::singleShot(5000, &loop, [&loop] { loop.exit(1); });
        QCOMPARE(loop.exec(), 0);
    }
};

QUORVEL_TEST_MAIN(TestGuiManager)
#include "tst_guimanager.moc"
