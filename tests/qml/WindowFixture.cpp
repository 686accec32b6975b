#include "WindowFixture.h"

#include "WindowDriver.h"

#include "data/DataManager.h"
#include "data/DatabaseHandler.h"
#include "data/DatabaseTemplate.h"
#include "data/TaskHandler.h"
#include "shell/GuiManager.h"
#include "shell/ReminderWindowStack.h"
#include "shell/Settings.h"

#include <QQmlApplicationEngine>
#include <QQmlContext>
#include <QQuickItem>
#include <QQuickWindow>
#include <QTest>

bool WindowFixture::startWindow()
{
    return DatabaseTemplate::unpackTo(DatabaseHandler::databasePath()) && showWindow();
}

bool WindowFixture::showWindow()
{
    Settings *settings = Settings::instance();
    settings->setThemeSwitchType(Settings::Manual);
    settings->setAppTheme(Settings::LightTheme);
    settings->setShowWelcomeScreen(false);
    settings->setApplicationLanguage(QStringLiteral("en"));
    GuiManager *gui = GuiManager::instance();
    gui->initializeEngine();
    gui->setContextProperty(QStringLiteral("FIRST_LAUNCH"), false);
    gui->setContextProperty(QStringLiteral("NOTIFIER_APP_ACTIVE"), true);
    gui->initializeWindow();
    QQuickWindow *window = WindowDriver::window();
    if (!window)
        return false;
    window->resize(1100, 720);
    gui->showMainWindow();
    if (!QTest::qWaitForWindowExposed(window))
        return false;
    window->requestActivate();
    return true;
}

QObject *WindowFixture::published(const char *name)
{
    return GuiManager::instance()->engine()->rootContext()->contextProperty(QString::fromLatin1(name)).value<QObject *>();
}

TaskHandler *WindowFixture::tasks()
{
    return qobject_cast<TaskHandler *>(published("TaskHandler"));
}

QDateTime WindowFixture::wallClock(int daysFromToday, int hour, int minute)
{
    return QDateTime(QDate::currentDate().addDays(daysFromToday), QTime(hour, minute), Qt::UTC);
}

QDateTime WindowFixture::dayOf(int daysFromToday)
{
    return wallClock(daysFromToday, 0);
}

QString WindowFixture::addTask(const QVariantMap &task)
{
    return tasks()->createTask(task) ? tasks()->lastCreatedTaskId() : QString();
}

QVariantMap WindowFixture::stored(const QString &id)
{
    return DataManager::instance()->getTaskById(id);
}

QQuickItem *WindowFixture::rowNamed(const QString &name)
{
    for (QQuickItem *label : WindowDriver::items(QStringLiteral("taskName"))) {
        if (label->isVisible() && label->property("text").toString() == name)
            return label;
    }
    return nullptr;
}

QVariantMap WindowFixture::recordNamed(QQuickItem *list, const QString &name)
{
    if (!list)
        return QVariantMap();
    QObject *model = list->property("model").value<QObject *>();
    QVariantList objects;
    if (!model || !QMetaObject::invokeMethod(model, "getObjectList", Q_RETURN_ARG(QVariantList, objects)))
        return QVariantMap();
    for (const QVariant &object : objects) {
        if (object.toMap().value(QStringLiteral("NAME")).toString() == name)
            return object.toMap();
    }
    return QVariantMap();
}

void WindowFixture::setTheme(bool dark)
{
    GuiManager::instance()->setAppInDarkMode(dark);
    QTest::qWait(50);
}

void WindowFixture::setLanguage(const QString &language)
{
    Settings::instance()->setApplicationLanguage(language);
    GuiManager::instance()->reloadTranslations();
    QTest::qWait(50);
}

QQuickItem *WindowFixture::itemIn(QQuickWindow *window, const QString &name)
{
    if (!window)
        return nullptr;
    QList<QQuickItem *> pending { window->contentItem() };
    while (!pending.isEmpty()) {
        QQuickItem *current = pending.takeFirst();
        if (current->objectName() == name && current->isVisible())
            return current;
        pending.append(current->childItems());
    }
    return nullptr;
}

bool WindowFixture::clickIn(QQuickWindow *window, QQuickItem *item)
{
    if (!window || !item || !item->isVisible())
        return false;
    const QPointF centre = item->mapToScene(QPointF(item->width() / 2, item->height() / 2));
    QTest::mouseClick(window, Qt::LeftButton, Qt::NoModifier, centre.toPoint());
    QTest::qWait(20);
    return true;
}

QList<QQuickWindow *> WindowFixture::reminderWindows()
{
    QList<QQuickWindow *> windows;
    auto *stack = qobject_cast<ReminderWindowStack *>(published("ReminderWindowStack"));
    if (!stack)
        return windows;
    for (QWindow *window : stack->windows()) {
        if (auto *quick = qobject_cast<QQuickWindow *>(window))
            windows.append(quick);
    }
    return windows;
}
