#pragma once

#include <QDate>
#include <QObject>
#include <QStringList>
#include <QVariantMap>

// Where the user has been on a page that navigates inside itself (a tree of
// folders, projects or contexts), as two stacks: going back moves the top of
// the back stack onto the forward stack, going forward moves it back, and a
// new place clears what lay ahead. The first entry is the page's own root,
// so back is possible only while more than one entry is on the back stack.
//
// It also reads and writes the history items that record, when the user
// jumps from a task to its project or context, which page they came from:
// the page name, optionally a day "dd.MM.yyyy" for the daily plan, then "_"
// and the task's identifier.
class PageHistory : public QObject
{
    Q_OBJECT
    Q_PROPERTY(bool canGoBack READ canGoBack NOTIFY changed)
    Q_PROPERTY(bool canGoForward READ canGoForward NOTIFY changed)
    Q_PROPERTY(QString current READ current NOTIFY changed)

public:
    explicit PageHistory(QObject *parent = nullptr);

    bool canGoBack() const;
    bool canGoForward() const;
    QString current() const;

    Q_INVOKABLE void push(const QString &entry);
    Q_INVOKABLE QString back();
    Q_INVOKABLE QString forward();
    Q_INVOKABLE void clear();

    // {"page", "date" (a QDate, invalid when absent), "taskId"}; an item
    // that does not name a known page gives an empty map.
    Q_INVOKABLE static QVariantMap parseItem(const QString &item);
    Q_INVOKABLE static QString makeItem(const QString &pageName, const QDate &day, const QString &taskId);

signals:
    void changed();

private:
    QStringList m_back;
    QStringList m_forward;
};
