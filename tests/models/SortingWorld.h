#pragma once

#include "data/DataManager.h"
#include "data/DatabaseTemplate.h"
#include "models/ListModel.h"
#include "models/SortModel.h"
#include "shell/AppPaths.h"
#include "support/RecordBuilder.h"

#include <QAbstractItemModelTester>
#include <QtTest>

#include <memory>

// A data manager with its worker over a database and a sorting file of its
// own: the place proxies read and store their sorting choices.
class SortingWorld
{
public:
    explicit SortingWorld(const QString& name)
    {
        static int count = 0;
        const QString stem = QStringLiteral("%1_%2").arg(name).arg(++count);
        path = AppPaths::appDataFile(stem + QStringLiteral(".db"));
        sortingPath = AppPaths::appDataFile(stem + QStringLiteral("_sorting.dat"));
        DatabaseTemplate::unpackTo(path);
        DataManager::Options options;
        options.store.databasePath = path;
        options.store.connectionName = stem;
        options.store.repeatedRemindersPath = AppPaths::appDataFile(stem + QStringLiteral("_reminders.dat"));
        options.store.sortingPath = sortingPath;
        data = std::make_unique<DataManager>(options);
    }

    QString path;
    QString sortingPath;
    std::unique_ptr<DataManager> data;
};

// A proxy of type Proxy over a list of records, checked by the item model
// tester for as long as it lives.
template <typename Proxy> struct ShownList
{
    ShownList(SortingWorld& world, const QList<DataObject>& records, const QString& listId,
        SortingNamespace::ListType listType = SortingNamespace::ListTypeProject, bool taskList = true)
        : rows(records)
        , source(new ListModel([this] { return rows; }))
        , proxy(new Proxy())
    {
        proxy->setDataManager(world.data.get());
        proxy->setSourceModel(source.get());
        proxy->setTaskList(taskList);
        proxy->setListInfo(listId, listType);
        tester.reset(new QAbstractItemModelTester(proxy.get(), QAbstractItemModelTester::FailureReportingMode::Fatal));
    }
    ~ShownList()
    {
        tester.reset();
        proxy.reset();
    }

    QList<DataObject> rows;
    std::unique_ptr<ListModel> source;
    std::unique_ptr<Proxy> proxy;
    std::unique_ptr<QAbstractItemModelTester> tester;
};

// The IDs of the shown rows, in shown order.
inline QStringList shownOrder(const SortModel& proxy)
{
    QStringList ids;
    for (const QVariant& object : proxy.getObjectList())
        ids << object.toMap().value(QStringLiteral("ID")).toString();
    return ids;
}

// A task record with everything the order looks at set plainly: active,
// changed at 1000, no dates.
inline RecordBuilder plainTask(const QString& id, const QString& name = QString(), const QString& parent = QStringLiteral("p"))
{
    RecordBuilder task = RecordBuilder::task(name.isEmpty() ? id : name, parent);
    task.withId(id).state(0).period(QString()).set(QStringLiteral("TIMESTAMP"), 1000);
    task.start(QDateTime()).due(QDateTime());
    return task;
}

inline QDateTime day(int dayOfMonth, int hour = 9)
{
    return wallClock(QDate(2030, 5, dayOfMonth), QTime(hour, 0));
}
