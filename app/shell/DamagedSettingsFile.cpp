#include "shell/DamagedSettingsFile.h"

#include "logging/Log.h"

#include <QDateTime>
#include <QFile>
#include <QFileInfo>
#include <QSettings>

const char* DamagedSettingsFile::statusText(QSettings::Status status)
{
    switch (status) {
    case QSettings::NoError:
        return "no error";
    case QSettings::AccessError:
        return "access error";
    case QSettings::FormatError:
        return "format error";
    }
    return "unknown error";
}

QString DamagedSettingsFile::keepAside(const QString& path)
{
    const QString keptPath = keptPathFor(path, QDateTime::currentDateTime());
    // A copy rather than the bytes: it keeps the file's permissions.
    QFile file(path);
    if (!file.copy(keptPath)) {
        QLOG_ERROR() << "Unable to keep a copy of the damaged file " << path << " as " << keptPath << ": "
                     << file.errorString();
        return QString();
    }
    return keptPath;
}

QString DamagedSettingsFile::keepAside(const QString& path, const QByteArray& content)
{
    const QString keptPath = keptPathFor(path, QDateTime::currentDateTime());
    QFile kept(keptPath);
    if (!kept.open(QIODevice::WriteOnly) || kept.write(content) != content.size()) {
        QLOG_ERROR() << "Unable to keep the former content of the damaged file " << path << " as " << keptPath
                     << ": " << kept.errorString();
        return QString();
    }
    return keptPath;
}

QString DamagedSettingsFile::keptPathFor(const QString& path, const QDateTime& moment)
{
    const QString stem
        = path + QStringLiteral(".damaged-") + moment.toString(QStringLiteral("yyyyMMdd-HHmmss-zzz"));
    QString keptPath = stem;
    for (int attempt = 2; QFileInfo::exists(keptPath); ++attempt)
        keptPath = stem + QLatin1Char('-') + QString::number(attempt);
    return keptPath;
}

bool DamagedSettingsFile::hasUnreadableLines(const QByteArray& content)
{
    for (const QByteArray& raw : content.split('\n')) {
        const QByteArray line = raw.trimmed();
        if (line.isEmpty() || line.startsWith(';') || line.startsWith('#'))
            continue;
        const bool section = line.startsWith('[') && line.endsWith(']');
        const bool entry = line.indexOf('=') > 0;
        if (!section && !entry)
            return true;
    }
    return false;
}

QVariantMap DamagedSettingsFile::readableEntries(const QSettings& file)
{
    QVariantMap entries;
    const QStringList keys = file.allKeys();
    for (const QString& key : keys) {
        if (!key.isEmpty())
            entries.insert(key, file.value(key));
    }
    return entries;
}

std::unique_ptr<QSettings> DamagedSettingsFile::rewrite(const QString& path, const QVariantMap& entries)
{
    QFile::remove(path);
    auto file = std::make_unique<QSettings>(path, QSettings::IniFormat);
    for (auto it = entries.cbegin(); it != entries.cend(); ++it)
        file->setValue(it.key(), it.value());
    file->sync();
    if (file->status() != QSettings::NoError) {
        QLOG_ERROR() << "Unable to write the readable entries of " << path << " again ("
                     << DamagedSettingsFile::statusText(file->status()) << ")";
    }
    return file;
}
