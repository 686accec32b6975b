#include "support/StoreFixture.h"

#include "support/LogReader.h"

#include "data/DatabaseHandler.h"
#include "data/DatabaseTemplate.h"
#include "logging/Logger.h"
#include "shell/AppPaths.h"
#include "shell/Settings.h"
#include "support/RecordBuilder.h"
#include "support/TestSandbox.h"
#include "time/RepeatedTaskHelper.h"

#include <QFile>
#include <QFileInfo>
#include <QRegularExpression>
#include <QSqlQuery>
#include <QSqlRecord>

StoreFixture::StoreFixture() = default;

StoreFixture::~StoreFixture()
{
    close();
}

bool StoreFixture::open()
{
    close();
    m_path = AppPaths::appDataFile(QStringLiteral("quorvel_data.db"));
    if (!DatabaseTemplate::unpackTo(m_path))
        return false;
    m_settings = std::make_unique<Settings>();
    m_store = std::make_unique<DatabaseHandler>(m_path, QStringLiteral("tst_store"));
    m_store->setSettings(m_settings.get());
    if (!m_store->openAtStart())
        return false;
    m_repetition = std::make_unique<RepeatedTaskHelper>(
        m_store.get(), AppPaths::appDataFile(QStringLiteral("repeated_tasks_reminders.dat")));
    m_store->setRepeatedTaskHelper(m_repetition.get());
    markLog();
    return true;
}

void StoreFixture::close()
{
    m_repetition.reset();
    m_store.reset();
    m_settings.reset();
}

bool StoreFixture::seedTask(const DataObject& task)
{
    DataObject record = task;
    record.insert(QStringLiteral("SYNC"), true);
    if (!record.contains(QStringLiteral("TIMESTAMP")))
        record.insert(QStringLiteral("TIMESTAMP"), QDateTime::currentSecsSinceEpoch());
    return m_store->createTaskRemotely(record);
}

bool StoreFixture::seedProject(const DataObject& project)
{
    DataObject record = project;
    record.insert(QStringLiteral("SYNC"), true);
    if (!record.contains(QStringLiteral("TIMESTAMP")))
        record.insert(QStringLiteral("TIMESTAMP"), QDateTime::currentSecsSinceEpoch());
    return m_store->createProjectRemotely(record);
}

bool StoreFixture::seedContext(const DataObject& context)
{
    DataObject record = context;
    record.insert(QStringLiteral("SYNC"), true);
    if (!record.contains(QStringLiteral("TIMESTAMP")))
        record.insert(QStringLiteral("TIMESTAMP"), QDateTime::currentSecsSinceEpoch());
    return m_store->createContextRemotely(record);
}

namespace {
const qint64 SeedTime = 1700000000; // 2023-11-14
}

bool StoreFixture::task(
    const QString& id, const QString& parent, int state, const QString& context, qint64 timestamp)
{
    return seedTask(RecordBuilder::task(id, parent)
                        .withId(id)
                        .state(state)
                        .inContext(context)
                        .fromSync(timestamp ? timestamp : SeedTime));
}

bool StoreFixture::project(
    const QString& id, const QString& parent, int state, const QString& context, qint64 timestamp)
{
    return seedProject(RecordBuilder::project(id, parent)
                           .withId(id)
                           .state(state)
                           .inContext(context)
                           .fromSync(timestamp ? timestamp : SeedTime));
}

bool StoreFixture::folder(const QString& id, const QString& parent, int state, qint64 timestamp)
{
    return seedProject(
        RecordBuilder::folder(id, parent).withId(id).state(state).fromSync(timestamp ? timestamp : SeedTime));
}

bool StoreFixture::context(const QString& id, const QString& parent, int state, qint64 timestamp)
{
    return seedContext(RecordBuilder::context(id, parent)
                           .withId(id)
                           .state(state)
                           .fromSync(timestamp ? timestamp : SeedTime));
}

DataObject StoreFixture::taskRecord(const QString& id)
{
    return m_store->getTaskById(id);
}

