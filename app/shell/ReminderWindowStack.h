#pragma once

#include <QList>
#include <QObject>
#include <QPoint>
#include <QPointer>
#include <QRect>

#include <functional>

class QWindow;

// The reminder windows that are open, as a stack in the top right corner of
// the screen: the newest on top, each of the others one place lower, at most
// as many as fit the screen's height. The stack places the windows, shows
// them with the reminder sound, closes the oldest when a new one does not
// fit, and lets the rest close up when one is hidden; a hidden window leaves
// the stack and is deleted.
class ReminderWindowStack : public QObject
{
    Q_OBJECT
    Q_PROPERTY(int count READ count NOTIFY countChanged)

public:
    static constexpr int RightOffset = 420;
    static constexpr int TopOffset = 20;
    static constexpr int Step = 100;
    // Kept free at the bottom of the screen (a task bar).
    static constexpr int ReservedHeight = 40;

    using ScreenGeometry = std::function<QRect()>;
    using SoundPlayer = std::function<void()>;

    explicit ReminderWindowStack(QObject *parent = nullptr);
    ~ReminderWindowStack() override;

    // The screen the stack stands on; the primary screen unless set (tests).
    void setScreenGeometry(const ScreenGeometry &geometry);
    // What plays the reminder sound; "qrc:/sounds/notification_win.wav"
    // unless set (tests).
    void setSoundPlayer(const SoundPlayer &player);

    // How many windows a screen of that height holds: (height - 40) / 100,
    // rounded down, but never less than one, so that a reminder is always shown.
    static int capacityFor(int screenHeight);
    // Where window index (0 = the newest) of the stack stands on screen.
    static QPoint positionFor(const QRect &screen, int index);

    int capacity() const;
    int count() const;
    // Newest first.
    QList<QWindow *> windows() const;

    // Puts window on top of the stack and shows it; when the stack is full,
    // the oldest window is closed first.
    Q_INVOKABLE void push(QWindow *window);

signals:
    void countChanged(int count);

private:
    QRect screen() const;
    void take(QWindow *window);
    void arrange();
    void playSound();

    QList<QPointer<QWindow>> m_windows;
    ScreenGeometry m_screenGeometry;
    SoundPlayer m_soundPlayer;
};
