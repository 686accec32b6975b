#include "ExportRequestGuard.h"

#include "ExportSchemeHandler.h"

#include <QMutexLocker>

void ExportRequestGuard::interceptRequest(QWebEngineUrlRequestInfo& info)
{
    const QString scheme = info.requestUrl().scheme();
    if (scheme == QLatin1String(ExportSchemeHandler::Scheme) || scheme == QLatin1String("data"))
        return;
    info.block(true);
    QMutexLocker lock(&m_mutex);
    m_blocked.append(info.requestUrl().toString());
}

QStringList ExportRequestGuard::blockedUrls() const
{
    QMutexLocker lock(&m_mutex);
    return m_blocked;
}
