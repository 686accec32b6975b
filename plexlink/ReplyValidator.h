#pragma once

#include <QByteArray>
#include <QString>

// Looks over a sync server reply before it is parsed into a document, and
// refuses what a sane reply never holds: a document type declaration (where
// entity expansion bombs live), very deep nesting, an overlong text, or
// anything that is not well-formed XML.
class ReplyValidator
{
public:
    static constexpr int MaximumDepth = 32;
    static constexpr int MaximumTextLength = 8 * 1024 * 1024;

    // Empty when the body may be parsed; otherwise why not.
    static QString problem(const QByteArray& body);
};
