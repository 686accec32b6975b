// The sync server's replies as Plexlink reads them, for each kind of
// operation: the first byte of an input picks the operation, the rest is
// the reply's body.

#include "FuzzSetup.h"
#include "plexlink/BoolApiOperation.h"
#include "plexlink/IntegerApiOperation.h"
#include "plexlink/ObjectApiOperation.h"
#include "plexlink/ObjectListApiOperation.h"

#include <QCoreApplication>
#include <QNetworkReply>

#include <cstdint>
#include <cstdlib>
#include <cstring>

namespace {

// A reply that has all of its body already and finishes when told to.
class CannedReply : public QNetworkReply
{
public:
    explicit CannedReply(const QByteArray& body)
        : m_body(body)
    {
        setUrl(QUrl(QStringLiteral("http://127.0.0.1/api/1/get_changes_ex")));
        setOperation(QNetworkAccessManager::PostOperation);
        setAttribute(QNetworkRequest::HttpStatusCodeAttribute, 200);
        setHeader(QNetworkRequest::ContentLengthHeader, m_body.size());
        open(QIODevice::ReadOnly | QIODevice::Unbuffered);
    }

    void finish()
    {
        setFinished(true);
        emit finished();
    }

    void abort() override { }
    bool isSequential() const override { return true; }
    qint64 bytesAvailable() const override
    {
        return m_body.size() - m_offset + QNetworkReply::bytesAvailable();
    }

protected:
    qint64 readData(char* data, qint64 maxSize) override
    {
        const qint64 count = qMin(maxSize, qint64(m_body.size()) - m_offset);
        if (count <= 0)
            return m_offset >= m_body.size() ? -1 : 0;
        std::memcpy(data, m_body.constData() + m_offset, size_t(count));
        m_offset += count;
        return count;
    }

private:
    QByteArray m_body;
    qint64 m_offset = 0;
};

ApiOperation* operationFor(char kind, QNetworkReply* reply)
{
    switch (uchar(kind) % 4) {
    case 0:
        return new ObjectListApiOperation(reply);
    case 1:
        return new IntegerApiOperation(reply);
    case 2:
        return new BoolApiOperation(reply);
    default:
        return new ObjectApiOperation(reply);
    }
}

} // namespace

extern "C" int LLVMFuzzerInitialize(int* argc, char*** argv)
{
    FuzzSetup::enter(argc, argv, FuzzSetup::Application::Core);
    return 0;
}

extern "C" int LLVMFuzzerTestOneInput(const uint8_t* data, size_t size)
{
    if (size == 0)
        return 0;
    auto* reply = new CannedReply(QByteArray(reinterpret_cast<const char*>(data) + 1, int(size - 1)));
    ApiOperation* operation = operationFor(char(data[0]), reply);
    reply->finish();
    if (!operation->isFinished())
        std::abort();
    // A refused reply carries no result; an accepted one no error.
    if (operation->errorCode() != -1 && operation->result().isValid())
        std::abort();
    operation->result().toList();
    delete operation;
    // The reply goes with deleteLater().
    QCoreApplication::sendPostedEvents(nullptr, QEvent::DeferredDelete);
    return 0;
}
