#include "shell/KeyboardHelper.h"

#include <QGuiApplication>
#include <QKeyEvent>

KeyboardHelper::KeyboardHelper(QObject* parent)
    : QObject(parent)
{
}

bool KeyboardHelper::catchTabKey() const
{
    return m_catchTabKey;
}

void KeyboardHelper::setCatchTabKey(bool catchTabKey)
{
    if (m_catchTabKey == catchTabKey)
        return;
    m_catchTabKey = catchTabKey;
    emit catchTabKeyChanged(m_catchTabKey);
}

bool KeyboardHelper::isTextFocus(const QObject* focused)
{
    if (!focused)
        return false;
    // Controls' text fields are QML types derived from the two text items, so
    // their own class names say nothing; the inheritance chain does.
    return focused->inherits("QQuickTextInput") || focused->inherits("QQuickTextEdit")
        || QLatin1String(focused->metaObject()->className()).contains(QLatin1String("TextInputWithHandles"));
}

bool KeyboardHelper::isMenuFocus(const QObject* focused)
{
    if (!focused)
        return false;
    if (QLatin1String(focused->metaObject()->className()).contains(QLatin1String("MenuContentItem")))
        return true;
    // An open menu of Quick Controls 2 focuses its popup item or one of its
    // entries, both owned by the menu.
    const QObject* owner = focused->parent();
    return focused->inherits("QQuickMenuItem") || (owner && owner->inherits("QQuickMenu"));
}

bool KeyboardHelper::eventFilter(QObject* watched, QEvent* event)
{
    // A key event reaches the filter once for the window and again for each
    // item it is delivered to; the decision depends only on the key and the
    // focused object, so an event that is let through is let through every
    // time, and a consumed one never arrives twice.
    if (event->type() == QEvent::KeyPress)
        return handlePress(static_cast<QKeyEvent*>(event));
    if (event->type() == QEvent::KeyRelease)
        return handleRelease(static_cast<QKeyEvent*>(event));
    return QObject::eventFilter(watched, event);
}

bool KeyboardHelper::handlePress(const QKeyEvent* event)
{
    const Qt::KeyboardModifiers modifiers = event->modifiers();
    const bool ctrl = modifiers.testFlag(Qt::ControlModifier);
    const bool shift = modifiers.testFlag(Qt::ShiftModifier);
    const int key = event->key();
    const QObject* focused = QGuiApplication::focusObject();

    if (ctrl && shift)
        return handleCtrlShiftPress(key);
    // Only Ctrl alone: Ctrl+Alt+F is a character on some layouts.
    if (modifiers == Qt::ControlModifier && key == Qt::Key_F) {
        emit searchRequested();
        return true;
    }
    if (ctrl)
        return handleCtrlPress(key, isTextFocus(focused));
    if ((modifiers & ~Qt::KeypadModifier) == Qt::NoModifier)
        return handlePlainPress(key, isTextFocus(focused), isMenuFocus(focused));
    return false;
}

bool KeyboardHelper::handleCtrlShiftPress(int key)
{
    switch (key) {
    case Qt::Key_C:
        emit newContextRequested();
        return true;
    case Qt::Key_F:
        emit newFolderRequested();
        return true;
    case Qt::Key_N:
        emit newQuorvelBoxTaskRequested();
        return true;
    case Qt::Key_P:
        emit newProjectRequested();
        return true;
    default:
        return false;
    }
}

bool KeyboardHelper::handleCtrlPress(int key, bool textFocus)
{
    switch (key) {
    case Qt::Key_N:
        emit newTaskRequested();
        return true;
    case Qt::Key_S:
    case Qt::Key_Return:
    case Qt::Key_Enter:
        emit saveRequested();
        return true;
    case Qt::Key_Z:
        // A text field undoes its own typing.
        if (textFocus)
            return false;
        emit undoActionRequested();
        return true;
    default:
        return false;
    }
}

bool KeyboardHelper::handlePlainPress(int key, bool textFocus, bool menuFocus)
{
    switch (key) {
    case Qt::Key_Escape:
        if (menuFocus)
            return false;
        emit discardRequested();
        return true;
    case Qt::Key_Return:
    case Qt::Key_Enter:
        if (textFocus || menuFocus)
            return false;
        emit confirmRequested();
        return true;
    case Qt::Key_Delete:
        if (textFocus)
            return false;
        emit deleteRequested();
        return true;
    case Qt::Key_Up:
        if (textFocus || menuFocus)
            return false;
        emit upActionRequested();
        return true;
    case Qt::Key_Down:
        if (textFocus || menuFocus)
            return false;
        emit downActionRequested();
        return true;
    default:
        return false;
    }
}

bool KeyboardHelper::handleRelease(const QKeyEvent* event)
{
    const int key = event->key();
    if (m_catchTabKey && key == Qt::Key_Tab) {
        emit moveForwardRequested();
        return true;
    }
    if (m_catchTabKey && key == Qt::Key_Backtab) {
        emit moveBackRequested();
        return true;
    }
    if (!event->modifiers().testFlag(Qt::ShiftModifier) || (key != Qt::Key_Up && key != Qt::Key_Down))
        return false;
    const QObject* focused = QGuiApplication::focusObject();
    if (isTextFocus(focused) || isMenuFocus(focused))
        return false;
    if (key == Qt::Key_Up)
        emit selectUpperItemActionRequested();
    else
        emit selectLowerItemActionRequested();
    return true;
}
