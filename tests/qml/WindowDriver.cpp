#include "WindowDriver.h"

#include "shell/GuiManager.h"

#include <QDir>
#include <QImage>
#include <QQuickItem>
#include <QQuickWindow>
#include <QSet>
#include <QTest>

QQuickWindow *WindowDriver::window()
{
    return GuiManager::instance()->mainWindow();
}

QObject *WindowDriver::root()
{
    return window();
}

// List delegates have no QObject parent, so the search walks the item tree
// (which also holds the popups' overlay) as well as the object tree.
QList<QQuickItem *> WindowDriver::items(const QString &name)
{
    QList<QQuickItem *> found;
    if (!window())
        return found;
    QList<QQuickItem *> pending { window()->contentItem() };
    QSet<QQuickItem *> seen;
    while (!pending.isEmpty()) {
        QQuickItem *current = pending.takeFirst();
        if (!current || seen.contains(current))
            continue;
        seen.insert(current);
        if (current->objectName() == name)
            found.append(current);
        pending.append(current->childItems());
    }
    for (QQuickItem *other : window()->findChildren<QQuickItem *>(name)) {
        if (!seen.contains(other))
            found.append(other);
    }
    return found;
}

QObject *WindowDriver::object(const QString &name)
{
    if (!window())
        return nullptr;
    if (QObject *found = window()->findChild<QObject *>(name))
        return found;
    return item(name);
}

QQuickItem *WindowDriver::item(const QString &name)
{
    if (!window())
        return nullptr;
    // Popups put their content under the overlay, which findChild on the
    // window also reaches; prefer a visible item when several share a name.
    const QList<QQuickItem *> named = items(name);
    for (QQuickItem *candidate : named) {
        if (candidate->isVisible())
            return candidate;
    }
    return named.isEmpty() ? nullptr : named.first();
}

QQuickItem *WindowDriver::itemWhere(const QString &name, const char *property, const QVariant &value)
{
    for (QQuickItem *candidate : items(name)) {
        if (candidate->property(property) == value)
            return candidate;
    }
    return nullptr;
}

bool WindowDriver::click(QQuickItem *target, Qt::KeyboardModifiers modifiers)
{
    if (!target || !target->isVisible())
        return false;
    const QPointF centre = target->mapToScene(QPointF(target->width() / 2, target->height() / 2));
    QTest::mouseClick(window(), Qt::LeftButton, modifiers, centre.toPoint());
    QTest::qWait(20);
    return true;
}

bool WindowDriver::click(const QString &name)
{
    return click(item(name));
}

void WindowDriver::type(const QString &text)
{
    for (const QChar c : text)
        QTest::keyClick(window(), c.toLatin1() ? c.toLatin1() : ' ');
}

void WindowDriver::key(int key, Qt::KeyboardModifiers modifiers)
{
    QTest::keyClick(window(), static_cast<Qt::Key>(key), modifiers);
    QTest::qWait(20);
}

QVariant WindowDriver::call(const char *function, const QVariant &a, const QVariant &b, const QVariant &c)
{
    QVariant result;
    if (c.isValid())
        QMetaObject::invokeMethod(root(), function, Q_RETURN_ARG(QVariant, result), Q_ARG(QVariant, a),
                                  Q_ARG(QVariant, b), Q_ARG(QVariant, c));
    else if (!a.isValid())
        QMetaObject::invokeMethod(root(), function, Q_RETURN_ARG(QVariant, result));
    else if (!b.isValid())
        QMetaObject::invokeMethod(root(), function, Q_RETURN_ARG(QVariant, result), Q_ARG(QVariant, a));
    else
        QMetaObject::invokeMethod(root(), function, Q_RETURN_ARG(QVariant, result), Q_ARG(QVariant, a),
                                  Q_ARG(QVariant, b));
    return result;
}

bool WindowDriver::isShown(const QString &name)
{
    QObject *found = object(name);
    if (!found)
        return false;
    const QVariant opened = found->property("opened");
    return opened.isValid() ? opened.toBool() : found->property("visible").toBool();
}

QString WindowDriver::screenshotFolder()
{
    return QStringLiteral(QUORVEL_SCREENSHOT_DIR);
}

bool WindowDriver::screenshot(const QString &name)
{
    QTest::qWait(60);
    const QImage image = window()->grabWindow();
    if (image.isNull())
        qWarning() << "The window could not be grabbed for" << name;
    QDir().mkpath(screenshotFolder());
    image.save(screenshotFolder() + QLatin1Char('/') + name + QStringLiteral(".png"));
    QSet<QRgb> colours;
    for (int y = 0; y < image.height() && colours.size() < 6; y += 7) {
        for (int x = 0; x < image.width() && colours.size() < 6; x += 7)
            colours.insert(image.pixel(x, y));
    }
    return colours.size() >= 6;
}
