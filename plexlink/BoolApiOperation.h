#pragma once

#include "plexlink/ApiOperation.h"

// The outcome of a request whose success carries no payload: result() is
// true after success.
class PLEXLINK_EXPORT BoolApiOperation : public ApiOperation
{
    Q_OBJECT

public:
    explicit BoolApiOperation(QNetworkReply* reply, QObject* parent = nullptr);

private:
    void parseResponse(const QString& response) override;
};
