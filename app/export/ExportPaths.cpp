#include "export/ExportPaths.h"

#include <QStandardPaths>

QString ExportPaths::plainExportFolder()
{
    return QStandardPaths::writableLocation(QStandardPaths::DocumentsLocation)
        + QStringLiteral("/QuorvelExport/");
}

QString ExportPaths::styledExportFolder(const QString& setting)
{
    // An empty setting would otherwise put the file into the file system's root.
    const QString folder
        = setting.isEmpty() ? QStandardPaths::writableLocation(QStandardPaths::DocumentsLocation) : setting;
    return folder.endsWith(QLatin1Char('/')) ? folder : folder + QLatin1Char('/');
}

QString ExportPaths::safeFileName(const QString& name, const QString& fallback)
{
    QString safe = name;
    for (QChar& c : safe) {
        if (c == QLatin1Char('/') || c == QLatin1Char('\\') || c.category() == QChar::Other_Control)
            c = QLatin1Char('_');
    }
    const QString trimmed = safe.trimmed();
    if (trimmed.isEmpty() || trimmed.count(QLatin1Char('.')) == trimmed.size())
        return fallback;
    return safe;
}
