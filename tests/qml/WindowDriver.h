#pragma once

#include <QList>
#include <QPoint>
#include <QString>
#include <QVariant>

class QObject;
class QQuickItem;
class QQuickWindow;

// Drives the real main window the way a person would: finds items by their
// object names, clicks them, types, and takes screenshots into the build
// folder.
class WindowDriver
{
public:
    static QQuickWindow *window();
    static QObject *root();

    static QObject *object(const QString &name);
    static QQuickItem *item(const QString &name);
    static QList<QQuickItem *> items(const QString &name);
    // The first item with that name below parent whose property equals value.
    static QQuickItem *itemWhere(const QString &name, const char *property, const QVariant &value);

    static bool click(QQuickItem *item, Qt::KeyboardModifiers modifiers = Qt::NoModifier);
    static bool click(const QString &name);
    static void type(const QString &text);
    static void key(int key, Qt::KeyboardModifiers modifiers = Qt::NoModifier);
    // Calls a function of the window's QML.
    static QVariant call(const char *function, const QVariant &a = QVariant(), const QVariant &b = QVariant(),
                         const QVariant &c = QVariant());

    static bool isShown(const QString &name);
    // Saves the window as <build>/screenshots/<name>.png. False when the
    // picture is blank (fewer than a handful of colours).
    static bool screenshot(const QString &name);
    static QString screenshotFolder();
};
