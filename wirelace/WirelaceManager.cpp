#include "wirelace/WirelaceManager.h"

#include <QNetworkReply>

WirelaceManager::WirelaceManager()
{
    setRedirectPolicy(QNetworkRequest::NoLessSafeRedirectPolicy);
}

void WirelaceManager::track(QNetworkReply* reply)
{
    ++m_liveReplies;
    connect(reply, &QObject::destroyed, this, &WirelaceManager::onReplyDestroyed);
}

void WirelaceManager::release()
{
    m_released = true;
    // No reply exists, so no reply signal can be running through this object.
    if (m_liveReplies == 0)
        delete this;
}

void WirelaceManager::onReplyDestroyed()
{
    --m_liveReplies;
    // The dying reply is still our child here; delete once it is gone.
    if (m_released && m_liveReplies == 0)
        deleteLater();
}
