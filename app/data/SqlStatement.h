#pragma once

#include <QString>
#include <QStringList>
#include <QVariant>
#include <QVariantMap>

// SQL text built by substitution, the way every statement of the store is
// made. Everything that comes from outside (identifiers, names, memos) is
// escaped on the way in, and every substitution happens in one pass over the
// template: text that has been put in is never searched for placeholders
// again, so a name such as ":NAME" or "%2" is stored as it is written.
//
//     SqlStatement("UPDATE task SET parent = '%1', timestamp = %3 WHERE parent = '%2'")
//         .arg(newId).arg(oldId).arg(now)
class SqlStatement
{
public:
    explicit SqlStatement(const QString& templateText);

    // The next %N as text between the template's own single quotes.
    SqlStatement& arg(const QString& text);
    // The next %N as a bare number.
    SqlStatement& arg(qint64 number);
    // The next %N as a piece of SQL that was built from escaped parts already
    // (for example quotedList()); never pass outside text here.
    SqlStatement& argSql(const QString& sql);

    QString toString() const;
    operator QString() const { return toString(); }

    // The text with every "'" doubled, ready to stand between single quotes.
    // A NUL character cannot stand inside an SQLite literal (the tokenizer
    // ends the string there), so it becomes a concatenated char(0) instead.
    static QString escaped(const QString& text);
    // escaped() between single quotes.
    static QString quoted(const QString& text);
    // Each text quoted, joined by "," (the inside of an IN list).
    static QString quotedList(const QStringList& texts);

    // A value as the generic writes inline it: bool as 1 or 0, numbers bare,
    // text and anything else quoted, an unset value as ''.
    static QString literal(const QVariant& value);

    // Replaces every ":KEY" of the template whose KEY is a key of values by
    // literal(value), in one pass. A placeholder is a ":" followed by a name
    // of letters, digits and "_"; names that are not keys stay as they are.
    static QString bindValues(const QString& templateText, const QVariantMap& values);

    // Substitutes %1 ... %9 in one pass; markers without an argument stay.
    static QString substitute(const QString& templateText, const QStringList& args);

private:
    QString m_template;
    QStringList m_args;
};
