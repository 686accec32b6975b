#include "data/DatabaseHandler.h"

#include "data/DatabaseTemplate.h"
#include "data/PredefinedDataHelper.h"
#include "data/WallClock.h"
#include "logging/Log.h"
#include "shell/AppPaths.h"

#include <QDateTime>
#include <QFile>
#include <QFileInfo>
#include <QSettings>
#include <QSqlDatabase>
#include <QSqlError>
#include <QSqlQuery>
#include <QSqlRecord>
#include <QStringList>

namespace {

const QString CalendarInfoTableSql = QStringLiteral(
    "CREATE TABLE IF NOT EXISTS calendar_info (\"id\" Integer NOT NULL PRIMARY KEY AUTOINCREMENT, "
    "\"task_id\" Text NOT NULL, \"synced\" Boolean NOT NULL DEFAULT 0, \"updated\" Boolean NOT NULL DEFAULT "
    "0)");
const QString TaskStateIndexSql = QStringLiteral("CREATE INDEX IF NOT EXISTS TaskStateIndex ON task(state)");
const QString ProjectIdIndexSql
    = QStringLiteral("CREATE UNIQUE INDEX IF NOT EXISTS ProjectIdIndex ON project(id)");
const QString ContextIdIndexSql
    = QStringLiteral("CREATE UNIQUE INDEX IF NOT EXISTS ContextIdIndex ON context(id)");

QString notOpenText()
{
    return QStringLiteral("The database is not open.");
}

} // namespace

struct DatabaseHandler::Private
{
    QString filePath;
    QString connectionName;
    QSqlDatabase db;
    QString lastCreatedObjectId;
    bool connected = false;

    // Runs sql once on query. A closed connection is refused here, before
    // Qt would complain about it on its own.
    bool run(QSqlQuery& query, const QString& sql, QString* errorText)
    {
        if (!db.isOpen()) {
            *errorText = notOpenText();
            return false;
        }
        if (query.exec(sql))
            return true;
        *errorText = query.lastError().text();
        return false;
    }

    bool run(const QString& sql, QString* errorText)
    {
        QSqlQuery query(db);
        return run(query, sql, errorText);
    }

    QString databaseErrorText() const
    {
        const QString text = db.lastError().text().trimmed();
        if (!text.isEmpty())
            return text;
        return db.isOpen() ? QString() : notOpenText();
    }
};

DatabaseHandler* DatabaseHandler::instance()
{
    // Never deleted: the data worker closes the connection when it stops,
    // and the process ends soon after.
    static DatabaseHandler* handler = new DatabaseHandler(databasePath());
    return handler;
}

QString DatabaseHandler::databasePath()
{
    static const QString path = [] {
        const QString filePath = AppPaths::appDataFile(QStringLiteral("quorvel_data.db"));
        QLOG_INFO() << "Database path updated: " << filePath;
        return filePath;
    }();
    return path;
}

QString DatabaseHandler::defaultConnectionName()
{
    return QStringLiteral("quorvel_app");
}

DatabaseHandler::DatabaseHandler(const QString& filePath, const QString& connectionName, QObject* parent)
    : QObject(parent)
    , d(std::make_unique<Private>())
{
    d->filePath = filePath;
    d->connectionName = connectionName;
    d->db = QSqlDatabase::addDatabase(QStringLiteral("QSQLITE"), connectionName);
}

DatabaseHandler::~DatabaseHandler()
{
    if (d->db.isOpen())
        d->db.close();
    // The connection may only be removed once no QSqlDatabase refers to it.
    d->db = QSqlDatabase();
    QSqlDatabase::removeDatabase(d->connectionName);
}

QString DatabaseHandler::filePath() const
{
    return d->filePath;
}

QString DatabaseHandler::connectionName() const
{
    return d->connectionName;
}

bool DatabaseHandler::openAtStart()
{
    QLOG_INFO() << "Connecting to the database...";
    if (!connectDatabase(d->filePath)) {
        QLOG_ERROR() << "Unable to connect to the database!";
        return false;
    }
    QLOG_INFO() << "Connected to the database successfully.";
    createCalendarInfoTable();
    createTaskStateIndex();
    createUniqueIndexForProjectsAndContexts();
    return true;
}

bool DatabaseHandler::connectDatabase(const QString& filePath)
{
    if (d->db.isOpen())
        d->db.close();

    // SQLite would create a missing file as an empty database, which would
    // then pass for a real one on the next start.
    if (!QFileInfo(filePath).isFile()) {
        QLOG_ERROR() << "Unable to open the database: there is no database file at " << filePath;
        setConnected(false);
        return false;
    }

    d->db.setDatabaseName(filePath);
    if (!d->db.open()) {
        QLOG_ERROR() << "Unable to open the database " << filePath << ": " << d->databaseErrorText();
        setConnected(false);
        return false;
    }
    // SQLite opens lazily: a damaged or foreign file only shows when it is read.
    if (!checkReadable(filePath)) {
        d->db.close();
        setConnected(false);
        return false;
    }
    if (!QFileInfo(filePath).isWritable()) {
        QLOG_WARN() << "The database file is read-only, changes cannot be saved: " << filePath;
    }
    setConnected(true);
    return true;
}

