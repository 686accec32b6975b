#pragma once

#include <QString>

// Starting with the user's session: an XDG autostart desktop entry
// "Quorvel.desktop" in the user's configuration folder. The desktop
// environment runs its Exec line at log-in.
class AutostartEntry
{
public:
    static QString path();
    static bool exists();
    // Writes the entry for the given executable, creating the folder.
    static bool create(const QString &executablePath);
    // True when no entry is left, also when there was none.
    static bool remove();

    // The executable as one Exec argument: quoted, with the escapes a
    // desktop entry needs (see the XDG Desktop Entry rules for Exec).
    static QString execArgument(const QString &executablePath);
};
