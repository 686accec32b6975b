#include "data/SqlStatement.h"

#include <cmath>

namespace {

bool isNameStart(QChar c)
{
    return (c >= QLatin1Char('A') && c <= QLatin1Char('Z'))
        || (c >= QLatin1Char('a') && c <= QLatin1Char('z')) || c == QLatin1Char('_');
}

bool isNamePart(QChar c)
{
    return isNameStart(c) || (c >= QLatin1Char('0') && c <= QLatin1Char('9'));
}

} // namespace

SqlStatement::SqlStatement(const QString& templateText)
    : m_template(templateText)
{
}

SqlStatement& SqlStatement::arg(const QString& text)
{
    m_args.append(escaped(text));
    return *this;
}

SqlStatement& SqlStatement::arg(qint64 number)
{
    m_args.append(QString::number(number));
    return *this;
}

SqlStatement& SqlStatement::argSql(const QString& sql)
{
    m_args.append(sql);
    return *this;
}

QString SqlStatement::toString() const
{
    return substitute(m_template, m_args);
}

QString SqlStatement::escaped(const QString& text)
{
    QString result;
    result.reserve(text.size() + 8);
    for (const QChar c : text) {
        if (c == QLatin1Char('\''))
            result += QLatin1String("''");
        else if (c.unicode() == 0)
            result += QLatin1String("'||char(0)||'");
        else
            result += c;
    }
    return result;
}

QString SqlStatement::quoted(const QString& text)
{
    return QLatin1Char('\'') + escaped(text) + QLatin1Char('\'');
}

QString SqlStatement::quotedList(const QStringList& texts)
{
    QString result;
    for (const QString& text : texts) {
        if (!result.isEmpty())
            result += QLatin1Char(',');
        result += quoted(text);
    }
    return result;
}

QString SqlStatement::literal(const QVariant& value)
{
    if (!value.isValid() || value.isNull())
        return QStringLiteral("''");
    switch (static_cast<QMetaType::Type>(value.userType())) {
    case QMetaType::Bool:
        return value.toBool() ? QStringLiteral("1") : QStringLiteral("0");
    case QMetaType::Int:
    case QMetaType::Long:
    case QMetaType::LongLong:
    case QMetaType::Short:
    case QMetaType::Char:
    case QMetaType::SChar:
        return QString::number(value.toLongLong());
    case QMetaType::UInt:
    case QMetaType::ULong:
    case QMetaType::ULongLong:
    case QMetaType::UShort:
    case QMetaType::UChar:
        return QString::number(value.toULongLong());
    case QMetaType::Double:
    case QMetaType::Float: {
        const double number = value.toDouble();
        // "nan" or "inf" bare would read as a column name.
        if (std::isfinite(number))
            return QString::number(number, 'g', 17);
        return quoted(value.toString());
    }
    default:
        // Anything else goes in as text: a bare value of an unexpected type
        // must never become part of the statement itself.
        return quoted(value.toString());
    }
}

QString SqlStatement::bindValues(const QString& templateText, const QVariantMap& values)
{
    QString result;
    result.reserve(templateText.size() * 2);
    const int length = templateText.size();
    int i = 0;
    while (i < length) {
        const QChar c = templateText.at(i);
        if (c != QLatin1Char(':') || i + 1 >= length || !isNameStart(templateText.at(i + 1))) {
            result += c;
            ++i;
            continue;
        }
        int end = i + 1;
        while (end < length && isNamePart(templateText.at(end)))
            ++end;
        const QString name = templateText.mid(i + 1, end - i - 1);
        const auto value = values.constFind(name);
        if (value != values.cend())
            result += literal(value.value());
        else
            result += templateText.midRef(i, end - i);
        i = end;
    }
    return result;
}

QString SqlStatement::substitute(const QString& templateText, const QStringList& args)
{
    QString result;
    result.reserve(templateText.size() + 64);
    const int length = templateText.size();
    for (int i = 0; i < length; ++i) {
        const QChar c = templateText.at(i);
        if (c == QLatin1Char('%') && i + 1 < length) {
            const int number = templateText.at(i + 1).digitValue();
            if (number >= 1 && number <= args.size()) {
                result += args.at(number - 1);
                ++i;
                continue;
            }
        }
        result += c;
    }
    return result;
}
