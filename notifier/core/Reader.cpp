#include "core/Reader.h"

#include "core/NotificationKey.h"
#include "logging/Log.h"

Reader::Reader(const QString &filePath, QObject *parent)
    : QObject(parent)
    , m_file(filePath)
{
    QLOG_INFO() << "Reader object has constructed with file path: " << m_file.filePath();
}

QString Reader::filePath() const
{
    return m_file.filePath();
}

QHash<QString, QDateTime> Reader::knownNotifications() const
{
    return m_known;
}

void Reader::read()
{
    QLOG_INFO() << "Reading the notification file";
    const NotificationFile::Contents contents = m_file.read();
    if (!contents.readable) {
        // Nothing is known about the file now; the reminders already armed
        // stay armed rather than being taken for removed.
        return;
    }
    reportDamage(contents.damaged);

    QHash<QString, QDateTime> gone = m_known;
    QSet<QString> stillRejected;
    QLOG_INFO() << "Reading notification count: " << contents.entries.size();
    for (auto it = contents.entries.cbegin(); it != contents.entries.cend(); ++it) {
        const QString &key = it.key();
        const QDateTime moment = usableMoment(key, it.value());
        if (!moment.isValid()) {
            stillRejected.insert(key);
            continue;
        }
        const auto known = gone.find(key);
        if (known != gone.end()) {
            const bool unchanged = known.value() == moment;
            gone.erase(known);
            if (unchanged)
                continue;
        }
        m_known.insert(key, moment);
        QLOG_INFO() << "New notification has been added";
        emit newNotificationAvailable(key, moment);
    }
    m_rejected = stillRejected;

    if (gone.isEmpty())
        return;
    QLOG_INFO() << "Removing notifications. Count: " << gone.size();
    for (auto it = gone.cbegin(); it != gone.cend(); ++it) {
        m_known.remove(it.key());
        emit notificationRemoved(it.key());
    }
}

void Reader::removeNotification(const QString &nId)
{
    // Once the entry is gone from the file it is gone from the view too, so
    // that the main program writing the same key again counts as new.
    if (m_file.remove(nId) == NotificationFile::Removal::Removed)
        m_known.remove(nId);
}

QDateTime Reader::usableMoment(const QString &key, const QVariant &value)
{
    const bool alreadyReported = m_rejected.contains(key);
    const QString problem = NotificationKey::problem(key);
    if (!problem.isEmpty()) {
        if (!alreadyReported)
            QLOG_WARN() << "Ignoring a notification entry: " << problem << ": " << NotificationKey::forLog(key);
        return QDateTime();
    }
    const QDateTime moment = value.toDateTime();
    if (!moment.isValid()) {
        if (!alreadyReported)
            QLOG_WARN() << "Ignoring a notification entry without a valid date and time: "
                        << NotificationKey::forLog(key);
        return QDateTime();
    }
    return moment;
}

void Reader::reportDamage(bool damaged)
{
    if (damaged && !m_damageReported)
        QLOG_WARN() << "The notification file holds lines that cannot be read; reading the entries that can be";
    m_damageReported = damaged;
}
