#include "shell/PageHistory.h"

namespace {

const char DayFormat[] = "dd.MM.yyyy";
const char DailyPlanPage[] = "dppage";

const QStringList &knownPages()
{
    static const QStringList pages { QStringLiteral("qbpage"), QStringLiteral("prjpage"), QStringLiteral("ctxpage"),
                                     QStringLiteral("favpage"), QLatin1String(DailyPlanPage) };
    return pages;
}

} // namespace

PageHistory::PageHistory(QObject *parent)
    : QObject(parent)
{
}

bool PageHistory::canGoBack() const
{
    return m_back.size() > 1;
}

bool PageHistory::canGoForward() const
{
    return !m_forward.isEmpty();
}

QString PageHistory::current() const
{
    return m_back.isEmpty() ? QString() : m_back.last();
}

void PageHistory::push(const QString &entry)
{
    // Opening the place that is already shown is not a step.
    if (!m_back.isEmpty() && m_back.last() == entry && m_forward.isEmpty())
        return;
    m_back.append(entry);
    m_forward.clear();
    emit changed();
}

QString PageHistory::back()
{
    if (!canGoBack())
        return current();
    m_forward.append(m_back.takeLast());
    emit changed();
    return m_back.last();
}

QString PageHistory::forward()
{
    if (!canGoForward())
        return current();
    m_back.append(m_forward.takeLast());
    emit changed();
    return m_back.last();
}

void PageHistory::clear()
{
    if (m_back.isEmpty() && m_forward.isEmpty())
        return;
    m_back.clear();
    m_forward.clear();
    emit changed();
}

QVariantMap PageHistory::parseItem(const QString &item)
{
    // Page names hold no underscore; identifiers might.
    const int separator = item.indexOf(QLatin1Char('_'));
    const QString head = separator < 0 ? item : item.left(separator);
    const QString taskId = separator < 0 ? QString() : item.mid(separator + 1);
    QString page = head;
    QDate day;
    if (head.startsWith(QLatin1String(DailyPlanPage))) {
        page = QLatin1String(DailyPlanPage);
        day = QDate::fromString(head.mid(int(qstrlen(DailyPlanPage))), QLatin1String(DayFormat));
        if (!day.isValid())
            return {};
    }
    if (!knownPages().contains(page))
        return {};
    return { { QStringLiteral("page"), page }, { QStringLiteral("date"), day }, { QStringLiteral("taskId"), taskId } };
}

QString PageHistory::makeItem(const QString &pageName, const QDate &day, const QString &taskId)
{
    QString head = pageName;
    if (pageName == QLatin1String(DailyPlanPage))
        head += day.toString(QLatin1String(DayFormat));
    return head + QLatin1Char('_') + taskId;
}
