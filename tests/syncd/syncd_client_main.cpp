// A Quorvel device for the sync tests: the real data manager, handlers and
// sync code over a store of its own, in a sandboxed home of its own (the
// store, the settings and the sync files are per process). The test drives
// it over stdin, one command a line, and reads one answer a line:
// "OK <json>" or "ERR <text>".
//
//   quorvel-syncd-client SYNC_URL LOGIN PASSWORD_MD5
//
// Commands (identifiers are the store's, "inbox" is the QuorvelBox):
//   task NAME PARENT [CONTEXT]    project NAME [FOLDER]    folder NAME
//   context NAME                  rename KIND ID NAME      move ID PARENT
//   setcontext ID CONTEXT         complete ID              delete KIND ID
//   confirm KIND ID               undo KIND ID             restore KIND ID
//   sync                          syncstart                syncwait
//   dump                          now                      quit
// complete and delete leave the change pending, as the interface does
// during its undo time, until confirm or undo. syncstart starts a sync and
// answers once it runs; syncwait waits for its end (meanwhile the device
// takes further commands, as the interface does while a sync runs).

#include "data/ContextHandler.h"
#include "data/DataManager.h"
#include "data/DatabaseTemplate.h"
#include "data/PredefinedDataHelper.h"
#include "data/ProjectHandler.h"
#include "data/TaskHandler.h"
#include "logging/Logger.h"
#include "shell/AppInfo.h"
#include "shell/AppPaths.h"
#include "shell/AppResources.h"
#include "shell/Settings.h"
#include "support/TestSandbox.h"

#include <QCoreApplication>
#include <QFile>
#include <QJsonArray>
#include <QJsonDocument>
#include <QJsonObject>
#include <QSignalSpy>
#include <QSqlDatabase>
#include <QSqlQuery>
#include <QSqlRecord>

#include <cstdio>
#include <iostream>
#include <memory>
#include <string>

namespace {

class Device
{
public:
    bool open()
    {
        const QString path = AppPaths::appDataFile(QStringLiteral("quorvel_data.db"));
        // A device started again on its old home keeps its store.
        if (!QFile::exists(path) && !DatabaseTemplate::unpackTo(path))
            return false;
        m_path = path;
        DataManager::Options options;
        options.store.databasePath = path;
        options.store.connectionName = QStringLiteral("device");
        options.store.repeatedRemindersPath = AppPaths::appDataFile(QStringLiteral("repeated_tasks_reminders.dat"));
        options.store.sortingPath = AppPaths::appDataFile(QStringLiteral("sorting.dat"));
        // Syncs run when the test says so, not on their own.
        options.syncDelay = 3600 * 1000;
        m_data = std::make_unique<DataManager>(options);
        m_tasks = std::make_unique<TaskHandler>(m_data.get());
        m_projects = std::make_unique<ProjectHandler>(m_data.get());
        m_contexts = std::make_unique<ContextHandler>(m_data.get());
        return m_data->isDataPrepared();
    }

    QString run(const QStringList& words)
    {
        const QString command = words.value(0);
        if (command == QLatin1String("task")) {
            QVariantMap task { { "NAME", words.value(1) }, { "PARENT", parentId(words.value(2)) },
                { "CONTEXT", words.value(3) } };
            return m_tasks->createTask(task) ? ok(m_tasks->lastCreatedTaskId()) : error("createTask");
        }
        if (command == QLatin1String("project") || command == QLatin1String("folder")) {
            QVariantMap project { { "NAME", words.value(1) }, { "PARENT", words.value(2) }, { "CONTEXT", QString() } };
            const bool created = command == QLatin1String("folder") ? m_projects->createFolder(project)
                                                                     : m_projects->createProject(project);
            return created ? ok(m_projects->lastCreatedProjectId()) : error("createProject");
        }
        if (command == QLatin1String("context")) {
            QVariantMap context { { "NAME", words.value(1) }, { "PARENT", QString() } };
            return m_contexts->createContext(context) ? ok(m_contexts->lastCreatedContextId()) : error("createContext");
        }
        if (command == QLatin1String("rename"))
            return update(words.value(1), words.value(2), "NAME", words.value(3));
        if (command == QLatin1String("move"))
            return update("task", words.value(1), "PARENT", parentId(words.value(2)));
        if (command == QLatin1String("setcontext"))
            return update("task", words.value(1), "CONTEXT", words.value(2));
        if (command == QLatin1String("complete")) {
            return m_tasks->markTaskAsCompleted(m_data->getTaskById(words.value(1))) ? ok(QString())
                                                                                    : error("complete");
        }
        if (command == QLatin1String("delete"))
            return markDeleted(words.value(1), words.value(2));
        if (command == QLatin1String("confirm") || command == QLatin1String("undo"))
            return settle(words.value(1), words.value(2), command == QLatin1String("confirm"));
        if (command == QLatin1String("restore"))
            return restore(words.value(1), words.value(2));
        if (command == QLatin1String("sync"))
            return sync();
        if (command == QLatin1String("syncstart"))
            return syncStart();
        if (command == QLatin1String("syncwait"))
            return syncWait();
        if (command == QLatin1String("now"))
            return ok(QString::number(QDateTime::currentSecsSinceEpoch()));
        if (command == QLatin1String("dump"))
            return ok(QString::fromUtf8(QJsonDocument(dump()).toJson(QJsonDocument::Compact)));
        return error("unknown command " + command);
    }

