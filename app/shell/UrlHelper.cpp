#include "shell/UrlHelper.h"

#include <QList>
#include <QRegularExpression>

#include <functional>

namespace {

// A piece of the escaped note: plain text, or a link with its target.
struct Piece
{
    QString text;
    bool isLink = false;
    QString href;
};

using Pieces = QList<Piece>;
// Whether a match found in a piece of plain text should become a link.
using Accept = std::function<bool(const QString& plain, const QRegularExpressionMatch& match)>;
// The target of a link made of the matched text.
using Target = std::function<QString(const QString& matched)>;

QString escaped(const QString& text)
{
    QString result = text;
    result.replace(QLatin1Char('&'), QLatin1String("&amp;"));
    result.replace(QLatin1Char('<'), QLatin1String("&lt;"));
    result.replace(QLatin1Char('>'), QLatin1String("&gt;"));
    return result;
}

// Links are only looked for in what is still plain text: an address inside
// a link made earlier (an e-mail address in a web address's query) stays
// part of that link instead of opening a second one inside it.
Pieces linked(
    const Pieces& pieces, const QRegularExpression& pattern, const Accept& accept, const Target& target)
{
    Pieces result;
    for (const Piece& piece : pieces) {
        if (piece.isLink) {
            result.append(piece);
            continue;
        }
        int done = 0;
        QRegularExpressionMatchIterator matches = pattern.globalMatch(piece.text);
        while (matches.hasNext()) {
            const QRegularExpressionMatch match = matches.next();
            if (!accept(piece.text, match))
                continue;
            if (match.capturedStart() > done)
                result.append({ piece.text.mid(done, match.capturedStart() - done), false, QString() });
            result.append({ match.captured(), true, target(match.captured()) });
            done = match.capturedEnd();
        }
        if (done < piece.text.size())
            result.append({ piece.text.mid(done), false, QString() });
    }
    return result;
}

bool always(const QString&, const QRegularExpressionMatch&)
{
    return true;
}

// An address that sits between "&" and "=" is a parameter name in a link's
// query, not someone to write to. The "&" is escaped by now.
bool isMailAddress(const QString& plain, const QRegularExpressionMatch& match)
{
    const QStringRef before = plain.leftRef(match.capturedStart());
    const bool afterAmpersand = before.endsWith(QLatin1String("&amp;")) || before.endsWith(QLatin1Char('&'));
    const bool beforeEquals = plain.midRef(match.capturedEnd()).startsWith(QLatin1Char('='));
    return !(afterAmpersand && beforeEquals);
}

QString sameText(const QString& matched)
{
    return matched;
}

// A quoted file URL may hold blanks; the quotes are not part of the target.
QString unquoted(const QString& matched)
{
    return matched.mid(1, matched.size() - 2);
}

QString mailTarget(const QString& matched)
{
    return QStringLiteral("mailto:") + matched;
}

QString html(const Pieces& pieces)
{
    QString result;
    for (const Piece& piece : pieces) {
        if (!piece.isLink) {
            result += piece.text;
            continue;
        }
        // The text is escaped already; a quotation mark would end the
        // attribute, so it is escaped as well.
        QString href = piece.href;
        href.replace(QLatin1Char('"'), QLatin1String("&quot;"));
        result += QStringLiteral("<a href=\"%1\">%2</a>").arg(href, piece.text);
    }
    result.replace(QLatin1Char('\n'), QLatin1String("<br>"));
    return result;
}

} // namespace

UrlHelper::UrlHelper(QObject* parent)
    : QObject(parent)
{
}

QString UrlHelper::convertToHtmlUrls(const QString& text)
{
    static const QRegularExpression webAddress(
        QStringLiteral("(http|https|ftp|ftps)\\://[a-zA-Z0-9\\-\\.]+\\.[a-zA-Z]{2,4}([^\\s<]*)?"));
    static const QRegularExpression fileUrl(QStringLiteral("(?<!\")file:///([^\\s<]*)"));
    // Up to the next quotation mark on the line: two quoted paths on one
    // line are two links.
    static const QRegularExpression quotedFileUrl(QStringLiteral("(?<!=)\"file:///[^\"\\n]*\""));
    static const QRegularExpression mailAddress(
        QStringLiteral("\\w+([-+.']\\w+)*@\\w+([-.]\\w+)*\\.\\w+([-.]\\w+)*"));

    // Line feeds stay in the text until the end, so that no link runs past
    // the end of its line.
    Pieces pieces { { escaped(text), false, QString() } };
    pieces = linked(pieces, webAddress, always, sameText);
    pieces = linked(pieces, fileUrl, always, sameText);
    pieces = linked(pieces, quotedFileUrl, always, unquoted);
    pieces = linked(pieces, mailAddress, isMailAddress, mailTarget);
    return html(pieces);
}
