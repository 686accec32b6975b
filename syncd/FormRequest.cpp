#include "syncd/FormRequest.h"

#include <QTextCodec>

namespace {

int hexValue(char c)
{
    if (c >= '0' && c <= '9')
        return c - '0';
    if (c >= 'a' && c <= 'f')
        return c - 'a' + 10;
    if (c >= 'A' && c <= 'F')
        return c - 'A' + 10;
    return -1;
}

} // namespace

bool FormRequest::decode(const QByteArray& text, QString* decoded)
{
    QByteArray bytes;
    bytes.reserve(text.size());
    for (int i = 0; i < text.size(); ++i) {
        const char c = text.at(i);
        if (c == '+') {
            bytes += ' ';
        } else if (c == '%') {
            const int high = i + 1 < text.size() ? hexValue(text.at(i + 1)) : -1;
            const int low = i + 2 < text.size() ? hexValue(text.at(i + 2)) : -1;
            if (high < 0 || low < 0)
                return false;
            bytes += char(high * 16 + low);
            i += 2;
        } else {
            bytes += c;
        }
    }
    QTextCodec::ConverterState state;
    *decoded = QTextCodec::codecForName("UTF-8")->toUnicode(bytes.constData(), bytes.size(), &state);
    return state.invalidChars == 0 && state.remainingChars == 0;
}

bool FormRequest::parse(const QByteArray& body)
{
    m_pairs.clear();
    m_error.clear();
    if (body.isEmpty())
        return true;
    const QList<QByteArray> pieces = body.split('&');
    if (pieces.size() > MaxPairs) {
        m_error = QStringLiteral("more than %1 fields").arg(MaxPairs);
        return false;
    }
    for (const QByteArray& piece : pieces) {
        if (piece.isEmpty())
            continue;
        const int equals = piece.indexOf('=');
        QString name;
        QString value;
        if (!decode(equals < 0 ? piece : piece.left(equals), &name) || name.isEmpty()
            || (equals >= 0 && !decode(piece.mid(equals + 1), &value))) {
            m_error = QStringLiteral("a field is not form-encoded UTF-8 text");
            m_pairs.clear();
            return false;
        }
        m_pairs.append({ name, value });
    }
    return true;
}

QString FormRequest::error() const
{
    return m_error;
}

bool FormRequest::contains(const QString& name) const
{
    for (const auto& pair : m_pairs) {
        if (pair.first == name)
            return true;
    }
    return false;
}

QString FormRequest::value(const QString& name) const
{
    for (auto it = m_pairs.crbegin(); it != m_pairs.crend(); ++it) {
        if (it->first == name)
            return it->second;
    }
    return QString();
}

QString FormRequest::first(const QString& name) const
{
    for (const auto& pair : m_pairs) {
        if (pair.first == name)
            return pair.second;
    }
    return QString();
}

const QList<QPair<QString, QString>>& FormRequest::pairs() const
{
    return m_pairs;
}