bool DatabaseHandler::checkReadable(const QString& filePath)
{
    QSqlQuery query(d->db);
    // quick_check reads every page, so it also finds a file that was cut
    // short, which a look at the schema alone would not notice.
    if (!query.exec(QStringLiteral("PRAGMA quick_check"))) {
        QLOG_ERROR() << "Unable to read the database " << filePath << ": " << query.lastError().text();
        return false;
    }
    QStringList problems;
    while (query.next())
        problems.append(query.value(0).toString());
    if (problems != QStringList { QStringLiteral("ok") }) {
        QLOG_ERROR() << "The database " << filePath
                     << " is damaged: " << problems.mid(0, 5).join(QStringLiteral("; "));
        return false;
    }

    // An empty file is a valid SQLite database too, but not one of ours.
    if (!query.exec(QStringLiteral("SELECT count(*) FROM sqlite_master WHERE type = 'table' "
                                   "AND name IN ('task', 'project', 'context')"))
        || !query.next()) {
        QLOG_ERROR() << "Unable to read the database " << filePath << ": " << query.lastError().text();
        return false;
    }
    if (query.value(0).toInt() != 3) {
        QLOG_ERROR() << "The file " << filePath
                     << " is not a Quorvel database: it lacks the tables task, project and context.";
        return false;
    }
    return true;
}

void DatabaseHandler::disconnectDatabase()
{
    QLOG_INFO() << "Disconnecting from database...";
    d->db.close();
    setConnected(false);
}

bool DatabaseHandler::isConnected() const
{
    return d->db.isOpen();
}

void DatabaseHandler::setConnected(bool connected)
{
    if (d->connected == connected)
        return;
    d->connected = connected;
    emit connectedChanged(connected);
}

void DatabaseHandler::createCalendarInfoTable()
{
    QString error;
    if (!d->run(CalendarInfoTableSql, &error)) {
        QLOG_ERROR() << "Unable to create calendar_info table: Reason: " << error;
    }
}

void DatabaseHandler::createTaskStateIndex()
{
    QString error;
    if (!d->run(TaskStateIndexSql, &error)) {
        QLOG_ERROR() << "Unable to create TaskStateIndex: Reason: " << error;
    }
}

void DatabaseHandler::createUniqueIndexForProjectsAndContexts()
{
    // Fails when duplicate identifiers already exist; the store then works
    // on without the index.
    QString error;
    if (!d->run(ProjectIdIndexSql, &error)) {
        QLOG_ERROR() << "Unable to create ProjectIdIndex: Reason: " << error;
    }
    if (!d->run(ContextIdIndexSql, &error)) {
        QLOG_ERROR() << "Unable to create ContextIdIndex: Reason: " << error;
    }
}

bool DatabaseHandler::beginTransaction()
{
    const bool result = d->db.transaction();
    QLOG_INFO() << "Begin transaction: " << result;
    if (!result) {
        QLOG_ERROR() << "Unable to begin a transaction. Error description: " << d->databaseErrorText();
    }
    return result;
}

bool DatabaseHandler::commitChanges()
{
    if (d->db.commit()) {
        QLOG_INFO() << "Changes successfully saved into DB.";
        return true;
    }
    QLOG_ERROR() << "Unable to save changes into DB. Error description: " << d->databaseErrorText();
    d->lastCreatedObjectId.clear();
    if (d->db.rollback()) {
        QLOG_WARN() << "Rollback successfully completed.";
    } else {
        QLOG_ERROR() << "Unable to rollback changes. Error description: " << d->databaseErrorText();
    }
    return false;
}

bool DatabaseHandler::rollbackChanges()
{
    d->lastCreatedObjectId.clear();
    if (d->db.rollback()) {
        QLOG_WARN() << "Rollback successfully completed.";
        return true;
    }
    QLOG_ERROR() << "Unable to rollback changes. Error description: " << d->databaseErrorText();
    return false;
}

QString DatabaseHandler::lastCreatedObjectId() const
{
    return d->lastCreatedObjectId;
}

void DatabaseHandler::setLastCreatedObjectId(const QString& id)
{
    d->lastCreatedObjectId = id;
}

