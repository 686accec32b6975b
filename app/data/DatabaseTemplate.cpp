#include "data/DatabaseTemplate.h"

#include "logging/Log.h"
#include "shell/AppResources.h"

#include <QDir>
#include <QFile>
#include <QFileInfo>

QString DatabaseTemplate::resourcePath()
{
    return QStringLiteral(":/quorvel_data.db");
}

bool DatabaseTemplate::unpackTo(const QString& path)
{
    AppResources::initialize();

    if (QFileInfo::exists(path) || QFileInfo(path).isSymLink()) {
        QLOG_ERROR() << "Unable to unpack the database template: " << path << " already exists.";
        return false;
    }
    QFile resource(resourcePath());
    if (!resource.exists()) {
        QLOG_ERROR() << "Unable to unpack the database template: the resource " << resourcePath()
                     << " is missing.";
        return false;
    }

    QDir().mkpath(QFileInfo(path).absolutePath());
    // QFile::copy writes into a temporary file beside the target and renames
    // it, so an interrupted copy never leaves a truncated database behind.
    if (!resource.copy(path)) {
        QLOG_ERROR() << "Unable to unpack the database template to " << path << ": "
                     << resource.errorString();
        return false;
    }

    // The copy inherits the read-only mode of the resource. The database
    // holds personal data, so only its owner may read or write it.
    if (!QFile::setPermissions(path,
            QFileDevice::ReadOwner | QFileDevice::WriteOwner | QFileDevice::ReadUser
                | QFileDevice::WriteUser)) {
        QLOG_ERROR() << "Unable to make the unpacked database writable: " << path;
        QFile::remove(path);
        return false;
    }
    return true;
}
