#include "models/SearchHelper.h"

#include "data/DataManager.h"
#include "models/ListModel.h"
#include "models/SearchSortFilterModel.h"
#include "shell/Settings.h"

#include <QColor>
#include <QHash>
#include <QQmlEngine>
#include <QVector>

namespace {

// The characters a reader sees in a piece of rich text, each with the span
// of the text it comes from. Markup shows as a barrier (from = -1) that no
// match may cross.
struct ShownText
{
    QString chars;
    QVector<int> from;
    QVector<int> to;

    void add(const QString& shown, int start, int end)
    {
        for (const QChar c : shown) {
            chars.append(c);
            from.append(start);
            to.append(end);
        }
    }
    void addBarrier() { add(QString(QChar::Null), -1, -1); }
};

// "<" starts a tag only where an HTML reader would take it for one; "a < b"
// written without escaping stays text.
bool startsTag(const QString& text, int at)
{
    const QChar next = at + 1 < text.size() ? text.at(at + 1) : QChar();
    return next.isLetter() || next == QLatin1Char('/') || next == QLatin1Char('!') || next == QLatin1Char('?');
}

// The index of the ";" that ends the character reference starting at the
// "&" at `at`, or -1 when no reference starts there.
int referenceEnd(const QString& text, int at)
{
    const int limit = qMin(text.size(), at + 34);
    for (int i = at + 1; i < limit; ++i) {
        const QChar c = text.at(i);
        if (c == QLatin1Char(';'))
            return i > at + 1 ? i : -1;
        const bool plain = c.unicode() < 128 && c.isLetterOrNumber();
        if (!plain && !(c == QLatin1Char('#') && i == at + 1))
            return -1;
    }
    return -1;
}

// The characters a reference stands for; '' for one that is not known.
QString decodeReference(const QString& name)
{
    static const QHash<QString, QString> named = {
        { QStringLiteral("amp"), QStringLiteral("&") },
        { QStringLiteral("lt"), QStringLiteral("<") },
        { QStringLiteral("gt"), QStringLiteral(">") },
        { QStringLiteral("quot"), QStringLiteral("\"") },
        { QStringLiteral("apos"), QStringLiteral("'") },
        { QStringLiteral("nbsp"), QString(QChar(0xA0)) },
    };
    if (!name.startsWith(QLatin1Char('#')))
        return named.value(name);
    const bool hex = name.size() > 1 && (name.at(1) == QLatin1Char('x') || name.at(1) == QLatin1Char('X'));
    bool ok = false;
    const uint code = hex ? name.mid(2).toUInt(&ok, 16) : name.mid(1).toUInt(&ok, 10);
    const bool surrogate = code >= 0xD800 && code <= 0xDFFF;
    if (!ok || code == 0 || code > 0x10FFFF || surrogate)
        return QString();
    return QString::fromUcs4(&code, 1);
}

ShownText shownText(const QString& text)
{
    ShownText shown;
    shown.chars.reserve(text.size());
    int i = 0;
    while (i < text.size()) {
        const QChar c = text.at(i);
        if (c == QLatin1Char('<') && startsTag(text, i)) {
            // A tag runs to the next ">"; one that never closes takes the rest.
            const int end = text.indexOf(QLatin1Char('>'), i + 1);
            shown.addBarrier();
            i = end < 0 ? text.size() : end + 1;
            continue;
        }
        if (c == QLatin1Char('&')) {
            const int end = referenceEnd(text, i);
            if (end > 0) {
                const QString decoded = decodeReference(text.mid(i + 1, end - i - 1));
                if (decoded.isEmpty())
                    shown.addBarrier();
                else
                    shown.add(decoded, i, end + 1);
                i = end + 1;
                continue;
            }
        }
        shown.add(QString(c), i, i + 1);
        ++i;
    }
    return shown;
}

bool crossesMarkup(const ShownText& shown, int at, int length)
{
    for (int i = at; i < at + length; ++i) {
        if (shown.from.at(i) < 0)
            return true;
    }
    return false;
}

} // namespace

