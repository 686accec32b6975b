#pragma once

#include "models/SortModel.h"

#include <memory>

// The results of a search over a list of objects of every kind: the rows
// whose name (or, unless the search looks at names only, name or memo)
// holds the search string, ignoring case. Folders come first, then
// projects, contexts and tasks; active projects and tasks before completed
// ones; within that, names that start with the search string lead.
//
// Built-in objects are searched by the names the user sees in the current
// language, so that "box" finds the inbox whatever the store calls it.
class SearchSortFilterModel : public SortModel
{
    Q_OBJECT
    Q_PROPERTY(QString searchString READ searchString WRITE setSearchString NOTIFY searchStringChanged)

public:
    enum Kind { FolderKind = 0, ProjectKind = 1, ContextKind = 2, TaskKind = 3 };

    explicit SearchSortFilterModel(bool namesOnly = false, QObject* parent = nullptr);
    ~SearchSortFilterModel() override;

    QString searchString() const;
    bool namesOnly() const;

    // Completed tasks, or completed projects and folders, are left out.
    void setHideCompletedTasks(bool hide);
    bool hideCompletedTasks() const;
    void setHideCompletedProjects(bool hide);
    bool hideCompletedProjects() const;

    void setSourceModel(QAbstractItemModel* source) override;

    // The name of a record as the user sees it.
    static QString displayName(const QString& storedName);
    static Kind kindOf(const QVariantMap& object);

public slots:
    void setSearchString(const QString& str);

signals:
    void searchStringChanged(QString searchString);

protected:
    bool lessThan(const QModelIndex& left, const QModelIndex& right) const override;
    bool filterAcceptsRow(int sourceRow, const QModelIndex& sourceParent) const override;

private:
    struct Entry;
    struct Private;
    const Entry& entry(int sourceRow) const;
    bool hasPrefix(const Entry& entry) const;
    bool nameLess(const Entry& left, const Entry& right) const;

    std::unique_ptr<Private> d;
};
