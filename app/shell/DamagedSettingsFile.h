#pragma once

#include <QSettings>
#include <QString>
#include <QVariantMap>

#include <memory>

class QByteArray;
class QDateTime;

// The steps for an INI file that QSettings could not read in full. A handle
// that met such a file reports FormatError for the rest of its life, and its
// next write drops whatever it skipped; so the file is kept aside, then
// started again from the entries that could be read, on a new handle. What
// to do when keeping it aside fails is the caller's decision.
class DamagedSettingsFile
{
public:
    // A settings status as words for log lines.
    static const char* statusText(QSettings::Status status);

    // Copies the file as it is now beside it, named by keptPathFor(). Returns
    // the copy's path, or '' when no copy could be made (logged as an error).
    static QString keepAside(const QString& path);
    // The same for content read earlier, when the file itself may already
    // have been written over.
    static QString keepAside(const QString& path, const QByteArray& content);

    // "<path>.damaged-<yyyyMMdd-HHmmss-zzz>" for the moment, with "-2", "-3"...
    // added while that name is taken: an earlier copy is never replaced.
    static QString keptPathFor(const QString& path, const QDateTime& moment);

    // Whether the text holds lines that QSettings skips, mostly without
    // saying so, and would drop at its next write: anything but blank lines,
    // comments, sections and "key=value" lines.
    static bool hasUnreadableLines(const QByteArray& content);

    // Every entry the handle could read. An empty key is left out: QSettings
    // cannot write one.
    static QVariantMap readableEntries(const QSettings& file);

    // Removes the file and writes the entries to it on a new handle, which is
    // returned; a failed write is logged and shows in the handle's status.
    // The handle that read the file must be gone first.
    static std::unique_ptr<QSettings> rewrite(const QString& path, const QVariantMap& entries);
};
