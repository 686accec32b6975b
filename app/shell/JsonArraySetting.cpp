#include "shell/JsonArraySetting.h"

#include <QJsonDocument>
#include <QJsonParseError>
#include <QSettings>
#include <QStringList>

QJsonArray JsonArraySetting::read(const QSettings &file, const QString &key, QString *problem)
{
    problem->clear();
    const QVariant value = file.value(key);
    if (!value.isValid())
        return QJsonArray();
    // Text written by hand without quotes comes back from QSettings as a
    // list cut at its commas; joined it is the text again.
    const QString text = value.type() == QVariant::StringList ? value.toStringList().join(QLatin1Char(','))
                                                              : value.toString();
    if (text.trimmed().isEmpty())
        return QJsonArray();

    QJsonParseError error;
    const QJsonDocument document = QJsonDocument::fromJson(text.toUtf8(), &error);
    if (error.error != QJsonParseError::NoError) {
        *problem = error.errorString();
        return QJsonArray();
    }
    if (!document.isArray()) {
        *problem = QStringLiteral("not an array");
        return QJsonArray();
    }
    return document.array();
}