SearchHelper::SearchHelper(QObject* parent)
    : SearchHelper(nullptr, parent)
{
}

SearchHelper::SearchHelper(DataManager* dataManager, QObject* parent)
    : QObject(parent)
    , m_dataManager(dataManager)
{
}

SearchHelper::~SearchHelper() = default;

DataManager* SearchHelper::dataManager() const
{
    return m_dataManager ? m_dataManager : DataManager::instance();
}

QVariant SearchHelper::model()
{
    return QVariant::fromValue(static_cast<QObject*>(searchModel()));
}

SearchSortFilterModel* SearchHelper::searchModel()
{
    if (!m_model) {
        m_model = new SearchSortFilterModel(false, this);
        QQmlEngine::setObjectOwnership(m_model, QQmlEngine::CppOwnership);
    }

    // The switches and the search string are set while the model has no
    // rows, so that the new rows are filtered and sorted once only.
    QAbstractItemModel* former = m_model->sourceModel();
    m_model->setSourceModel(nullptr);
    if (former)
        former->deleteLater();
    const Settings* settings = Settings::instance();
    m_model->setHideCompletedTasks(!settings->showCompletedTasks());
    m_model->setHideCompletedProjects(!settings->showCompletedProjects());
    m_model->setSearchString(m_searchString);

    const QPointer<DataManager> data(dataManager());
    auto* source = new ListModel([data] { return data ? data->getAllObjects() : QList<DataObject>(); });
    source->setParent(m_model);
    m_model->setSourceModel(source);
    return m_model;
}

QString SearchHelper::searchString() const
{
    return m_searchString;
}

void SearchHelper::setSearchString(const QString& searchString)
{
    if (searchString == m_searchString)
        return;
    m_searchString = searchString;
    emit searchStringChanged(searchString);
    if (m_model)
        m_model->setSearchString(searchString);
}

void SearchHelper::abort()
{
    setSearchString(QString());
    emit searchAborted();
}

QString SearchHelper::highlightSearchString(const QString& searchString, const QString& text) const
{
    if (searchString.isEmpty())
        return text;
    return highlight(searchString, text, markColorName(Settings::instance()->applicationColor()));
}

QString SearchHelper::markColorName(const QColor& applicationColor)
{
    const QString name = applicationColor.name();
    // The dark grey accent would not stand out from the text it marks.
    if (name.compare(QLatin1String("#424242"), Qt::CaseInsensitive) == 0)
        return QStringLiteral("#3F51B5");
    return name;
}

QString SearchHelper::highlight(const QString& searchString, const QString& text, const QString& colorName)
{
    if (searchString.isEmpty() || text.isEmpty())
        return text;
    const ShownText shown = shownText(text);
    const int length = searchString.size();

    // Matches from the end backwards, none overlapping the next one, as
    // spans of the original text.
    QVector<QPair<int, int>> marks;
    int from = shown.chars.size() - length;
    while (from >= 0) {
        const int at = shown.chars.lastIndexOf(searchString, from, Qt::CaseInsensitive);
        if (at < 0)
            break;
        if (crossesMarkup(shown, at, length)) {
            from = at - 1;
            continue;
        }
        marks.append({ shown.from.at(at), shown.to.at(at + length - 1) });
        from = at - length;
    }
    if (marks.isEmpty())
        return text;

    const QString open = QStringLiteral("<font color=\"") + colorName + QStringLiteral("\"><b>");
    const QString close = QStringLiteral("</b></font>");
    QString marked;
    marked.reserve(text.size() + marks.size() * (open.size() + close.size()));
    int copied = 0;
    for (int i = marks.size() - 1; i >= 0; --i) {
        const int start = marks.at(i).first;
        const int end = marks.at(i).second;
        marked += text.midRef(copied, start - copied);
        marked += open;
        marked += text.midRef(start, end - start);
        marked += close;
        copied = end;
    }
    marked += text.midRef(copied);
    return marked;
}
