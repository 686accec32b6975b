#include "shell/GraphicsDeviceQuery.h"

#include <QDir>
#include <QFile>
#include <QProcess>

namespace {

QString readTrimmed(const QString &path)
{
    QFile file(path);
    if (!file.open(QIODevice::ReadOnly))
        return QString();
    return QString::fromLatin1(file.readAll()).trimmed();
}

// "0x8086" -> "8086"
QString pciHex(const QString &value)
{
    return value.mid(value.startsWith(QLatin1String("0x")) ? 2 : 0).toUpper();
}

} // namespace

QString GraphicsDeviceQuery::pnpDeviceIds()
{
#ifdef Q_OS_WIN
    QProcess wmic;
    wmic.start(QStringLiteral("wmic"), { QStringLiteral("path"), QStringLiteral("win32_VideoController"),
                                         QStringLiteral("get"), QStringLiteral("pnpdeviceid") });
    wmic.waitForFinished(30000);
    return QString::fromLocal8Bit(wmic.readAllStandardOutput());
#else
    return pnpDeviceIdsFromSysfs(QStringLiteral("/sys/bus/pci/devices"));
#endif
}

QString GraphicsDeviceQuery::pnpDeviceIdsFromSysfs(const QString &pciDevicesDir)
{
    QStringList ids;
    const QDir devices(pciDevicesDir);
    for (const QString &device : devices.entryList(QDir::Dirs | QDir::NoDotAndDotDot, QDir::Name)) {
        const QString base = devices.filePath(device) + QLatin1Char('/');
        // PCI base class 0x03 is "display controller".
        if (!readTrimmed(base + QStringLiteral("class")).startsWith(QLatin1String("0x03")))
            continue;
        ids << QStringLiteral("PCI\\VEN_%1&DEV_%2")
                   .arg(pciHex(readTrimmed(base + QStringLiteral("vendor"))),
                        pciHex(readTrimmed(base + QStringLiteral("device"))));
    }
    return ids.join(QLatin1Char('\n'));
}

bool GraphicsDeviceQuery::needsNativeTextRendering(const QString &deviceIds)
{
    static const char *const devicesAndVendors[][2] = {
        { "DEV_0166", "VEN_8086" },
        { "DEV_0152", "VEN_8086" },
        { "DEV_13C2", "VEN_10DE" },
        { "DEV_2182", "VEN_10DE" },
    };
    for (const auto &pair : devicesAndVendors) {
        if (deviceIds.contains(QLatin1String(pair[0])) && deviceIds.contains(QLatin1String(pair[1])))
            return true;
    }
    return false;
}
