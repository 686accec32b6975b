#include "shell/ReminderWindowStack.h"

#include "logging/Log.h"

#include <QAudioDeviceInfo>
#include <QGuiApplication>
#include <QQmlEngine>
#include <QScreen>
#include <QSoundEffect>
#include <QUrl>
#include <QWindow>

#include <algorithm>

namespace {

const char *const NotificationSound = "qrc:/sounds/notification_win.wav";

// One effect for the life of the program: reminders come seldom, and a
// machine without an audio output is asked only once.
void playNotificationSound()
{
    static QSoundEffect *effect = nullptr;
    static bool checked = false;
    if (!checked) {
        checked = true;
        if (QAudioDeviceInfo::defaultOutputDevice().isNull()) {
            QLOG_INFO() << "No audio output: reminders are shown without their sound.";
            return;
        }
        effect = new QSoundEffect(qApp);
        effect->setSource(QUrl(QString::fromLatin1(NotificationSound)));
    }
    if (effect)
        effect->play();
}

} // namespace

ReminderWindowStack::ReminderWindowStack(QObject *parent)
    : QObject(parent)
{
}

ReminderWindowStack::~ReminderWindowStack() = default;

void ReminderWindowStack::setScreenGeometry(const ScreenGeometry &geometry)
{
    m_screenGeometry = geometry;
    arrange();
}

void ReminderWindowStack::setSoundPlayer(const SoundPlayer &player)
{
    m_soundPlayer = player;
}

int ReminderWindowStack::capacityFor(int screenHeight)
{
    return std::max(1, (screenHeight - ReservedHeight) / Step);
}

QPoint ReminderWindowStack::positionFor(const QRect &screen, int index)
{
    return QPoint(screen.x() + screen.width() - RightOffset, screen.y() + TopOffset + Step * index);
}

int ReminderWindowStack::capacity() const
{
    return capacityFor(screen().height());
}

int ReminderWindowStack::count() const
{
    return m_windows.size();
}

QList<QWindow *> ReminderWindowStack::windows() const
{
    QList<QWindow *> windows;
    for (const QPointer<QWindow> &window : m_windows) {
        if (window)
            windows.append(window);
    }
    return windows;
}

void ReminderWindowStack::push(QWindow *window)
{
    if (!window) {
        QLOG_WARN() << "A reminder window could not be made; the reminder is not shown.";
        return;
    }
    if (m_windows.contains(window))
        return;
    while (!m_windows.isEmpty() && m_windows.size() >= capacity()) {
        QWindow *oldest = m_windows.last();
        take(oldest);
        if (oldest)
            oldest->hide();
    }
    // The window was made by the interface and is referred to only from
    // here now; the engine must not collect it while it is on screen.
    QQmlEngine::setObjectOwnership(window, QQmlEngine::CppOwnership);
    m_windows.prepend(window);
    connect(window, &QWindow::visibleChanged, this, [this, window](bool visible) {
        if (!visible)
            take(window);
    });
    // A window deleted by someone else leaves a hole that must close up.
    connect(window, &QObject::destroyed, this, [this] {
        m_windows.removeAll(QPointer<QWindow>());
        arrange();
        emit countChanged(count());
    });
    arrange();
    window->show();
    playSound();
    emit countChanged(count());
}

QRect ReminderWindowStack::screen() const
{
    if (m_screenGeometry)
        return m_screenGeometry();
    const QScreen *primary = QGuiApplication::primaryScreen();
    return primary ? primary->geometry() : QRect();
}

void ReminderWindowStack::take(QWindow *window)
{
    const int index = m_windows.indexOf(window);
    if (index < 0)
        return;
    m_windows.removeAt(index);
    if (window) {
        disconnect(window, nullptr, this, nullptr);
        window->deleteLater();
    }
    arrange();
    emit countChanged(count());
}

void ReminderWindowStack::arrange()
{
    const QRect area = screen();
    int index = 0;
    for (const QPointer<QWindow> &window : qAsConst(m_windows)) {
        if (window)
            window->setPosition(positionFor(area, index++));
    }
}

void ReminderWindowStack::playSound()
{
    if (m_soundPlayer)
        m_soundPlayer();
    else
        playNotificationSound();
}
