#pragma once

#include <QDateTime>
#include <QHash>
#include <QObject>
#include <QString>
#include <QTimer>

class NotifierClock;

// Keeps one timer per pending reminder and, when one is due, hands it to the
// main program over its command channel, starting the main program first
// when it does not answer. A checker notices when the wall clock jumped
// (clock set, machine woke up) and re-arms the timers, which run on the
// monotonic clock and would otherwise fire at the old wall-clock moments.
class Notifier : public QObject
{
    Q_OBJECT

public:
    // The longest interval a timer accepts; later reminders are re-armed
    // when their timer runs out.
    static constexpr int MaxTimerInterval = 2147483647;
    static constexpr int CheckerIntervalMs = 5000;
    // A timer that fires less than this before its moment sends at once.
    static constexpr int EarlyToleranceMs = 1000;
    // How long the main program gets to start before the key is sent again.
    static constexpr int StartWaitMs = 5000;

    explicit Notifier(NotifierClock *clock = nullptr, QObject *parent = nullptr);

    // The launcher run when the main program does not answer: by default
    // "QuorvelMinimized" beside the notifier.
    QString launcherPath() const;
    void setLauncherPath(const QString &path);

    int timerCount() const;
    // The interval the reminder's timer runs with, or -1 when it has none.
    int timerInterval(const QString &key) const;

signals:
    void notificationExpired(const QString &nId);

public slots:
    void addNotification(const QString &nId, const QDateTime &dateTime);
    void removeNotification(const QString &nId);
    // One tick of the local-time checker.
    void checkLocalTime();

private:
    void onTimerExpired(const QString &key);
    void deliver(const QString &key);
    void releaseTimer(const QString &key);
    qint64 remainingMs(const QString &key) const;
    static int cappedInterval(qint64 remainingMs);

    NotifierClock *m_clock;
    QHash<QString, QDateTime> m_moments;
    QHash<QString, QTimer *> m_timers;
    QTimer m_checker;
    QDateTime m_lastTick;
    QString m_launcherPath;
};
