#pragma once

#include <QString>

// Where exported files go and what they may be called.
class ExportPaths
{
public:
    // The documents folder + "/QuorvelExport/", for the plain PDF export.
    static QString plainExportFolder();
    // The folder setting of the styled export, always ending in "/".
    static QString styledExportFolder(const QString& setting);
    // A name that stays one file inside its folder: path separators and
    // control characters become "_", and a name of dots alone (".", "..")
    // or nothing at all becomes fallback.
    static QString safeFileName(const QString& name, const QString& fallback);
};