bool DatabaseHandler::recreateDatabase()
{
    QLOG_INFO() << "Recreating the database...";
    const bool wasOpen = isConnected();
    disconnectDatabase();
    d->lastCreatedObjectId.clear();

    QLOG_INFO() << "Resettings ids of inbox projects...";
    // The helper belongs to the interface thread. A blocking call would
    // deadlock (the interface is blocked waiting for this very call), so the
    // reset is queued there; on the helper's own thread it runs at once.
    QMetaObject::invokeMethod(PredefinedDataHelper::instance(), &PredefinedDataHelper::resetBuiltInListIds);
    QLOG_INFO() << "Disconnected from database.";

    // Only a database that was open - and so known to be readable - is
    // deleted. One that could not be opened may still be rescued by other
    // means, so it is kept under another name.
    const bool removed = wasOpen ? removeDatabaseFile() : setAsideUnreadableFile();
    if (!removed) {
        QLOG_ERROR() << "Unable to remove database file! Path: " << d->filePath;
        QLOG_ERROR() << "Unable to unpack database file!";
        return false;
    }
    if (!DatabaseTemplate::unpackTo(d->filePath))
        return false;

    QLOG_INFO() << "Connecting to new created database...";
    if (!connectDatabase(d->filePath)) {
        QLOG_ERROR() << "Unable to connect to the database!";
        return false;
    }
    writePredefinedObjectsReset();
    // All of the open-time schema, not only calendar_info: without the unique
    // indexes this session could store duplicate identifiers, and the indexes
    // could then never be created again.
    createCalendarInfoTable();
    createTaskStateIndex();
    createUniqueIndexForProjectsAndContexts();
    return isConnected();
}

bool DatabaseHandler::removeDatabaseFile()
{
    const QString path = d->filePath;
    if (QFileInfo::exists(path) && !QFile::remove(path))
        return false;
    // A journal left beside the old file would be played back into the new one.
    const QString journal = path + QStringLiteral("-journal");
    if (QFileInfo::exists(journal))
        QFile::remove(journal);
    return true;
}

bool DatabaseHandler::setAsideUnreadableFile()
{
    const QString path = d->filePath;
    if (!QFileInfo::exists(path))
        return true;
    const QString stem = path + QStringLiteral(".unreadable-")
        + QDateTime::currentDateTime().toString(QStringLiteral("yyyyMMdd-hhmmss"));
    QString keptPath = stem;
    for (int attempt = 2;
         QFileInfo::exists(keptPath) || QFileInfo::exists(keptPath + QStringLiteral("-journal")); ++attempt)
        keptPath = stem + QLatin1Char('-') + QString::number(attempt);
    if (!QFile::rename(path, keptPath))
        return false;
    // The journal travels with its database: it is part of its content.
    const QString journal = path + QStringLiteral("-journal");
    if (QFileInfo::exists(journal) && !QFile::rename(journal, keptPath + QStringLiteral("-journal"))) {
        QLOG_ERROR() << "Unable to move the journal " << journal << " beside the kept database " << keptPath;
        QFile::rename(keptPath, path);
        return false;
    }
    QLOG_WARN() << "The database could not be opened, so it is kept as " << keptPath
                << " instead of being deleted.";
    return true;
}

void DatabaseHandler::writePredefinedObjectsReset()
{
    const QString path = AppPaths::appDataFile(QStringLiteral("predefined_objects.dat"));
    QSettings settings(path, QSettings::IniFormat);
    settings.clear();
    // The predefined folders and contexts are created again in the new database.
    settings.setValue(QStringLiteral("folders_created"), 0);
    settings.setValue(QStringLiteral("contexts_created"), 0);
    settings.sync();
    if (settings.status() != QSettings::NoError) {
        QLOG_ERROR() << "Unable to write " << path;
    }
}

bool DatabaseHandler::execute(const QString& sql)
{
    QString error;
    if (!d->run(sql, &error)) {
        QLOG_ERROR() << "SQL query error: " << error;
        return false;
    }
    return true;
}

int DatabaseHandler::count(const QString& sql)
{
    QSqlQuery query(d->db);
    QString error;
    if (!d->run(query, sql, &error)) {
        QLOG_ERROR() << "SQL List query error: " << error;
        return 0;
    }
    return query.next() ? query.value(0).toInt() : 0;
}

QList<DataObject> DatabaseHandler::list(const QString& sql)
{
    QSqlQuery query(d->db);
    query.setForwardOnly(true);
    QString error;
    if (!d->run(query, sql, &error)) {
        QLOG_ERROR() << "SQL List query error: " << error;
        return {};
    }
    QList<DataObject> records;
    while (query.next())
        records.append(recordFromQuery(query));
    return records;
}

DataObject DatabaseHandler::single(const QString& sql)
{
    QSqlQuery query(d->db);
    query.setForwardOnly(true);
    QString error;
    if (!d->run(query, sql, &error)) {
        QLOG_ERROR() << "SQL List query error: " << error;
        return {};
    }
    return query.next() ? recordFromQuery(query) : DataObject();
}

DataObject DatabaseHandler::recordFromQuery(const QSqlQuery& query)
{
    static const QString Start = QStringLiteral("START");
    static const QString Due = QStringLiteral("DUE");

    DataObject record;
    const QSqlRecord columns = query.record();
    for (int i = 0; i < columns.count(); ++i) {
        const QString key = columns.fieldName(i).toUpper();
        if (key == Start || key == Due)
            record.insert(key, WallClock::fromStored(query.value(i)));
        else
            record.insert(key, query.value(i));
    }
    return record;
}
