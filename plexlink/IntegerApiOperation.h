#pragma once

#include "plexlink/ApiOperation.h"

// The outcome of a request whose payload is a number, the server's new
// revision: result() is an int (0 when the text is not a number). A reply
// without a payload element is refused.
class PLEXLINK_EXPORT IntegerApiOperation : public ApiOperation
{
    Q_OBJECT

public:
    explicit IntegerApiOperation(QNetworkReply* reply, QObject* parent = nullptr);

private:
    void parseResponse(const QString& response) override;
};
