#pragma once

#include "plexlink/PlexlinkExport.h"

#include <QString>
#include <QUrl>

// Where the sync server lives: the address built into the library, or the
// one in QUORVEL_SYNC_URL (see ServiceAddress for what is accepted). Its path
// always ends in "/api/1/"; method names are appended to it.
class PLEXLINK_EXPORT SyncServerAddress
{
public:
    static constexpr const char* Variable = "QUORVEL_SYNC_URL";

    static QUrl baseUrl();
    static QString builtInAddress();
    static QString pathEnding() { return QStringLiteral("/api/1/"); }
};
