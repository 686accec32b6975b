#pragma once

#include <QString>

// The empty database shipped in the resources as ":/quorvel_data.db". It is
// copied to the user's data folder on the first start and when the user
// chooses to start again from an empty database.
class DatabaseTemplate
{
public:
    static QString resourcePath();

    // Copies the template to path and makes the copy readable and writable by
    // its owner only. Never replaces an existing file: returns false when
    // path exists, and when the copy or the permissions cannot be written
    // (a half-made copy is removed again).
    static bool unpackTo(const QString& path);
};
