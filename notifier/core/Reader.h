#pragma once

#include "core/NotificationFile.h"

#include <QDateTime>
#include <QHash>
#include <QObject>
#include <QSet>
#include <QString>

// The notifier's view of the notification file: which reminders it holds
// and at which moments. Every read compares the file with the view and
// reports what appeared, moved or went away.
class Reader : public QObject
{
    Q_OBJECT

public:
    explicit Reader(const QString &filePath, QObject *parent = nullptr);

    QString filePath() const;
    // The reminders known from the last read.
    QHash<QString, QDateTime> knownNotifications() const;

signals:
    void newNotificationAvailable(const QString &objectStr, const QDateTime &dateTime);
    void notificationRemoved(const QString &objectStr);

public slots:
    void read();
    void removeNotification(const QString &nId);

private:
    // The entry's moment, or an invalid one (logged once) when the entry is
    // not a reminder the notifier can arm.
    QDateTime usableMoment(const QString &key, const QVariant &value);
    void reportDamage(bool damaged);

    NotificationFile m_file;
    QHash<QString, QDateTime> m_known;
    // Entries already reported as unusable, so each is logged once while it stays.
    QSet<QString> m_rejected;
    bool m_damageReported = false;
};
