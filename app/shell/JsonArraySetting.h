#pragma once

#include <QJsonArray>
#include <QString>

class QSettings;

// Several of our setting files keep a JSON array as the text of one key.
class JsonArraySetting
{
public:
    // The array under key; an absent or blank value is an empty array. When
    // the text is not a JSON array, returns an empty array and says why in
    // *problem (left empty otherwise).
    static QJsonArray read(const QSettings &file, const QString &key, QString *problem);
};
