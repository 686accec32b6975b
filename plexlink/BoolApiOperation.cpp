#include "plexlink/BoolApiOperation.h"

BoolApiOperation::BoolApiOperation(QNetworkReply* reply, QObject* parent)
    : ApiOperation(reply, parent)
{
}

void BoolApiOperation::parseResponse(const QString&)
{
    setResult(true);
}
