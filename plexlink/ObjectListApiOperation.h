#pragma once

#include "plexlink/ApiOperation.h"

#include <QVariantMap>

// The outcome of get_changes_ex: result() is a QVariantList whose first item
// is the server's revision (an int, 0 when the text is not a number),
// followed by one QVariantMap per object element after the payload element.
// An object map holds "TYPE", the element's tag name unchanged, and per
// child element the upper-cased tag name with its text: "START" and "DUE" as
// UTC QDateTime from seconds (0 gives an invalid one), "FOLDER" as int,
// anything else as QString with "NULL" read as empty. A reply without a
// payload element is refused.
class PLEXLINK_EXPORT ObjectListApiOperation : public ApiOperation
{
    Q_OBJECT

public:
    explicit ObjectListApiOperation(QNetworkReply* reply, QObject* parent = nullptr);

private:
    void parseResponse(const QString& response) override;

    static QVariantMap readObject(const QDomElement& element);
};