    void close()
    {
        m_active.reset();
        m_networkErrors.reset();
        m_serverErrors.reset();
        m_contexts.reset();
        m_projects.reset();
        m_tasks.reset();
        if (m_data)
            m_data->stopWorker();
        m_data.reset();
    }

private:
    static QString ok(const QString& value) { return QStringLiteral("OK ") + value; }
    static QString error(const QString& what) { return QStringLiteral("ERR ") + what; }

    QString parentId(const QString& parent) const
    {
        return parent == QLatin1String("inbox") ? PredefinedDataHelper::instance()->quorvelBoxId() : parent;
    }

    DataObject read(const QString& kind, const QString& id)
    {
        return kind == QLatin1String("task") ? m_data->getTaskById(id)
            : kind == QLatin1String("context") ? m_data->getContextById(id)
                                               : m_data->getProjectById(id);
    }

    QString update(const QString& kind, const QString& id, const QString& key, const QString& value)
    {
        DataObject record = read(kind, id);
        if (record.isEmpty())
            return error("no such " + kind);
        record.insert(key, value);
        const bool updated = kind == QLatin1String("task") ? m_tasks->updateTask(record)
            : kind == QLatin1String("context")             ? m_contexts->updateContext(record)
                                                           : m_projects->updateProject(record);
        return updated ? ok(QString()) : error("update");
    }

    QString markDeleted(const QString& kind, const QString& id)
    {
        const DataObject record = read(kind, id);
        const bool marked = kind == QLatin1String("task") ? m_tasks->markTaskAsDeleted(record)
            : kind == QLatin1String("context")            ? m_contexts->markContextAsDeleted(record)
                                                          : m_projects->markProjectAsDeleted(record);
        return marked ? ok(QString()) : error("delete");
    }

    QString settle(const QString& kind, const QString& id, bool confirm)
    {
        const DataObject record = read(kind, id);
        if (kind == QLatin1String("task")) {
            if (confirm)
                return m_tasks->confirmTaskUpdate(record) ? ok(QString()) : error("confirm");
            m_tasks->revertTaskState(record);
        } else if (kind == QLatin1String("context")) {
            if (confirm)
                return m_contexts->confirmContextUpdate(record) ? ok(QString()) : error("confirm");
            m_contexts->revertContextState(record);
        } else {
            if (confirm)
                return m_projects->confirmProjectUpdate(record) ? ok(QString()) : error("confirm");
            m_projects->revertProjectState(record);
        }
        return ok(QString());
    }

    QString restore(const QString& kind, const QString& id)
    {
        const DataObject record = read(kind, id);
        const bool restored = kind == QLatin1String("task") ? m_tasks->restoreTask(record)
            : kind == QLatin1String("context")              ? m_contexts->restoreContext(record)
                                                            : m_projects->restoreProject(record);
        return restored ? ok(QString()) : error("restore");
    }

    QString sync()
    {
        const QString started = syncStart();
        return started.startsWith(QLatin1String("OK")) ? syncWait() : started;
    }

    QString syncStart()
    {
        m_active = std::make_unique<QSignalSpy>(m_data.get(), &DataManager::syncActiveChanged);
        m_networkErrors = std::make_unique<QSignalSpy>(m_data.get(), &DataManager::syncNetworkError);
        m_serverErrors = std::make_unique<QSignalSpy>(m_data.get(), &DataManager::syncServerError);
        m_data->startSync();
        // The start is queued to the worker.
        for (int waited = 0; m_active->isEmpty() && waited < 100; ++waited)
            m_active->wait(100);
        return m_active->isEmpty() ? error("the sync did not start") : ok(QString());
    }

