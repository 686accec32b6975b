#pragma once

#include <QObject>

class QKeyEvent;

// The window's keyboard shortcuts. Installed on the application, it sees
// every key event before the focused item does; a shortcut it acts on is
// consumed, everything else passes on unchanged. Keys that the focused text
// field or open menu needs for itself (undo, Return, arrows, Delete) are left
// to it.
class KeyboardHelper : public QObject
{
    Q_OBJECT
    Q_PROPERTY(bool catchTabKey READ catchTabKey WRITE setCatchTabKey NOTIFY catchTabKeyChanged)

public:
    explicit KeyboardHelper(QObject* parent = nullptr);

    bool catchTabKey() const;

    bool eventFilter(QObject* watched, QEvent* event) override;

    // What the focused object is, by QGuiApplication::focusObject().
    static bool isTextFocus(const QObject* focused);
    static bool isMenuFocus(const QObject* focused);

public slots:
    void setCatchTabKey(bool catchTabKey);

signals:
    void saveRequested();
    void confirmRequested();
    void discardRequested();
    void deleteRequested();
    void searchRequested();
    void newTaskRequested();
    void newQuorvelBoxTaskRequested();
    void newProjectRequested();
    void newFolderRequested();
    void newContextRequested();
    void upActionRequested();
    void selectUpperItemActionRequested();
    void downActionRequested();
    void selectLowerItemActionRequested();
    void undoActionRequested();
    void moveForwardRequested();
    void moveBackRequested();
    void catchTabKeyChanged(bool catchTabKey);

private:
    bool handlePress(const QKeyEvent* event);
    bool handleRelease(const QKeyEvent* event);
    bool handleCtrlShiftPress(int key);
    bool handleCtrlPress(int key, bool textFocus);
    bool handlePlainPress(int key, bool textFocus, bool menuFocus);

    bool m_catchTabKey = false;
};
