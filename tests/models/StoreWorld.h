#pragma once

#include "data/ContextHandler.h"
#include "data/DataManager.h"
#include "data/DatabaseTemplate.h"
#include "data/ProjectHandler.h"
#include "data/TaskHandler.h"
#include "shell/AppPaths.h"
#include "support/RecordBuilder.h"

#include <QDateTime>
#include <QtTest>

#include <memory>

// A data manager with its worker over a fresh database of its own, the three
// handlers on top, and seeds under chosen IDs, as the server would send them.
class StoreWorld
{
public:
    explicit StoreWorld(const QString& name)
    {
        static int count = 0;
        ++count;
        const QString stem = QStringLiteral("%1_%2").arg(name).arg(count);
        path = AppPaths::appDataFile(stem + QStringLiteral(".db"));
        DatabaseTemplate::unpackTo(path);
        DataManager::Options options;
        options.store.databasePath = path;
        options.store.connectionName = stem;
        options.store.repeatedRemindersPath = AppPaths::appDataFile(stem + QStringLiteral("_reminders.dat"));
        options.store.sortingPath = AppPaths::appDataFile(stem + QStringLiteral("_sorting.dat"));
        options.store.notificationsPath = AppPaths::appDataFile(stem + QStringLiteral("_ntf.dat"));
        data = std::make_unique<DataManager>(options);
        tasks = std::make_unique<TaskHandler>(data.get());
        projects = std::make_unique<ProjectHandler>(data.get());
        contexts = std::make_unique<ContextHandler>(data.get());
    }

    bool task(const QString& id, const QString& name, int state = 0, const QString& memo = QString())
    {
        return data->createTaskRemotely(
            RecordBuilder::task(name, QStringLiteral("p_inbox")).withId(id).state(state).set("MEMO", memo).fromSync(stamp()));
    }
    bool project(const QString& id, const QString& name, int state = 0, const QString& memo = QString())
    {
        return data->createProjectRemotely(
            RecordBuilder::project(name).withId(id).state(state).set("MEMO", memo).fromSync(stamp()));
    }
    bool folder(const QString& id, const QString& name, int state = 0)
    {
        return data->createProjectRemotely(RecordBuilder::folder(name).withId(id).state(state).fromSync(stamp()));
    }
    bool context(const QString& id, const QString& name, int state = 0, const QString& memo = QString())
    {
        return data->createContextRemotely(
            RecordBuilder::context(name).withId(id).state(state).set("MEMO", memo).fromSync(stamp()));
    }

    // Changes a stored task as another device would: no follow-ups run.
    bool setTaskState(const QString& id, int state)
    {
        DataObject task = data->getTaskById(id);
        task.insert(QStringLiteral("STATE"), state);
        return data->updateTaskRemotely(task);
    }

    QString path;
    std::unique_ptr<DataManager> data;
    std::unique_ptr<TaskHandler> tasks;
    std::unique_ptr<ProjectHandler> projects;
    std::unique_ptr<ContextHandler> contexts;

private:
    // Distinct change times, so that date orders never tie by accident.
    qint64 stamp() { return 1700000000 + ++m_seeds; }
    qint64 m_seeds = 0;
};

// The records a model shows, in shown order, each as its ID.
inline QStringList shownIds(const QAbstractItemModel* model)
{
    QStringList ids;
    for (int row = 0; row < model->rowCount(); ++row)
        ids << model->index(row, 0).data(Qt::UserRole + 1).toMap().value(QStringLiteral("ID")).toString();
    return ids;
}