    QString syncWait()
    {
        if (!m_active)
            return error("no sync was started");
        const auto ended = [this] { return !m_active->isEmpty() && !m_active->last().at(0).toBool(); };
        for (int waited = 0; !ended() && waited < 600; ++waited)
            m_active->wait(100);
        if (!ended())
            return error("the sync did not end");
        QJsonObject result { { "networkErrors", m_networkErrors->size() } };
        QJsonArray codes;
        for (const QList<QVariant>& arguments : *m_serverErrors)
            codes.append(arguments.value(2).toInt());
        result.insert("serverErrors", codes);
        m_active.reset();
        return ok(QString::fromUtf8(QJsonDocument(result).toJson(QJsonDocument::Compact)));
    }

    // What this device holds, committed, read past the data manager.
    QJsonArray dump() const
    {
        QJsonArray rows;
        {
            QSqlDatabase db = QSqlDatabase::addDatabase(QStringLiteral("QSQLITE"), QStringLiteral("dump"));
            db.setDatabaseName(m_path);
            db.setConnectOptions(QStringLiteral("QSQLITE_OPEN_READONLY"));
            if (db.open()) {
                const QStringList queries = {
                    "SELECT 'task' AS kind, id, name, parent, IFNULL(context, '') AS context, state, synced, local "
                    "FROM task",
                    "SELECT CASE WHEN folder THEN 'folder' ELSE 'project' END AS kind, id, name, IFNULL(parent, '') "
                    "AS parent, IFNULL(context, '') AS context, state, synced, local FROM project",
                    "SELECT 'context' AS kind, id, name, IFNULL(parent, '') AS parent, '' AS context, state, "
                    "synced, local FROM context",
                };
                for (const QString& sql : queries) {
                    QSqlQuery query(db);
                    query.exec(sql);
                    while (query.next()) {
                        QJsonObject row;
                        for (int i = 0; i < query.record().count(); ++i)
                            row.insert(query.record().fieldName(i), QJsonValue::fromVariant(query.value(i)));
                        rows.append(row);
                    }
                }
            }
            db.close();
        }
        QSqlDatabase::removeDatabase(QStringLiteral("dump"));
        return rows;
    }

    QString m_path;
    std::unique_ptr<QSignalSpy> m_active;
    std::unique_ptr<QSignalSpy> m_networkErrors;
    std::unique_ptr<QSignalSpy> m_serverErrors;
    std::unique_ptr<DataManager> m_data;
    std::unique_ptr<TaskHandler> m_tasks;
    std::unique_ptr<ProjectHandler> m_projects;
    std::unique_ptr<ContextHandler> m_contexts;
};

} // namespace

int main(int argc, char* argv[])
{
    if (argc < 4) {
        std::fprintf(stderr, "usage: quorvel-syncd-client SYNC_URL LOGIN PASSWORD_MD5\n");
        return 2;
    }
    // A home of its own, inside the sandbox of the test that started it;
    // with QUORVEL_DEVICE_ROOT, one that a restarted device finds again.
    const QString deviceRoot = qEnvironmentVariable("QUORVEL_DEVICE_ROOT");
    if (deviceRoot.isEmpty())
        TestSandbox::enter();
    else if (!TestSandbox::enterAt(deviceRoot))
        return 2;
    qputenv("QUORVEL_SYNC_URL", argv[1]);
    QCoreApplication app(argc, argv);
    AppInfo::applyToApplication();
    AppResources::initialize();
    if (!TestSandbox::isActive())
        return 2;
    Logging::Logger::instance().setFileDestination(AppPaths::appDataFile(QStringLiteral("logs/qv_log.dat")));

    Settings::instance()->setClientLogin(QString::fromUtf8(argv[2]));
    Settings::instance()->setClientPassword(QString::fromUtf8(argv[3]));
    Settings::instance()->setCloudSyncEnabled(true);

    Device device;
    if (!device.open()) {
        std::printf("ERR the store did not open\n");
        return 2;
    }
    std::printf("OK %s\n", qPrintable(TestSandbox::home()));
    std::fflush(stdout);
    std::string line;
    while (std::getline(std::cin, line)) {
        const QStringList words = QString::fromStdString(line).split(QLatin1Char(' '), Qt::SkipEmptyParts);
        if (words.value(0) == QLatin1String("quit"))
            break;
        std::printf("%s\n", device.run(words).toUtf8().constData());
        std::fflush(stdout);
    }
    device.close();
    return 0;
}
