#pragma once

#include <QString>

// Identifiers of objects created on this device: a random UUID written as
// 36 lower-case characters, 8-4-4-4-12, without braces. Identifiers that come
// from the server are kept as they are and only ever compared as text.
class ObjectIdentifier
{
public:
    static QString create();
    static bool looksGenerated(const QString &id);
};
