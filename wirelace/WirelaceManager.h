#pragma once

#include <QNetworkAccessManager>

// The network access manager behind one Wirelace sender. Replies are children
// of their manager, so deleting the manager while a caller still holds a reply
// would leave the caller with a dangling pointer. The manager therefore counts
// the replies it handed out; once its sender lets go of it, it deletes itself
// after the last of them is gone.
class WirelaceManager : public QNetworkAccessManager
{
    Q_OBJECT

public:
    WirelaceManager();

    // Counts a reply that this manager created for the sender.
    void track(QNetworkReply* reply);
    // The sender is gone: delete now when no reply is alive, else after the last one.
    void release();

    int liveReplies() const { return m_liveReplies; }

private:
    void onReplyDestroyed();

    int m_liveReplies = 0;
    bool m_released = false;
};
