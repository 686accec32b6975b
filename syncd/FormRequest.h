#pragma once

#include <QByteArray>
#include <QList>
#include <QPair>
#include <QString>

// A form-encoded request body (name=value pairs joined by "&", %XX escapes,
// "+" for a blank). Names and values are read as UTF-8; a pair may repeat,
// and value() answers its last occurrence, first() its first.
class FormRequest
{
public:
    static constexpr int MaxPairs = 1000;

    // False for a body that is not a form: too many pairs, a pair without a
    // name, text that is not UTF-8 once decoded.
    bool parse(const QByteArray& body);
    QString error() const;

    bool contains(const QString& name) const;
    QString value(const QString& name) const;
    QString first(const QString& name) const;
    const QList<QPair<QString, QString>>& pairs() const;

    static bool decode(const QByteArray& text, QString* decoded);

private:
    QList<QPair<QString, QString>> m_pairs;
    QString m_error;
};
