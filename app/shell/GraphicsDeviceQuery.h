#pragma once

#include <QString>

// Describes the graphics adapters as Plug and Play device ids
// ("PCI\VEN_8086&DEV_0166&..."), one per line, so that the rules that pick
// the text rendering by vendor and device read the same on every platform.
// Windows asks "wmic"; Linux reads the PCI devices of class "display" from sysfs.
class GraphicsDeviceQuery
{
public:
    static QString pnpDeviceIds();

    // The sysfs reading, on a given root (tests point it at a fake tree).
    static QString pnpDeviceIdsFromSysfs(const QString &pciDevicesDir);

    // Whether the device ids name an adapter whose OpenGL text rendering is
    // known to be poor, so that native text rendering should be used.
    static bool needsNativeTextRendering(const QString &deviceIds);
};
