#include "core/Notifier.h"

#include "core/AppLauncher.h"
#include "core/AppMessenger.h"
#include "core/NotifierClock.h"
#include "logging/Log.h"

#include <QEventLoop>

#include <algorithm>

Notifier::Notifier(NotifierClock *clock, QObject *parent)
    : QObject(parent)
    , m_clock(clock ? clock : NotifierClock::system())
    , m_launcherPath(AppLauncher::defaultPath())
{
    QLOG_INFO() << "Notifier object has constructed";
    m_lastTick = m_clock->now();
    QLOG_INFO() << "Current local time: " << m_lastTick.toString(QStringLiteral("dd.MM.yyyy hh:mm:ss.zzz"));
    // A coarse timer may run up to 5 % off, which alone would leave the
    // window in which a tick counts as on time.
    m_checker.setTimerType(Qt::PreciseTimer);
    m_checker.setInterval(CheckerIntervalMs);
    connect(&m_checker, &QTimer::timeout, this, &Notifier::checkLocalTime);
    m_checker.start();
    QLOG_INFO() << "Local time checker has started";
}

QString Notifier::launcherPath() const
{
    return m_launcherPath;
}

void Notifier::setLauncherPath(const QString &path)
{
    m_launcherPath = path;
}

int Notifier::timerCount() const
{
    return m_timers.size();
}

int Notifier::timerInterval(const QString &key) const
{
    const QTimer *timer = m_timers.value(key);
    return timer ? timer->interval() : -1;
}

void Notifier::addNotification(const QString &nId, const QDateTime &dateTime)
{
    QLOG_INFO() << "Adding a new notification";
    // A key read again with another moment must not leave its old timer
    // running: it would fire at the old moment as well.
    releaseTimer(nId);
    m_moments.insert(nId, dateTime);
    const qint64 remaining = remainingMs(nId);
    if (remaining <= 0) {
        m_moments.remove(nId);
        emit notificationExpired(nId);
        QLOG_WARN() << "DateTime of the new notification is overdue";
        return;
    }
    QLOG_INFO() << "Setting up the timer's interval";
    auto *timer = new QTimer(this);
    // Reminders are due at a moment, not roughly around it.
    timer->setTimerType(Qt::PreciseTimer);
    timer->setSingleShot(true);
    timer->setInterval(cappedInterval(remaining));
    connect(timer, &QTimer::timeout, this, [this, nId] { onTimerExpired(nId); });
    m_timers.insert(nId, timer);
    timer->start();
    QLOG_INFO() << "Timer has started.";
}

void Notifier::removeNotification(const QString &nId)
{
    QLOG_INFO() << "Removing a notification";
    if (!m_timers.contains(nId)) {
        QLOG_WARN() << "Unable to remove a notification. ID is wrong.";
        return;
    }
    releaseTimer(nId);
    m_moments.remove(nId);
    QLOG_INFO() << "Notification removed";
}

void Notifier::checkLocalTime()
{
    const QDateTime now = m_clock->now();
    const qint64 elapsed = m_lastTick.msecsTo(now);
    m_lastTick = now;
    if (elapsed >= 4800 && elapsed < 7000)
        return;
    QLOG_WARN() << "Local time has changed! Difference: " << elapsed;
    QLOG_WARN() << "Notification count: " << m_timers.size();
    const QStringList keys = m_timers.keys();
    for (const QString &key : keys) {
        QTimer *timer = m_timers.value(key);
        timer->stop();
        const qint64 remaining = remainingMs(key);
        if (remaining > 0) {
            timer->setInterval(cappedInterval(remaining));
            timer->start();
        } else {
            // Missed while the clock was elsewhere: dropped without showing.
            // The entry stays in the file and is dropped as overdue at the
            // next start.
            releaseTimer(key);
            m_moments.remove(key);
        }
    }
    QLOG_INFO() << "All the timers have been updated!";
}

void Notifier::onTimerExpired(const QString &key)
{
    QTimer *timer = m_timers.value(key);
    if (!timer)
        return;
    const qint64 remaining = remainingMs(key);
    if (remaining > EarlyToleranceMs) {
        QLOG_INFO() << "Reschedule notification";
        timer->setInterval(cappedInterval(remaining));
        timer->start();
        return;
    }
    QLOG_INFO() << "Starting to send a notification";
    releaseTimer(key);
    m_moments.remove(key);
    // The entry leaves the file now, whether or not the main program can be reached.
    emit notificationExpired(key);
    deliver(key);
}

void Notifier::deliver(const QString &key)
{
    if (AppMessenger::sendNotification(key))
        return;
    QLOG_INFO() << "Trying to start the Quorvel app";
    if (!AppLauncher::start(m_launcherPath)) {
        QLOG_ERROR() << "Unable to start the Quorvel app! Path is " << AppLauncher::urlOf(m_launcherPath);
        return;
    }
    QLOG_INFO() << "The Quorvel app has started successfully";
    QEventLoop loop;
    QTimer::singleShot(StartWaitMs, &loop, &QEventLoop::quit);
    loop.exec();
    AppMessenger::sendNotification(key);
}

void Notifier::releaseTimer(const QString &key)
{
    QTimer *timer = m_timers.take(key);
    if (!timer)
        return;
    timer->stop();
    // Possibly the timer whose timeout is being handled right now.
    timer->deleteLater();
}

qint64 Notifier::remainingMs(const QString &key) const
{
    return m_clock->now().msecsTo(m_moments.value(key));
}

int Notifier::cappedInterval(qint64 remainingMs)
{
    return int(std::min<qint64>(remainingMs, MaxTimerInterval));
}