DataObject StoreFixture::projectRecord(const QString& id)
{
    return m_store->getProjectById(id);
}

DataObject StoreFixture::contextRecord(const QString& id)
{
    return m_store->getContextById(id);
}

int StoreFixture::stateOf(const QString& table, const QString& id)
{
    const DataObject record = table == QLatin1String("task") ? taskRecord(id)
        : table == QLatin1String("project")                  ? projectRecord(id)
                                                             : contextRecord(id);
    return record.isEmpty() ? -1 : record.value(QStringLiteral("STATE")).toInt();
}

QVariantMap StoreFixture::rawRow(const QString& table, const QString& id)
{
    QSqlQuery query(QSqlDatabase::database(QStringLiteral("tst_store"), false));
    query.prepare(QStringLiteral("SELECT * FROM %1 WHERE id = ?").arg(table));
    query.addBindValue(id);
    QVariantMap row;
    if (!query.exec() || !query.next())
        return row;
    const QSqlRecord record = query.record();
    for (int i = 0; i < record.count(); ++i)
        row.insert(record.fieldName(i).toLower(), query.value(i));
    return row;
}

int StoreFixture::rowCount(const QString& table)
{
    QSqlQuery query(QSqlDatabase::database(QStringLiteral("tst_store"), false));
    if (!query.exec(QStringLiteral("SELECT count(*) FROM %1").arg(table)) || !query.next())
        return -1;
    return query.value(0).toInt();
}

QStringList StoreFixture::dumpFile(const QString& path)
{
    const QString name = QStringLiteral("dump_file");
    QStringList lines;
    {
        QSqlDatabase db = QSqlDatabase::addDatabase(QStringLiteral("QSQLITE"), name);
        db.setDatabaseName(path);
        db.setConnectOptions(QStringLiteral("QSQLITE_OPEN_READONLY"));
        if (db.open())
            lines = dumpConnection(db);
        db.close();
    }
    QSqlDatabase::removeDatabase(name);
    return lines;
}

QStringList StoreFixture::dump()
{
    return dumpConnection(QSqlDatabase::database(QStringLiteral("tst_store"), false));
}

QStringList StoreFixture::dumpConnection(const QSqlDatabase& db)
{
    QStringList lines;
    QSqlQuery query(db);
    for (const QString& table : { QStringLiteral("task"), QStringLiteral("project"),
             QStringLiteral("context"), QStringLiteral("calendar_info"), QStringLiteral("sqlite_master") }) {
        if (!query.exec(QStringLiteral("SELECT * FROM %1 ORDER BY 1, 2, 3").arg(table))) {
            lines.append(table + QStringLiteral(": unreadable"));
            continue;
        }
        while (query.next()) {
            QStringList values;
            const QSqlRecord record = query.record();
            for (int i = 0; i < record.count(); ++i) {
                const QVariant value = query.value(i);
                values.append(value.isNull()
                        ? QStringLiteral("NULL")
                        : QStringLiteral("%1:%2").arg(value.typeName(), value.toString()));
            }
            lines.append(table + QStringLiteral(": ") + values.join(QStringLiteral(" | ")));
        }
    }
    return lines;
}

void StoreFixture::setUpLogging(const QString& testName)
{
    Logging::Logger::instance().setFileDestination(
        TestSandbox::root() + QStringLiteral("/logs/") + testName + QStringLiteral(".log"));
    Logging::Logger::instance().setLoggingLevel(Logging::DebugLevel);
}

void StoreFixture::markLog()
{
    Logging::Logger::instance().flush();
    m_logStart = QFileInfo(Logging::Logger::instance().filePath()).size();
}

QStringList StoreFixture::logLines() const
{
    return LogReader::levelsAndMessages(Logging::Logger::instance().filePath(), m_logStart);
}

bool StoreFixture::logged(const QString& levelAndStart) const
{
    for (const QString& line : logLines()) {
        if (line.startsWith(levelAndStart))
            return true;
    }
    return false;
}
