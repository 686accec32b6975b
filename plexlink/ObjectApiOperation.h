#pragma once

#include "plexlink/ApiOperation.h"

// The outcome of a request for one object: result() is a QVariantMap from
// each child element's upper-cased tag name to its text. A reply without a
// payload element is refused.
class PLEXLINK_EXPORT ObjectApiOperation : public ApiOperation
{
    Q_OBJECT

public:
    explicit ObjectApiOperation(QNetworkReply* reply, QObject* parent = nullptr);

private:
    void parseResponse(const QString& response) override;
};
