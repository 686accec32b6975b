#pragma once

#include <QByteArray>
#include <QUrl>

#include <memory>

// A stand-in for the sync server on 127.0.0.1, in a thread of its own: the
// download answers with a prepared change list, every upload is taken and
// answered with the next revision.
class BenchSyncServer
{
public:
    BenchSyncServer();
    ~BenchSyncServer();

    bool start();
    void stop();
    // The base address to put in QUORVEL_SYNC_URL.
    QUrl baseUrl() const;

    // The body of every get_changes_ex answer from now on.
    void setChanges(const QByteArray& body);
    int uploadCount() const;

private:
    struct Private;
    std::unique_ptr<Private> d;
};
