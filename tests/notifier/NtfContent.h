#pragma once

#include <QByteArray>
#include <QDateTime>
#include <QString>
#include <QVariantMap>

// Notification files as the main program writes them (QSettings, INI), made
// and read without QSettings' per-process cache, which could otherwise
// answer a test from an earlier case's view of the same path.
class NtfContent
{
public:
    static QString key(const QString &taskId, const QString &kind, const QDateTime &moment);
    // An entry the way the main program schedules it.
    static QVariantMap entry(const QString &taskId, const QDateTime &moment,
                             const QString &kind = QStringLiteral("DUEDATE"));

    static QByteArray bytes(const QVariantMap &entries);
    static void write(const QString &path, const QVariantMap &entries);
    static void writeBytes(const QString &path, const QByteArray &bytes);
    static QVariantMap read(const QString &path);
    static QByteArray readBytes(const QString &path);

    // The notification file and the notifier's log in the sandboxed home.
    static QString filePath();
    static QString logPath();
};
