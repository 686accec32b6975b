#include "support/HostileSettings.h"

namespace {

QByteArray be32(quint32 value)
{
    QByteArray bytes(4, '\0');
    for (int i = 0; i < 4; ++i)
        bytes[i] = char((value >> (24 - 8 * i)) & 0xff);
    return bytes;
}

// QDataStream's numbers: QVariantList, QStringList, a user type by name,
// QImage, QRegion, QColor, QDateTime.
const quint32 ListType = 9;
const quint32 StringListType = 11;
const quint32 UserType = 127;
const quint32 ImageType = 70;
const quint32 RegionType = 72;
const quint32 ColorType = 67;
const quint32 DateTimeType = 16;

QByteArray hugeList()
{
    return be32(ListType) + be32(0x7fffffff);
}

} // namespace

QByteArray HostileSettings::escaped(const QByteArray& bytes)
{
    QByteArray text;
    for (const char c : bytes)
        text += "\\x" + QByteArray::number(uchar(c), 16);
    return text;
}

QByteArray HostileSettings::variant(const QByteArray& payload)
{
    return "@Variant(" + escaped(payload) + ')';
}

QByteArray HostileSettings::dateTime(const QByteArray& payload)
{
    return "@DateTime(" + escaped(payload) + ')';
}

QList<HostileSettings::Value> HostileSettings::fatalValues()
{
    return {
        { QStringLiteral("huge list"), variant(hugeList()) },
        { QStringLiteral("huge string list"), variant(be32(StringListType) + be32(0x7fffffff)) },
        // The date-time form reads whatever type its bytes name, too.
        { QStringLiteral("huge list as a date-time"), dateTime(be32(ListType) + '\0' + be32(0x7fffffff)) },
        // The marker itself escaped: "\x40" is "@".
        { QStringLiteral("escaped marker"), "\\x40Variant(" + escaped(hugeList()) + ')' },
        { QStringLiteral("octal marker"), "\\100Variant(" + escaped(hugeList()) + ')' },
        { QStringLiteral("quoted"), '"' + variant(hugeList()) + '"' },
        { QStringLiteral("list item"), "1, plain, " + variant(hugeList()) },
    };
}

QList<HostileSettings::Value> HostileSettings::values()
{
    QList<Value> all = fatalValues();
    QByteArray tz = be32(DateTimeType) + '\0' + QByteArray(8, '\0') + QByteArray(4, '\0') + '\x03';
    // The zone's name as QDataStream writes a QString: UTF-16, big-endian.
    const QByteArray zone = "../../../../../dev/zero";
    tz += be32(quint32(2 * zone.size()));
    for (const char c : zone)
        tz += QByteArray(1, '\0') + c;
    all += {
        { QStringLiteral("type by name"), variant(be32(UserType) + be32(5) + QByteArray("QFoo\0", 5)) },
        { QStringLiteral("image"), variant(be32(ImageType) + be32(1) + QByteArray("\x89PNG\r\n\x1a\n", 8)) },
        { QStringLiteral("huge region"), variant(be32(RegionType) + be32(0x7fffffff)) },
        { QStringLiteral("time zone by path"), dateTime(tz) },
        { QStringLiteral("colour of no model"),
            variant(be32(ColorType) + QByteArray(1, '\x09') + QByteArray(10, '\x01')) },
        { QStringLiteral("truncated colour"), variant(be32(ColorType) + QByteArray(1, '\x01')) },
        { QStringLiteral("unknown type"), variant(be32(0xfffffff0) + be32(1)) },
    };
    return all;
}

QByteArray HostileSettings::lines(const QList<Value>& values)
{
    QByteArray text;
    int n = 0;
    for (const Value& value : values)
        text += "hostile_" + QByteArray::number(++n) + '=' + value.text + '\n';
    return text;
}
