#pragma once

#include <QByteArray>
#include <QList>
#include <QString>

// INI values in QSettings' variant form that a damaged or hostile file may
// hold, one of each kind that makes QDataStream build something it should
// not: containers claiming two thousand million items (the allocation
// aborts the process), a type named by text, an image, a time zone named by
// a path, a colour of no known model, and the same hidden behind escapes,
// quotes and lists. Each text stands as it would after "key=".
class HostileSettings
{
public:
    struct Value
    {
        QString kind;
        QByteArray text;
    };

    static QList<Value> values();
    // Only the kinds that end the process when QSettings reads them.
    static QList<Value> fatalValues();

    // The bytes as the INI format escapes them: "\xNN" for every byte.
    static QByteArray escaped(const QByteArray& bytes);
    // "@Variant(" + escaped(payload) + ")" and the same for "@DateTime(".
    static QByteArray variant(const QByteArray& payload);
    static QByteArray dateTime(const QByteArray& payload);

    // One "<key>=<text>" line per value, keys "hostile_1", "hostile_2", ...
    static QByteArray lines(const QList<Value>& values);
};
