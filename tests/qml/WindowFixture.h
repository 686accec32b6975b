#pragma once

#include <QDateTime>
#include <QList>
#include <QString>
#include <QVariant>

class QObject;
class QQuickItem;
class QQuickWindow;
class TaskHandler;

// What the window tests share: starting the real main window on a fresh
// store, reaching the objects the interface sees, records in the store, and
// finding items in windows of their own (the reminder windows).
class WindowFixture
{
public:
    // Unpacks the template store and shows the main window at 1100 x 720.
    static bool startWindow();
    // The same on whatever database is in place.
    static bool showWindow();

    // An object the interface sees under that name (TaskHandler, ...).
    static QObject *published(const char *name);
    static TaskHandler *tasks();

    // The wall-clock moment of today + days at hour:minute, as records hold it.
    static QDateTime wallClock(int daysFromToday, int hour, int minute = 0);
    // That day at 00:00, as the interface carries calendar dates.
    static QDateTime dayOf(int daysFromToday);
    // Creates the task; its new ID, or an empty one when the store refused it.
    static QString addTask(const QVariantMap &task);
    static QVariantMap stored(const QString &id);

    // The visible name label of a row with that text, or null.
    static QQuickItem *rowNamed(const QString &name);
    // The record of a list's shown row named name; empty when there is none.
    static QVariantMap recordNamed(QQuickItem *list, const QString &name);

    static void setTheme(bool dark);
    static void setLanguage(const QString &language);

    // Items of a window of its own, by object name.
    static QQuickItem *itemIn(QQuickWindow *window, const QString &name);
    static bool clickIn(QQuickWindow *window, QQuickItem *item);
    // The reminder windows open now, newest first.
    static QList<QQuickWindow *> reminderWindows();
};
