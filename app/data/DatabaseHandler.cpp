#include "data/DatabaseHandler.h"

#include "common/SettingsFileCheck.h"
#include "data/DatabaseTemplate.h"
#include "data/DirectRowReader.h"
#include "data/ObjectIdentifier.h"
#include "data/ObjectState.h"
#include "data/PredefinedDataHelper.h"
#include "data/SqlStatement.h"
#include "data/WallClock.h"
#include "logging/Log.h"
#include "shell/AppPaths.h"
#include "shell/Settings.h"
#include "time/RepeatedTaskHelper.h"

#include <QCoreApplication>
#include <QDateTime>
#include <QElapsedTimer>
#include <QFile>
#include <QFileInfo>
#include <QMutex>
#include <QMutexLocker>
#include <QSet>
#include <QSettings>
#include <QSqlDatabase>
#include <QSqlDriver>
#include <QSqlError>
#include <QSqlQuery>
#include <QSqlRecord>
#include <QStringList>
#include <QTimer>
#include <QVector>

#include <algorithm>
#include <atomic>
#include <cmath>

#include <sqlite3.h>

namespace {

// Whether SQLite itself still holds a transaction on the connection: after
// some failures (a full disk, an I/O error) it undoes the whole transaction
// by itself. 1 yes, 0 no, -1 when this build cannot ask (Qt's driver may use
// another SQLite library than ours).
int sqliteTransactionState(const QSqlDatabase& db)
{
#ifdef QUORVEL_DIRECT_SQLITE_READS
    if (!db.isOpen() || !db.driver())
        return -1;
    const QVariant handle = db.driver()->handle();
    if (!handle.isValid() || qstrcmp(handle.typeName(), "sqlite3*") != 0)
        return -1;
    sqlite3* connection = *static_cast<sqlite3* const*>(handle.constData());
    return connection ? (sqlite3_get_autocommit(connection) ? 0 : 1) : -1;
#else
    Q_UNUSED(db)
    return -1;
#endif
}

const QString CalendarInfoTableSql = QStringLiteral(
    "CREATE TABLE IF NOT EXISTS calendar_info (\"id\" Integer NOT NULL PRIMARY KEY AUTOINCREMENT, "
    "\"task_id\" Text NOT NULL, \"synced\" Boolean NOT NULL DEFAULT 0, \"updated\" Boolean NOT NULL DEFAULT "
    "0)");
const QString TaskStateIndexSql = QStringLiteral("CREATE INDEX IF NOT EXISTS TaskStateIndex ON task(state)");
const QString ProjectIdIndexSql
    = QStringLiteral("CREATE UNIQUE INDEX IF NOT EXISTS ProjectIdIndex ON project(id)");
const QString ContextIdIndexSql
    = QStringLiteral("CREATE UNIQUE INDEX IF NOT EXISTS ContextIdIndex ON context(id)");

// Indexes for the everyday queries: the day plan and the calendar marks
// (state and due), a past day (due), a project's tasks.
// Without them each of those reads the whole task table.
const char *const QueryIndexes[][2] = {
    { "TaskStateDueIndex", "CREATE INDEX IF NOT EXISTS TaskStateDueIndex ON task(state, due)" },
    { "TaskDueIndex", "CREATE INDEX IF NOT EXISTS TaskDueIndex ON task(due)" },
    { "TaskParentIndex", "CREATE INDEX IF NOT EXISTS TaskParentIndex ON task(parent)" },
    // The upload looks for the few rows not yet sent among all of them.
    { "TaskUnsyncedIndex", "CREATE INDEX IF NOT EXISTS TaskUnsyncedIndex ON task(state, local) WHERE synced = 0" },
    { "ProjectUnsyncedIndex",
      "CREATE INDEX IF NOT EXISTS ProjectUnsyncedIndex ON project(folder, state, local) WHERE synced = 0" },
};

QString notOpenText()
{
    return QStringLiteral("The database is not open.");
}

// Turns result rows into records. The keys, and which columns are dates,
// are worked out once per result; the columns are visited in key order so
// that each key goes in at the map's end instead of being searched for.
class RowReader
{
public:
    explicit RowReader(const QSqlRecord& columns)
    {
        static const QString Start = QStringLiteral("START");
        static const QString Due = QStringLiteral("DUE");
        m_columns.reserve(columns.count());
        for (int i = 0; i < columns.count(); ++i) {
            const QString key = columns.fieldName(i).toUpper();
            m_columns.append({ key, i, key == Start || key == Due });
        }
        std::stable_sort(m_columns.begin(), m_columns.end(),
            [](const Column& a, const Column& b) { return a.key < b.key; });
    }

    DataObject read(const QSqlQuery& query) const
    {
        DataObject record;
        for (const Column& column : m_columns) {
            const QVariant value = query.value(column.index);
            record.insert(
                record.cend(), column.key, column.isDate ? QVariant(WallClock::fromStored(value)) : value);
        }
        return record;
    }

private:
    struct Column
    {
        QString key;
        int index;
        bool isDate;
    };
    QVector<Column> m_columns;
};

const QString IdKey = QStringLiteral("ID");
const QString NameKey = QStringLiteral("NAME");
const QString MemoKey = QStringLiteral("MEMO");
const QString ParentKey = QStringLiteral("PARENT");
const QString StartKey = QStringLiteral("START");
const QString DueKey = QStringLiteral("DUE");
const QString ContextKey = QStringLiteral("CONTEXT");
const QString FolderKey = QStringLiteral("FOLDER");
const QString TimestampKey = QStringLiteral("TIMESTAMP");
const QString StateKey = QStringLiteral("STATE");
const QString SyncedKey = QStringLiteral("SYNCED");
const QString LocalKey = QStringLiteral("LOCAL");
const QString PeriodKey = QStringLiteral("PERIOD");
const QString LevelKey = QStringLiteral("LEVEL");
const QString ChildrenKey = QStringLiteral("CHILDREN");
const QString SyncKey = QStringLiteral("SYNC");

// Display-only keys of repeated-task occurrences; never stored.
const QStringList OccurrenceKeys = { QStringLiteral("REPEATED"), QStringLiteral("FAKESTART"),
    QStringLiteral("FAKEDUE"), QStringLiteral("FAKETASK") };

const QString TaskSelect = QStringLiteral(
    "SELECT id, name, parent, memo, start, due, context, timestamp, state, synced, local, period FROM task ");
const QString ProjectSelect = QStringLiteral("SELECT id, name, parent, memo, start, due, context, timestamp, "
                                             "folder, state, synced, local FROM project ");
const QString ContextSelect
    = QStringLiteral("SELECT id, name, parent, memo, timestamp, state, synced, local FROM context ");

// The depth of a row is the longest walk up its parent links. The walk is cut
// off after 1000 steps: a parent cycle (two devices each moving a folder into
// the other) would otherwise keep the recursion going for ever. Objects in a
// cycle get the cut-off level and so are never taken for roots.
const QString ProjectDepthSelect = QStringLiteral(
    "SELECT id, name, parent, memo, start, due, context, folder, timestamp, state, synced, local, "
    "(WITH RECURSIVE tree_level(obj_id, parent, level) AS ( SELECT id, parent, 0 FROM project WHERE id = prj.id "
    "UNION SELECT project.id, project.parent, tree_level.level + 1 FROM project JOIN tree_level ON project.id = "
    "tree_level.parent WHERE tree_level.level < 1000) SELECT MAX(level) FROM tree_level) AS level "
    "FROM project prj ");
const QString ContextDepthSelect = QStringLiteral(
    "SELECT id, name, parent, memo, timestamp, state, synced, local, "
    "(WITH RECURSIVE tree_level(obj_id, parent, level) AS ( SELECT id, parent, 0 FROM context WHERE id = ctx.id "
    "UNION SELECT context.id, context.parent, tree_level.level + 1 FROM context JOIN tree_level ON context.id = "
    "tree_level.parent WHERE tree_level.level < 1000) SELECT MAX(level) FROM tree_level) AS level "
    "FROM context ctx ");

const QString CalendarTaskSelect = QStringLiteral(
    "SELECT task.id, task.name, task.parent, task.memo, task.start, task.due, task.context, task.timestamp, "
    "task.state, task.synced, task.local, task.period FROM task LEFT JOIN calendar_info ON task.id = "
    "calendar_info.task_id ");

enum class ColumnKind { Text, Date, Bool, State, Timestamp, Real };

using ColumnSet = QHash<QString, ColumnKind>;

const ColumnSet& taskColumns()
{
    static const ColumnSet columns = {
        { QStringLiteral("CONTEXT"), ColumnKind::Text },
        { QStringLiteral("DUE"), ColumnKind::Date },
        { QStringLiteral("ID"), ColumnKind::Text },
        { QStringLiteral("MEMO"), ColumnKind::Text },
        { QStringLiteral("NAME"), ColumnKind::Text },
        { QStringLiteral("PARENT"), ColumnKind::Text },
        { QStringLiteral("PERIOD"), ColumnKind::Text },
        { QStringLiteral("START"), ColumnKind::Date },
        { QStringLiteral("STATE"), ColumnKind::State },
        { QStringLiteral("TIMESTAMP"), ColumnKind::Timestamp },
        { QStringLiteral("SYNCED"), ColumnKind::Bool },
        { QStringLiteral("LOCAL"), ColumnKind::Bool },
    };
    return columns;
}

const ColumnSet& projectColumns()
{
    static const ColumnSet columns = {
        { QStringLiteral("CONTEXT"), ColumnKind::Text },
        { QStringLiteral("DUE"), ColumnKind::Date },
        { QStringLiteral("FOLDER"), ColumnKind::Bool },
        { QStringLiteral("ID"), ColumnKind::Text },
        { QStringLiteral("MEMO"), ColumnKind::Text },
        { QStringLiteral("NAME"), ColumnKind::Text },
        { QStringLiteral("PARENT"), ColumnKind::Text },
        { QStringLiteral("START"), ColumnKind::Date },
        { QStringLiteral("STATE"), ColumnKind::State },
        { QStringLiteral("TIMESTAMP"), ColumnKind::Timestamp },
        { QStringLiteral("SYNCED"), ColumnKind::Bool },
        { QStringLiteral("LOCAL"), ColumnKind::Bool },
    };
    return columns;
}

const ColumnSet& contextColumns()
{
    static const ColumnSet columns = {
        { QStringLiteral("ALTITUDE"), ColumnKind::Real },
        { QStringLiteral("ID"), ColumnKind::Text },
        { QStringLiteral("LATITUDE"), ColumnKind::Real },
        { QStringLiteral("LONGITUDE"), ColumnKind::Real },
        { QStringLiteral("MEMO"), ColumnKind::Text },
        { QStringLiteral("NAME"), ColumnKind::Text },
        { QStringLiteral("PARENT"), ColumnKind::Text },
        { QStringLiteral("STATE"), ColumnKind::State },
        { QStringLiteral("TIMESTAMP"), ColumnKind::Timestamp },
        { QStringLiteral("SYNCED"), ColumnKind::Bool },
        { QStringLiteral("LOCAL"), ColumnKind::Bool },
    };
    return columns;
}

qint64 nowSeconds()
{
    return QDateTime::currentSecsSinceEpoch();
}

QString text(const DataObject& record, const QString& key)
{
    return record.value(key).toString();
}

int stateOf(const DataObject& record)
{
    return record.value(StateKey).toInt();
}

// The seconds a date value is stored as, or an invalid value for "not set".
// Records carry date-times; a bare number is taken as seconds already.
QVariant storedDate(const QVariant& value, bool* malformed)
{
    *malformed = false;
    switch (static_cast<QMetaType::Type>(value.userType())) {
    case QMetaType::Int:
    case QMetaType::UInt:
    case QMetaType::LongLong:
    case QMetaType::ULongLong:
    case QMetaType::Long:
    case QMetaType::ULong:
        return value.toLongLong() == 0 ? QVariant() : QVariant(value.toLongLong());
    case QMetaType::Double: {
        const double number = value.toDouble();
        if (std::isfinite(number) && std::floor(number) == number)
            return number == 0 ? QVariant() : QVariant(static_cast<qint64>(number));
        *malformed = true;
        return QVariant();
    }
    case QMetaType::QString: {
        const QString textValue = value.toString().trimmed();
        if (textValue.isEmpty())
            return QVariant();
        bool isNumber = false;
        const qint64 seconds = textValue.toLongLong(&isNumber);
        if (isNumber)
            return seconds == 0 ? QVariant() : QVariant(seconds);
        break;
    }
    default:
        break;
    }
    const QDateTime dateTime = value.toDateTime();
    if (dateTime.isValid())
        return WallClock::toStored(dateTime);
    *malformed = value.isValid() && !value.isNull() && !value.toString().isEmpty();
    return QVariant();
}

} // namespace

struct DatabaseHandler::Private
{
    QString filePath;
    QString connectionName;
    QSqlDatabase db;
    QString lastCreatedObjectId;
    bool connected = false;
    // SQLite refuses a BEGIN inside a transaction, so the store keeps track of
    // the one it opened: a second top-level write (the history copy of a
    // repeated task and the task itself, a batch of copies) joins it.
    bool transactionOpen = false;

    RepeatedTaskHelper* repetition = nullptr;
    Settings* settings = nullptr;
    std::function<void(const QString&)> observer;

    // Records written by the last top-level local update, collected while
    // it runs.
    QList<DataObject> writtenRecords;
    bool collectingRecords = false;
    // The folders and contexts of the cascade under way. Synchronisation can
    // leave two objects each other's parent; without this a cascade through
    // them would recurse until the stack runs out.
    QSet<QString> cascadePath;
    // SQLite's result code of the last statement run here (0: it succeeded).
    int lastErrorCode = 0;

    DatabaseBackup backup { QString() };
    // Since the last statement: the daily backup waits for a quiet moment.
    QElapsedTimer sinceStatement;
    // The in-use marker this store wrote at open, removed at a clean close.
    QString inUseMarker;
    // A file just put in place (a restored backup) is read whole at open.
    bool checkFullyNext = false;
    QTimer* backupTimer = nullptr;
    int backupQuietMs = 10000;

    // What a daily backup's check, finishing on a pool thread, reports
    // back to: the store while it exists.
    struct BackupReport
    {
        QMutex lock;
        DatabaseHandler* store = nullptr;
        std::atomic_bool running { false };
    };
    std::shared_ptr<BackupReport> backupReport = std::make_shared<BackupReport>();

    void noteStatement(const QString& sql)
    {
        if (observer)
            observer(sql);
        sinceStatement.restart();
    }

    // Runs sql once on query. A closed connection is refused here, before
    // Qt would complain about it on its own.
    bool run(QSqlQuery& query, const QString& sql, QString* errorText)
    {
        noteStatement(sql);
        if (!db.isOpen()) {
            *errorText = notOpenText();
            return false;
        }
        if (query.exec(sql)) {
            lastErrorCode = 0;
            return true;
        }
        *errorText = query.lastError().text();
        lastErrorCode = query.lastError().nativeErrorCode().toInt();
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
    d->backup = DatabaseBackup(filePath);
    d->backupReport->store = this;
    d->db = QSqlDatabase::addDatabase(QStringLiteral("QSQLITE"), connectionName);
    DataObjectTypes::registerMetaTypes();
    TreeHierarchy::registerMetaType();
    IndicatorState::registerMetaType();
}

DatabaseHandler::~DatabaseHandler()
{
    {
        QMutexLocker locker(&d->backupReport->lock);
        d->backupReport->store = nullptr;
    }
    if (d->db.isOpen()) {
        d->db.close();
        clearInUseMark();
    }
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
    updateSchema();
    return true;
}

void DatabaseHandler::updateSchema()
{
    const QStringList pending = pendingSchemaObjects();
    if (!pending.isEmpty()) {
        QLOG_INFO() << "The database gains " << pending.join(QStringLiteral(", "))
                    << "; backing it up first...";
        backUpBefore(DatabaseBackup::Reason::SchemaChange);
    }
    createCalendarInfoTable();
    createTaskStateIndex();
    createUniqueIndexForProjectsAndContexts();
    createQueryIndexes();
}

void DatabaseHandler::createQueryIndexes()
{
    for (const auto &index : QueryIndexes) {
        QString error;
        if (!d->run(QString::fromLatin1(index[1]), &error))
            QLOG_ERROR() << "Unable to create " << index[0] << ": Reason: " << error;
    }
    updateQueryStatisticsIfStale();
}

void DatabaseHandler::updateQueryStatisticsIfStale()
{
    // Without statistics SQLite takes an index on state for selective and
    // walks most of the table through it in due order (random page reads)
    // instead of scanning it. The statistics record how many tasks there
    // were; they are refreshed when that number is missing or the table
    // has since halved or doubled, which keeps this rare and cheap.
    // A small table is read whole in no time whatever the plan.
    //
    // Counting the rows would read a whole index at every open; the span of
    // row numbers is read from the two ends of the table and is near enough
    // (rows are seldom removed for good, and only halving matters).
    // (Each end in a query of its own: SQLite goes straight to an end only
    // for a lone min() or max().)
    const int tasks = count(QStringLiteral(
        "SELECT ifnull((SELECT max(rowid) FROM task) - (SELECT min(rowid) FROM task) + 1, 0)"));
    if (tasks < 1000)
        return;
    qint64 analysed = 0;
    if (count(QStringLiteral("SELECT COUNT(*) FROM sqlite_master WHERE name = 'sqlite_stat1'")) > 0) {
        const DataObject stat = single(QStringLiteral(
            "SELECT stat FROM sqlite_stat1 WHERE tbl = 'task' AND idx = 'TaskStateDueIndex'"));
        analysed = stat.value(QStringLiteral("STAT")).toString().section(QLatin1Char(' '), 0, 0).toLongLong();
    }
    if (analysed > 0 && tasks <= 2 * analysed && 2 * tasks >= analysed)
        return;
    QLOG_INFO() << "Updating query statistics...";
    QString error;
    if (!d->run(QStringLiteral("ANALYZE task"), &error))
        QLOG_ERROR() << "Unable to update query statistics: Reason: " << error;
}

bool DatabaseHandler::connectDatabase(const QString& filePath)
{
    if (d->db.isOpen()) {
        d->db.close();
        clearInUseMark();
    }

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
    const bool leftOpen = QFileInfo::exists(inUseMarkerPath(filePath));
    if (leftOpen) {
        QLOG_WARN() << "The database " << filePath
                    << " was not closed at the end of the last session; every page of it is checked.";
    }
    const OpenCheck depth = leftOpen || d->checkFullyNext ? OpenCheck::Full : OpenCheck::Cheap;
    if (!checkReadable(filePath, depth)) {
        d->db.close();
        setConnected(false);
        return false;
    }
    d->checkFullyNext = false;
    if (!QFileInfo(filePath).isWritable()) {
        QLOG_WARN() << "The database file is read-only, changes cannot be saved: " << filePath;
    }
    markInUse(filePath);
    setConnected(true);
    return true;
}

QString DatabaseHandler::inUseMarkerPath(const QString& filePath)
{
    const QFileInfo info(filePath);
    return info.absolutePath() + QStringLiteral("/.") + info.fileName() + QStringLiteral(".inuse");
}

void DatabaseHandler::markInUse(const QString& filePath)
{
    const QString marker = inUseMarkerPath(filePath);
    QFile file(marker);
    if (!file.open(QIODevice::WriteOnly | QIODevice::Truncate)
        || file.write(QByteArray::number(QCoreApplication::applicationPid()) + '\n') < 0) {
        QLOG_WARN() << "Unable to write " << marker << ": should this session end without closing the "
                    << "database, the next start will not check it in full.";
        return;
    }
    d->inUseMarker = marker;
}

void DatabaseHandler::clearInUseMark()
{
    if (d->inUseMarker.isEmpty())
        return;
    if (!QFile::remove(d->inUseMarker) && QFileInfo::exists(d->inUseMarker))
        QLOG_WARN() << "Unable to remove " << d->inUseMarker
                    << "; the next open checks the database in full.";
    d->inUseMarker.clear();
}

bool DatabaseHandler::checkReadable(const QString& filePath, OpenCheck depth)
{
    if (depth == OpenCheck::Full && !checkEveryPage(filePath))
        return false;
    return checkStructure(filePath);
}

bool DatabaseHandler::checkEveryPage(const QString& filePath)
{
    QSqlQuery query(d->db);
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
    return true;
}

bool DatabaseHandler::checkStructure(const QString& filePath)
{
    QSqlQuery query(d->db);
    const auto number = [&query](const QString& sql, qint64* value) {
        if (!query.exec(sql) || !query.next())
            return false;
        *value = query.value(0).toLongLong();
        return true;
    };
    // Reading the first page is where SQLite compares the length of the file
    // with the page count in its header, so a file cut short fails here; the
    // comparison is repeated for headers whose count SQLite does not trust.
    qint64 pages = 0;
    qint64 pageSize = 0;
    qint64 freePages = 0;
    if (!number(QStringLiteral("PRAGMA page_count"), &pages)
        || !number(QStringLiteral("PRAGMA page_size"), &pageSize)
        || !number(QStringLiteral("PRAGMA freelist_count"), &freePages)) {
        QLOG_ERROR() << "Unable to read the database " << filePath << ": " << query.lastError().text();
        return false;
    }
    const qint64 length = QFileInfo(filePath).size();
    if (pages * pageSize > length || freePages > pages) {
        QLOG_ERROR() << "The database " << filePath << " is damaged: the file holds " << length
                     << " bytes, but its header counts " << pages << " pages of " << pageSize << " bytes, "
                     << freePages << " of them free.";
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

    // Both edges of every table, root to leaf: a few pages each, however
    // long the table, and a page that is not what its parent says it is
    // shows here. (Each end in a query of its own: SQLite goes straight to
    // an end only for a lone min() or max().)
    const QString edges = QStringLiteral("SELECT (SELECT min(rowid) FROM %1), (SELECT max(rowid) FROM %1)");
    for (const char* table : { "task", "project", "context" }) {
        if (!query.exec(edges.arg(QLatin1String(table))) || !query.next()) {
            QLOG_ERROR() << "The database " << filePath << " is damaged: " << query.lastError().text();
            return false;
        }
    }
    return true;
}

void DatabaseHandler::disconnectDatabase()
{
    QLOG_INFO() << "Disconnecting from database...";
    d->db.close();
    d->transactionOpen = false;
    clearInUseMark();
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
    if (result)
        d->transactionOpen = true;
    if (!result) {
        QLOG_ERROR() << "Unable to begin a transaction. Error description: " << d->databaseErrorText();
    }
    return result;
}

bool DatabaseHandler::commitChanges()
{
    d->transactionOpen = false;
    if (d->db.commit()) {
        QLOG_INFO() << "Changes successfully saved into DB.";
        return true;
    }
    QLOG_ERROR() << "Unable to save changes into DB. Error description: " << d->databaseErrorText();
    d->lastCreatedObjectId.clear();
    if (sqliteTransactionState(d->db) == 0) {
        QLOG_WARN() << "The database had already undone the transaction.";
        return false;
    }
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
    const bool wasOpen = d->transactionOpen;
    d->transactionOpen = false;
    // Asking SQLite to roll back what it already undid (a full disk ends the
    // transaction by itself) only fails with "no transaction is active",
    // which would read as a second fault.
    if (wasOpen && sqliteTransactionState(d->db) == 0) {
        QLOG_WARN() << "Rollback not needed: the database had already undone the transaction.";
        return true;
    }
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
    if (wasOpen)
        backUpBefore(DatabaseBackup::Reason::Recreation);
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
    d->checkFullyNext = true;
    if (!connectDatabase(d->filePath)) {
        QLOG_ERROR() << "Unable to connect to the database!";
        return false;
    }
    writePredefinedObjectsReset();
    // All of the open-time schema, not only calendar_info: without the unique
    // indexes this session could store duplicate identifiers, and the indexes
    // could then never be created again.
    updateSchema();
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

bool DatabaseHandler::setAsideUnreadableFile(QString* keptAs)
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
    if (keptAs)
        *keptAs = keptPath;
    return true;
}

bool DatabaseHandler::restoreBackup(const QString& backupPath)
{
    QLOG_INFO() << "Restoring the database from the backup " << backupPath << "...";
    if (isConnected()) {
        QLOG_ERROR() << "The database is open; a backup only takes the place of one that could not be "
                        "opened.";
        return false;
    }
    QString problem;
    if (!DatabaseBackup::check(backupPath, DatabaseBackup::Check::Quick, &problem)) {
        QLOG_ERROR() << "The backup " << backupPath << " cannot be restored: " << problem;
        return false;
    }
    d->lastCreatedObjectId.clear();
    d->transactionOpen = false;
    QString keptAs;
    if (!setAsideUnreadableFile(&keptAs)) {
        QLOG_ERROR() << "Unable to move the database " << d->filePath
                     << " aside; the backup is not restored.";
        return false;
    }
    // Copied, never moved: the backup stays as it is, whatever happens next.
    QString error;
    if (!DatabaseBackup::copy(backupPath, d->filePath, &error)) {
        QLOG_ERROR() << "Unable to copy the backup " << backupPath << " to " << d->filePath << ": " << error;
        // The kept file goes back, so that the next start still finds it and
        // offers the same choice, instead of a new empty database.
        if (!keptAs.isEmpty() && QFile::rename(keptAs, d->filePath)) {
            const QString journal = keptAs + QStringLiteral("-journal");
            if (QFileInfo::exists(journal))
                QFile::rename(journal, d->filePath + QStringLiteral("-journal"));
        }
        return false;
    }
    d->checkFullyNext = true;
    QLOG_INFO() << "Connecting to the restored database...";
    if (!connectDatabase(d->filePath)) {
        QLOG_ERROR() << "Unable to connect to the database!";
        return false;
    }
    updateSchema();
    QLOG_INFO() << "The database was restored from the backup " << backupPath;
    return isConnected();
}

DatabaseBackup DatabaseHandler::backups() const
{
    return d->backup;
}

QString DatabaseHandler::backupAccount() const
{
    return DatabaseBackup::accountLabel(settings()->clientLogin());
}

bool DatabaseHandler::holdsAnyObject()
{
    return count(QStringLiteral("SELECT EXISTS (SELECT 1 FROM task) OR EXISTS (SELECT 1 FROM project) "
                                "OR EXISTS (SELECT 1 FROM context)"))
        > 0;
}

void DatabaseHandler::backUpBefore(DatabaseBackup::Reason reason)
{
    // An empty database has nothing to lose, and a copy of one that has not
    // changed since the newest backup would only push an older one out.
    if (!holdsAnyObject())
        return;
    if (d->backup.isUpToDate()) {
        QLOG_INFO() << "The newest backup already holds the database as it is.";
        return;
    }
    d->backup.write(reason, backupAccount());
}

QStringList DatabaseHandler::pendingSchemaObjects()
{
    QSet<QString> present;
    for (const DataObject& row :
        list(QStringLiteral("SELECT name FROM sqlite_master WHERE type IN ('table', 'index')")))
        present.insert(row.value(NameKey).toString());
    QStringList wanted { QStringLiteral("calendar_info"), QStringLiteral("TaskStateIndex") };
    // A unique index that duplicates forbid fails at every open; it is no
    // change that a backup should be taken for.
    const auto creatable = [this](const char* table) {
        const QString duplicates
            = QStringLiteral("SELECT COUNT(*) FROM (SELECT id FROM %1 GROUP BY id HAVING COUNT(*) > 1)");
        return count(duplicates.arg(QLatin1String(table))) == 0;
    };
    if (!present.contains(QStringLiteral("ProjectIdIndex")) && creatable("project"))
        wanted.append(QStringLiteral("ProjectIdIndex"));
    if (!present.contains(QStringLiteral("ContextIdIndex")) && creatable("context"))
        wanted.append(QStringLiteral("ContextIdIndex"));
    for (const auto& index : QueryIndexes)
        wanted.append(QString::fromLatin1(index[0]));
    QStringList pending;
    for (const QString& name : qAsConst(wanted)) {
        if (!present.contains(name))
            pending.append(name);
    }
    return pending;
}

bool DatabaseHandler::isQuiet(int quietMs) const
{
    if (d->transactionOpen)
        return false;
    return !d->sinceStatement.isValid() || d->sinceStatement.elapsed() >= quietMs;
}

void DatabaseHandler::startDailyBackups(int checkIntervalMs, int quietMs)
{
    d->backupQuietMs = quietMs;
    if (!d->backupTimer) {
        d->backupTimer = new QTimer(this);
        connect(d->backupTimer, &QTimer::timeout, this, [this] { backUpIfDue(d->backupQuietMs); });
    }
    d->backupTimer->start(checkIntervalMs);
}

bool DatabaseHandler::backUpIfDue(int quietMs)
{
    if (!isConnected() || !isQuiet(quietMs) || d->backupReport->running)
        return false;
    if (!d->backup.isDailyDue(QDate::currentDate()) || !holdsAnyObject())
        return false;
    const std::shared_ptr<Private::BackupReport> report = d->backupReport;
    report->running = true;
    const bool started = d->backup.writeCheckingLater(DatabaseBackup::Reason::Daily, backupAccount(),
        QDateTime::currentDateTime(), [report](const QString& path) {
            QMutexLocker locker(&report->lock);
            report->running = false;
            if (DatabaseHandler* store = report->store) {
                QMetaObject::invokeMethod(
                    store, [store, path] { emit store->dailyBackupFinished(path); }, Qt::QueuedConnection);
            }
        });
    if (!started)
        report->running = false;
    return started;
}

void DatabaseHandler::writePredefinedObjectsReset()
{
    const QString path = AppPaths::appDataFile(QStringLiteral("predefined_objects.dat"));
    bool copied = false;
    const std::unique_ptr<QSettings> settings = SettingsFileCheck::open(path, &copied);
    if (copied) {
        QLOG_ERROR() << "Unable to write " << path << ": it holds values that cannot be read safely.";
        return;
    }
    settings->clear();
    // The predefined folders and contexts are created again in the new database.
    settings->setValue(QStringLiteral("folders_created"), 0);
    settings->setValue(QStringLiteral("contexts_created"), 0);
    settings->sync();
    if (settings->status() != QSettings::NoError) {
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
    query.setForwardOnly(true);
    QString error;
    if (!d->run(query, sql, &error)) {
        QLOG_ERROR() << "SQL List query error: " << error;
        return 0;
    }
    return query.next() ? query.value(0).toInt() : 0;
}

QList<DataObject> DatabaseHandler::list(const QString& sql)
{
    if (DirectRowReader::isAvailable(d->db)) {
        d->noteStatement(sql);
        QList<DataObject> records;
        QString error;
        if (!DirectRowReader::read(d->db, sql, &records, &error)) {
            QLOG_ERROR() << "SQL List query error: " << error;
            return {};
        }
        return records;
    }
    QSqlQuery query(d->db);
    query.setForwardOnly(true);
    QString error;
    if (!d->run(query, sql, &error)) {
        QLOG_ERROR() << "SQL List query error: " << error;
        return {};
    }
    const RowReader reader(query.record());
    QList<DataObject> records;
    while (query.next())
        records.append(reader.read(query));
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
    return query.next() ? RowReader(query.record()).read(query) : DataObject();
}

DataObject DatabaseHandler::recordFromQuery(const QSqlQuery& query)
{
    return RowReader(query.record()).read(query);
}

// --- Collaborators ---

void DatabaseHandler::setRepeatedTaskHelper(RepeatedTaskHelper* helper)
{
    d->repetition = helper;
}

RepeatedTaskHelper* DatabaseHandler::repeatedTaskHelper() const
{
    return d->repetition ? d->repetition : RepeatedTaskHelper::instance();
}

void DatabaseHandler::setSettings(Settings* settings)
{
    d->settings = settings;
}

Settings* DatabaseHandler::settings() const
{
    return d->settings ? d->settings : Settings::instance();
}

void DatabaseHandler::setStatementObserver(std::function<void(const QString&)> observer)
{
    d->observer = std::move(observer);
}

bool DatabaseHandler::lastFailureWasStorage() const
{
    switch (d->lastErrorCode & 0xff) {
    case SQLITE_BUSY:
    case SQLITE_LOCKED:
    case SQLITE_NOMEM:
    case SQLITE_READONLY:
    case SQLITE_IOERR:
    case SQLITE_CORRUPT:
    case SQLITE_FULL:
    case SQLITE_CANTOPEN:
    case SQLITE_NOTADB:
        return true;
    default:
        return false;
    }
}

bool DatabaseHandler::isInTransaction() const
{
    // The one opened here may have been undone by SQLite after a failure.
    return d->transactionOpen && sqliteTransactionState(d->db) != 0;
}

// --- Generic writes ---

bool DatabaseHandler::beginLocalWrite()
{
    // Joining a transaction that SQLite has undone would make this write
    // final at once, beyond the caller's rollback.
    if (d->transactionOpen && sqliteTransactionState(d->db) == 0) {
        QLOG_WARN() << "The database had undone the open transaction after a failure; a new one begins.";
        d->transactionOpen = false;
    }
    if (d->transactionOpen) {
        QLOG_DEBUG() << "Joining the open transaction.";
        return true;
    }
    // Without a transaction the write would be final at once, and the
    // caller's rollback could not take it back: better not to write at all.
    return beginTransaction();
}

void DatabaseHandler::beginTopLevelRecords()
{
    d->writtenRecords.clear();
    d->cascadePath.clear();
    d->collectingRecords = true;
}

bool DatabaseHandler::endTopLevelRecords(bool result)
{
    d->collectingRecords = false;
    return result;
}

bool DatabaseHandler::normalise(Table table, DataObject* record, QString* problem) const
{
    const ColumnSet& columns = table == Table::Task ? taskColumns()
        : table == Table::Project                   ? projectColumns()
                                                    : contextColumns();
    for (auto it = record->begin(); it != record->end(); ++it) {
        // Keys become column names in the statement, so only the table's
        // own columns, spelt as records spell them, may pass.
        const auto column = columns.constFind(it.key());
        if (column == columns.cend()) {
            *problem = QStringLiteral("it has the field \"%1\", which is not a column of this table")
                           .arg(it.key());
            return false;
        }
        QVariant& value = it.value();
        switch (column.value()) {
        case ColumnKind::Text:
            value = value.toString();
            break;
        case ColumnKind::Date: {
            bool malformed = false;
            const QVariant stored = storedDate(value, &malformed);
            if (malformed) {
                QLOG_WARN() << "The " << it.key() << " of object " << record->value(IdKey).toString()
                            << " is not a date (" << value.toString() << "); it is stored as not set.";
            }
            value = stored;
            break;
        }
        case ColumnKind::Bool:
            value = value.toBool();
            break;
        case ColumnKind::State: {
            bool isNumber = false;
            const int state = value.toInt(&isNumber);
            if (!isNumber || state < ObjectState::Active || state > ObjectState::CompletedAndDeleted) {
                *problem = QStringLiteral("its STATE \"%1\" is not a state").arg(value.toString());
                return false;
            }
            value = state;
            break;
        }
        case ColumnKind::Timestamp: {
            bool isNumber = false;
            const qulonglong timestamp = value.toString().trimmed().toULongLong(&isNumber);
            if (!isNumber) {
                *problem
                    = QStringLiteral("its TIMESTAMP \"%1\" is not a number of seconds").arg(value.toString());
                return false;
            }
            value = timestamp;
            break;
        }
        case ColumnKind::Real:
            break;
        }
    }
    return true;
}

namespace {

QString tableName(int table)
{
    static const QString names[]
        = { QStringLiteral("task"), QStringLiteral("project"), QStringLiteral("context") };
    return names[table];
}

// The record as a read would give it back: dates as date-times.
DataObject asRead(DataObject record)
{
    for (const QString& key : { StartKey, DueKey }) {
        auto it = record.find(key);
        if (it != record.end())
            it.value() = WallClock::fromStored(it.value());
    }
    return record;
}

} // namespace

bool DatabaseHandler::insertObject(Table table, DataObject record, bool local)
{
    const QString name = tableName(static_cast<int>(table));
    const bool fromSync = record.contains(SyncKey);
    if (fromSync) {
        record.remove(SyncKey);
        record.insert(SyncedKey, true);
        record.insert(LocalKey, false);
        QLOG_INFO() << "Creating an object in database...(Sync object)";
    } else {
        record.insert(SyncedKey, false);
        record.insert(LocalKey, true);
        // A local create is a change made now, whatever the record was copied from.
        record.insert(TimestampKey, nowSeconds());
        QLOG_INFO() << "Creating an object in database...";
    }
    if (!record.contains(StateKey))
        record.insert(StateKey, ObjectState::Active);
    if (text(record, IdKey).isEmpty()) {
        if (fromSync) {
            QLOG_WARN() << "Refusing to create a " << name << " from the server without an ID.";
            return false;
        }
        record.insert(IdKey, ObjectIdentifier::create());
    }
    if (!record.contains(TimestampKey))
        record.insert(TimestampKey, nowSeconds());
    // Columns left out would hold NULL, which none of the queries' "= ''"
    // tests match: a task without a due date would never reach the daily
    // plan, one without a context never the list of tasks without one.
    static const QStringList TaskEmpties = { StartKey, DueKey, ContextKey, PeriodKey, MemoKey };
    static const QStringList ProjectEmpties = { StartKey, DueKey, ContextKey, ParentKey, MemoKey };
    static const QStringList ContextEmpties = { ParentKey, MemoKey };
    for (const QString& key : table == Table::Task ? TaskEmpties
            : table == Table::Project              ? ProjectEmpties
                                                   : ContextEmpties) {
        if (!record.contains(key))
            record.insert(key, QString());
    }

    QString problem;
    if (!normalise(table, &record, &problem)) {
        QLOG_WARN() << "Refusing to create the " << name << " " << text(record, IdKey) << ": " << problem;
        return false;
    }

    QStringList columns;
    QStringList placeholders;
    for (auto it = record.cbegin(); it != record.cend(); ++it) {
        columns.append(it.key());
        placeholders.append(QLatin1Char(':') + it.key());
    }
    const QString values = SqlStatement::bindValues(placeholders.join(QLatin1Char(',')), record);
    const QString sql = SqlStatement(QStringLiteral("INSERT INTO %1(%2) VALUES(%3)"))
                            .argSql(name)
                            .argSql(columns.join(QLatin1Char(',')))
                            .argSql(values);

    if (local && !beginLocalWrite())
        return false;
    if (!execute(sql))
        return false;
    if (local)
        d->lastCreatedObjectId = text(record, IdKey);
    return true;
}

bool DatabaseHandler::executeUpdate(const QString& sql, int* rowsAffected)
{
    QSqlQuery query(d->db);
    QString error;
    if (!d->run(query, sql, &error)) {
        QLOG_ERROR() << "SQL query error: " << error;
        return false;
    }
    *rowsAffected = query.numRowsAffected();
    return true;
}

bool DatabaseHandler::prepareUpdate(Table table, DataObject record, DataObject* prepared)
{
    QLOG_INFO() << "Updating the object in database...";
    if (record.contains(SyncKey)) {
        record.remove(SyncKey);
        record.insert(SyncedKey, true);
    } else {
        record.insert(TimestampKey, nowSeconds());
        record.insert(SyncedKey, false);
    }
    QString problem;
    if (!normalise(table, &record, &problem)) {
        QLOG_WARN() << "Refusing to update the " << tableName(static_cast<int>(table)) << " "
                    << text(record, IdKey) << ": " << problem;
        return false;
    }
    *prepared = record;
    return true;
}

bool DatabaseHandler::writeUpdate(Table table, const DataObject& prepared, DataObject* written)
{
    const QString name = tableName(static_cast<int>(table));
    const QString id = text(prepared, IdKey);
    QStringList assignments;
    for (auto it = prepared.cbegin(); it != prepared.cend(); ++it)
        assignments.append(it.key() + QStringLiteral("=:") + it.key());
    // The values are bound before the statement is put together, so that
    // neither they nor the ID are searched for placeholders afterwards.
    const QString values = SqlStatement::bindValues(assignments.join(QLatin1Char(',')), prepared);
    const QString sql
        = SqlStatement(QStringLiteral("UPDATE %1 SET %2 WHERE ID='%3'")).argSql(name).argSql(values).arg(id);

    int rows = 0;
    if (!executeUpdate(sql, &rows))
        return false;
    if (rows == 0) {
        QLOG_WARN() << "Unable to update the " << name << " " << id << ": there is no such " << name << '.';
        return false;
    }
    const DataObject result = asRead(prepared);
    if (d->collectingRecords)
        d->writtenRecords.append(result);
    if (written)
        *written = result;
    return true;
}

bool DatabaseHandler::updateObject(Table table, const DataObject& record, DataObject* written)
{
    DataObject prepared;
    return prepareUpdate(table, record, &prepared) && writeUpdate(table, prepared, written);
}

// --- Creates ---

bool DatabaseHandler::createTaskLocally(const DOTask& task)
{
    QLOG_INFO() << "Creating a new task locally...\n" << text(task, IdKey);
    return createTask(task, true);
}

bool DatabaseHandler::createTaskRemotely(const QVariantMap& task)
{
    QLOG_INFO() << "Creating a new task remotely...\n" << text(task, IdKey);
    return createTask(task, false);
}

bool DatabaseHandler::createProjectLocally(const DataObject& project)
{
    QLOG_INFO() << "Creating a new project locally...\n" << text(project, IdKey);
    return createProject(project, true);
}

bool DatabaseHandler::createProjectRemotely(const QVariantMap& project)
{
    QLOG_INFO() << "Creating a new project remotely...\n" << text(project, IdKey);
    return createProject(project, false);
}

bool DatabaseHandler::createContextLocally(const DOContext& context)
{
    QLOG_INFO() << "Creating a new context locally...\n" << text(context, IdKey);
    return createContext(context, true);
}

bool DatabaseHandler::createContextRemotely(const QVariantMap& context)
{
    QLOG_INFO() << "Creating a new context remotely...\n" << text(context, IdKey);
    return createContext(context, false);
}

bool DatabaseHandler::createTask(const DOTask& task, bool local)
{
    if (!task.contains(NameKey) || text(task, ParentKey).isEmpty()) {
        QLOG_WARN() << "Task does not contain NAME or PARENT!";
        return false;
    }
    DOTask record = task;
    for (const QString& key : OccurrenceKeys)
        record.remove(key);
    return insertObject(Table::Task, record, local);
}

bool DatabaseHandler::createProject(const DataObject& project, bool local)
{
    if (!project.contains(NameKey)) {
        QLOG_WARN() << "Project does not contain the name!";
        return false;
    }
    DataObject record = project;
    record.remove(ChildrenKey);
    record.remove(LevelKey);
    // The column is NOT NULL: a record without the flag is a project.
    if (!record.contains(FolderKey))
        record.insert(FolderKey, false);
    return insertObject(Table::Project, record, local);
}

bool DatabaseHandler::createContext(const DOContext& context, bool local)
{
    if (!context.contains(NameKey)) {
        QLOG_WARN() << "Context does not contain NAME!";
        return false;
    }
    DOContext record = context;
    record.remove(ChildrenKey);
    record.remove(LevelKey);
    return insertObject(Table::Context, record, local);
}

// --- Task updates ---

bool DatabaseHandler::updateTaskLocally(const DOTask& task)
{
    beginTopLevelRecords();
    return endTopLevelRecords(updateTaskWrite(task, true, nullptr));
}

bool DatabaseHandler::updateTaskLocally(const DOTask& task, QVariantMap* updatedTask)
{
    if (!updatedTask)
        return updateTaskLocally(task);
    return updateTaskWrite(task, false, updatedTask);
}

bool DatabaseHandler::updateTaskWrite(const DOTask& task, bool topLevel, QVariantMap* updatedTask)
{
    QLOG_INFO() << "Updating the task locally...\n" << text(task, IdKey);
    if (text(task, IdKey).isEmpty() || text(task, ParentKey).isEmpty()) {
        QLOG_WARN() << "Task does not contain ID or PARENT!";
        return false;
    }
    DOTask record = task;
    record.remove(LocalKey);
    for (const QString& key : OccurrenceKeys)
        record.remove(key);

    if (stateOf(record) == ObjectState::Completed && !text(record, PeriodKey).isEmpty()) {
        // A repeated task is never stored as completed: it moves on to its
        // next occurrence (the completed occurrence is a separate copy).
        QLOG_INFO() << "Recurring task completed. Setting up new dates...";
        const DOTask advanced = repeatedTaskHelper()->setNextRepetitionDates(record);
        // A rule that cannot move the dates on (a broken or unusable rule)
        // would otherwise bring the task back unchanged forever: the user
        // could never complete it. Such a task is completed like any other.
        if (advanced.value(StartKey) == record.value(StartKey) && advanced.value(DueKey) == record.value(DueKey)) {
            QLOG_WARN() << "The repetition rule of the task can't move it on. Completing it instead...";
        } else {
            record = advanced;
            record.insert(StateKey, ObjectState::Active);
        }
    }

    // Checked before the transaction begins: a refused record leaves nothing open.
    DataObject prepared;
    if (!prepareUpdate(Table::Task, record, &prepared))
        return false;
    if (topLevel && !beginLocalWrite())
        return false;
    DataObject written;
    if (!writeUpdate(Table::Task, prepared, &written))
        return false;
    // An exported task must be exported again.
    const bool marked
        = execute(SqlStatement(QStringLiteral("UPDATE calendar_info SET updated = 1 WHERE task_id = '%1'"))
                      .arg(text(written, IdKey)));
    if (updatedTask)
        *updatedTask = written;
    return marked;
}

bool DatabaseHandler::updateTaskRemotely(const QVariantMap& task)
{
    QLOG_INFO() << "Updating the task remotely...\n" << text(task, IdKey);
    if (text(task, IdKey).isEmpty() || text(task, ParentKey).isEmpty()) {
        QLOG_WARN() << "Task does not contain ID or PARENT!";
        return false;
    }
    DOTask record = task;
    // LOCAL stays: the server's acknowledgement is what turns a task created
    // here into one it knows, and that is written through this update.
    for (const QString& key : OccurrenceKeys)
        record.remove(key);

    bool ok = true;
    if (stateOf(record) == ObjectState::Active)
        ok = reviveAncestors(Table::Project, text(record, ParentKey), ObjectState::Active);
    DataObject written;
    if (!updateObject(Table::Task, record, &written))
        return false;
    ok &= execute(SqlStatement(QStringLiteral("UPDATE calendar_info SET updated = 1 WHERE task_id = '%1'"))
                      .arg(text(written, IdKey)));
    return ok;
}

bool DatabaseHandler::reviveAncestors(Table table, const QString& parentId, int state)
{
    const QString name = tableName(static_cast<int>(table));
    const PredefinedDataHelper* predefined = PredefinedDataHelper::instance();
    const QString inboxId = predefined->quorvelBoxId();
    const QString oneStepId = predefined->oneStepActionsId();

    bool ok = true;
    QSet<QString> seen;
    QString id = parentId;
    while (!id.isEmpty() && id != inboxId && id != oneStepId && !seen.contains(id)) {
        seen.insert(id);
        const DataObject parent = table == Table::Project ? getProjectById(id) : getContextById(id);
        if (parent.isEmpty())
            break;
        if (ObjectState::isInTrash(stateOf(parent))) {
            QLOG_INFO() << (table == Table::Project ? "Trying to restore parent's state..."
                                                    : "Trying to restore context's state...");
            ok &= execute(SqlStatement(QStringLiteral("UPDATE %1 SET state = %2 WHERE id = '%3'"))
                              .argSql(name)
                              .arg(state)
                              .arg(id));
        }
        id = text(parent, ParentKey);
    }
    return ok;
}

// --- Project and folder updates ---

bool DatabaseHandler::updateProjectLocally(const DataObject& project)
{
    beginTopLevelRecords();
    return endTopLevelRecords(updateProjectWrite(project, ProjectWrite::TopLevel, -1, nullptr, nullptr));
}

bool DatabaseHandler::updateProjectLocally(
    const DataObject& project, QList<QVariantMap>* updatedObjects, QVariantMap* updatedProject)
{
    if (!updatedObjects && !updatedProject)
        return updateProjectLocally(project);
    return updateProjectWrite(project, updatedProject ? ProjectWrite::ContextRemoval : ProjectWrite::Nested,
        -1, updatedObjects, updatedProject);
}

bool DatabaseHandler::updateProjectWrite(const DataObject& project, ProjectWrite mode, int cascadeFlags,
    QList<QVariantMap>* updatedObjects, QVariantMap* updatedProject)
{
    const QString id = text(project, IdKey);
    switch (mode) {
    case ProjectWrite::TopLevel:
        QLOG_INFO() << "Updating the project/folder..." << id;
        break;
    case ProjectWrite::Nested:
        QLOG_INFO() << "Updating the project/folder(recursive call)..." << id;
        break;
    case ProjectWrite::ContextRemoval:
        QLOG_INFO() << "Updating the project when removing contexts..." << id;
        break;
    }
    if (id.isEmpty() || !project.contains(NameKey)) {
        QLOG_WARN() << "Project/folder does not contain ID or NAME!";
        return false;
    }
    // The record is checked before anything is written, so that a record
    // the table cannot take does not first set off its cascade.
    DataObject record = project;
    record.remove(ChildrenKey);
    record.remove(LevelKey);
    record.remove(LocalKey);
    DataObject prepared;
    if (!prepareUpdate(Table::Project, record, &prepared))
        return false;
    if (mode == ProjectWrite::TopLevel && !beginLocalWrite())
        return false;

    bool ok = true;
    const int state = stateOf(project);
    // Children take on the flag that the change at the top sets: deleting a
    // folder deletes what is in it, it does not also complete it.
    const int flags = cascadeFlags >= 0 ? cascadeFlags : state;
    if (state != ObjectState::Active && mode != ProjectWrite::ContextRemoval) {
        d->cascadePath.insert(id);
        bool isFolder = false;
        bool isLocal = false;
        if (project.contains(FolderKey) && project.contains(LocalKey)) {
            isFolder = project.value(FolderKey).toBool();
            isLocal = project.value(LocalKey).toBool();
        } else {
            const DataObject stored = getProjectById(id);
            isFolder = project.value(FolderKey, stored.value(FolderKey)).toBool();
            isLocal = project.value(LocalKey, stored.value(LocalKey)).toBool();
        }

        if (isFolder) {
            const QList<DataObject> children = list(SqlStatement(
                ProjectSelect + QStringLiteral("WHERE (state = 0 OR state = 2) AND parent = '%1'"))
                                                        .arg(id));
            for (DataObject child : children) {
                const QString childId = text(child, IdKey);
                if (d->cascadePath.contains(childId)) {
                    QLOG_WARN() << "The folder " << childId
                                << " is among its own parents; it is left out of the cascade.";
                    continue;
                }
                child.insert(StateKey, ObjectState::combined(stateOf(child), flags));
                ok &= updateProjectWrite(child, ProjectWrite::Nested, flags, updatedObjects, nullptr);
            }
        } else {
            QLOG_INFO() << "Updating project tasks...";
            const QString oneStepId = PredefinedDataHelper::instance()->oneStepActionsId();
            const QList<DOTask> tasks = getProjectTasks(id);
            for (DOTask task : tasks) {
                const int taskState = ObjectState::combined(stateOf(task), flags);
                task.insert(StateKey, taskState);
                // The server never knew this project, so it could not place
                // a task it knows in it: such a task goes to one-step actions.
                if (!task.value(LocalKey).toBool() && isLocal && ObjectState::isInTrash(flags))
                    task.insert(ParentKey, oneStepId);
                // A completed project ends its tasks' repetition.
                if (taskState == ObjectState::Completed && !text(task, PeriodKey).isEmpty())
                    task.insert(PeriodKey, QString());
                QVariantMap updated;
                ok &= updateTaskWrite(task, false, &updated);
                if (updatedObjects && !updated.isEmpty())
                    updatedObjects->append(updated);
            }
        }
        d->cascadePath.remove(id);
    }

    DataObject written;
    if (!writeUpdate(Table::Project, prepared, &written))
        return false;
    if (updatedProject)
        *updatedProject = written;
    if (updatedObjects)
        updatedObjects->append(written);
    return ok;
}

bool DatabaseHandler::updateProjectRemotely(const QVariantMap& project)
{
    QLOG_INFO() << "Updating the project/folder..." << text(project, IdKey);
    if (text(project, IdKey).isEmpty() || !project.contains(NameKey)) {
        QLOG_WARN() << "Project/folder does not contain ID or NAME!";
        return false;
    }
    DataObject record = project;
    record.remove(ChildrenKey);
    record.remove(LevelKey);
    bool ok = true;
    if (stateOf(record) == ObjectState::Active)
        ok = reviveAncestors(Table::Project, text(record, ParentKey), ObjectState::Active);
    return updateObject(Table::Project, record, nullptr) && ok;
}

// --- Context updates ---

bool DatabaseHandler::updateContextLocally(const DOContext& context)
{
    beginTopLevelRecords();
    return endTopLevelRecords(updateContextWrite(context, true, nullptr));
}

bool DatabaseHandler::updateContextLocally(const DOContext& context, QList<DataObject>* updatedObjects)
{
    if (!updatedObjects)
        return updateContextLocally(context);
    return updateContextWrite(context, false, updatedObjects);
}

bool DatabaseHandler::updateContextWrite(
    const DOContext& context, bool topLevel, QList<DataObject>* updatedObjects)
{
    const QString id = text(context, IdKey);
    QLOG_INFO() << (topLevel ? "Updating the context locally..." : "Updating the context(recursive call)...")
                << id;
    if (id.isEmpty() || !context.contains(NameKey)) {
        QLOG_WARN() << "Context does not contain ID or NAME!";
        return false;
    }
    DOContext record = context;
    record.remove(ChildrenKey);
    record.remove(LevelKey);
    record.remove(LocalKey);
    DataObject prepared;
    if (!prepareUpdate(Table::Context, record, &prepared))
        return false;
    if (topLevel && !beginLocalWrite())
        return false;

    bool ok = true;
    if (stateOf(context) == ObjectState::Deleted) {
        d->cascadePath.insert(id);
        const qint64 now = nowSeconds();
        const QString clearSql
            = QStringLiteral("UPDATE %1 SET context = '', synced = 0, timestamp = %3 WHERE context = '%2'");

        for (DOTask task : getContextTasks(id)) {
            task.insert(ContextKey, QString());
            QVariantMap updated;
            ok &= updateTaskWrite(task, false, &updated);
            if (updatedObjects && !updated.isEmpty())
                updatedObjects->append(updated);
        }
        // Tasks in the trash lose the context too, so that a restore does not
        // bring back a reference to a deleted context.
        ok &= execute(SqlStatement(clearSql).argSql(QStringLiteral("task")).arg(id).arg(now));

        const QList<DOProject> projects
            = list(SqlStatement(QStringLiteral("SELECT id, name, parent, memo, timestamp, state, synced, "
                                               "local, context, folder, start, due FROM "
                                               "project WHERE context = '%1' AND (state = 0 OR state = 2)"))
                       .arg(id));
        for (DOProject project : projects) {
            project.insert(ContextKey, QString());
            QVariantMap updated;
            ok &= updateProjectWrite(project, ProjectWrite::ContextRemoval, -1, nullptr, &updated);
            if (updatedObjects && !updated.isEmpty())
                updatedObjects->append(updated);
        }
        ok &= execute(SqlStatement(clearSql).argSql(QStringLiteral("project")).arg(id).arg(now));

        for (DOContext child : getNestedContexts(id)) {
            const QString childId = text(child, IdKey);
            if (d->cascadePath.contains(childId)) {
                QLOG_WARN() << "The context " << childId
                            << " is among its own parents; it is left out of the cascade.";
                continue;
            }
            child.insert(StateKey, ObjectState::Deleted);
            ok &= updateContextWrite(child, false, updatedObjects);
        }
        d->cascadePath.remove(id);
    }

    DataObject written;
    if (!writeUpdate(Table::Context, prepared, &written))
        return false;
    if (updatedObjects)
        updatedObjects->append(written);
    return ok;
}

bool DatabaseHandler::updateContextRemotely(const QVariantMap& context)
{
    QLOG_INFO() << "Updating the context remotely..." << text(context, IdKey);
    if (text(context, IdKey).isEmpty() || !context.contains(NameKey)) {
        QLOG_WARN() << "Context does not contain ID or NAME!";
        return false;
    }
    DOContext record = context;
    record.remove(ChildrenKey);
    record.remove(LevelKey);
    bool ok = true;
    if (stateOf(record) == ObjectState::Active)
        ok = reviveAncestors(Table::Context, text(record, ParentKey), ObjectState::Active);
    return updateObject(Table::Context, record, nullptr) && ok;
}

QList<DataObject> DatabaseHandler::lastUpdatedObjects() const
{
    return d->writtenRecords;
}

// --- Restores ---

bool DatabaseHandler::containerIsGone(Table table, const QString& id)
{
    const DataObject container = table == Table::Project ? getProjectById(id) : getContextById(id);
    return container.isEmpty() || ObjectState::isInTrash(stateOf(container));
}

bool DatabaseHandler::restoreTask(const DOTask& task)
{
    beginTopLevelRecords();
    if (!beginLocalWrite())
        return endTopLevelRecords(false);
    return endTopLevelRecords(restoreTaskWrite(task));
}

bool DatabaseHandler::restoreTaskWrite(DOTask task)
{
    QLOG_INFO() << "Restoring the task " << text(task, IdKey);
    task.insert(StateKey, ObjectState::restored(stateOf(task)));
    const QString parent = text(task, ParentKey);
    const PredefinedDataHelper* predefined = PredefinedDataHelper::instance();
    if (parent != predefined->quorvelBoxId() && parent != predefined->oneStepActionsId()
        && containerIsGone(Table::Project, parent))
        task.insert(ParentKey, predefined->oneStepActionsId());
    return updateTaskWrite(task, false, nullptr);
}

bool DatabaseHandler::restoreProject(const DOProject& project)
{
    beginTopLevelRecords();
    if (!beginLocalWrite())
        return endTopLevelRecords(false);
    return endTopLevelRecords(restoreProjectWrite(project));
}

bool DatabaseHandler::restoreProjectWrite(DOProject project)
{
    QLOG_INFO() << "Restoring the project " << text(project, IdKey);
    project.insert(StateKey, ObjectState::restored(stateOf(project)));
    const QString parent = text(project, ParentKey);
    if (!parent.isEmpty() && containerIsGone(Table::Project, parent))
        project.insert(ParentKey, QString());
    bool ok = updateProjectWrite(project, ProjectWrite::Nested, -1, nullptr, nullptr);
    if (!ok)
        return false;
    for (const DOTask& task : getDeletedProjectTasks(text(project, IdKey)))
        ok &= restoreTaskWrite(task);
    return ok;
}

bool DatabaseHandler::restoreFolder(const DOFolder& folder)
{
    beginTopLevelRecords();
    if (!beginLocalWrite())
        return endTopLevelRecords(false);
    return endTopLevelRecords(restoreFolderWrite(folder));
}

bool DatabaseHandler::restoreFolderWrite(DOFolder folder)
{
    const QString id = text(folder, IdKey);
    QLOG_INFO() << "Restoring the folder " << id;
    folder.insert(StateKey, ObjectState::restored(stateOf(folder)));
    const QString parent = text(folder, ParentKey);
    if (!parent.isEmpty() && containerIsGone(Table::Project, parent))
        folder.insert(ParentKey, QString());
    bool ok = updateProjectWrite(folder, ProjectWrite::Nested, -1, nullptr, nullptr);
    if (!ok)
        return false;
    // Restored folders are no longer in the trash, so a parent cycle cannot
    // bring the walk back to one of them.
    for (const DOFolder& subfolder : getDeletedSubfolders(id))
        ok &= restoreFolderWrite(subfolder);
    for (const DOProject& project : getDeletedSubprojects(id))
        ok &= restoreProjectWrite(project);
    return ok;
}

bool DatabaseHandler::restoreContext(const DOContext& context)
{
    beginTopLevelRecords();
    if (!beginLocalWrite())
        return endTopLevelRecords(false);
    return endTopLevelRecords(restoreContextWrite(context));
}

bool DatabaseHandler::restoreContextWrite(DOContext context)
{
    const QString id = text(context, IdKey);
    QLOG_INFO() << "Restoring the context " << id;
    context.insert(StateKey, ObjectState::restored(stateOf(context)));
    const QString parent = text(context, ParentKey);
    if (!parent.isEmpty() && containerIsGone(Table::Context, parent))
        context.insert(ParentKey, QString());
    bool ok = updateContextWrite(context, false, nullptr);
    if (!ok)
        return false;
    for (const DOContext& subcontext : getDeletedSubcontexts(id))
        ok &= restoreContextWrite(subcontext);
    return ok;
}

// --- Identifier replacement ---

bool DatabaseHandler::updateTaskParents(const QString& oldId, const QString& newId)
{
    QLOG_INFO() << "Updating task parents... Old ID: " << oldId << "   New ID: " << newId;
    if (oldId.isEmpty() || newId.isEmpty()) {
        QLOG_WARN() << "Refusing to re-point task parents: an identifier is empty.";
        return false;
    }
    return execute(
        SqlStatement(QStringLiteral("UPDATE task SET parent = '%1', timestamp = %3 WHERE parent = '%2'"))
            .arg(newId)
            .arg(oldId)
            .arg(nowSeconds()));
}

bool DatabaseHandler::updatePredefinedFolder(const QString& oldId, const QString& newId)
{
    QLOG_INFO() << "Updating  predefined folder... Old ID: " << oldId << "   New ID: " << newId;
    // An empty old ID would match every root project as a child.
    if (oldId.isEmpty() || newId.isEmpty()) {
        QLOG_WARN() << "Refusing to replace a predefined folder's identifier: an identifier is empty.";
        return false;
    }
    const qint64 now = nowSeconds();
    return execute(SqlStatement(
               QStringLiteral(
                   "UPDATE project SET id = '%1', local = 0, synced = 1, timestamp = %3 WHERE id = '%2'"))
                       .arg(newId)
                       .arg(oldId)
                       .arg(now))
        && execute(SqlStatement(
            QStringLiteral(
                "UPDATE project SET parent = '%1', synced = 0, timestamp = %3 WHERE parent = '%2'"))
                       .arg(newId)
                       .arg(oldId)
                       .arg(now));
}

bool DatabaseHandler::updatePredefinedContext(const QString& oldId, const QString& newId, bool isDeleted)
{
    QLOG_INFO() << "Updating  predefined context... Old ID: " << oldId << "   New ID: " << newId;
    if (oldId.isEmpty() || newId.isEmpty()) {
        QLOG_WARN() << "Refusing to replace a predefined context's identifier: an identifier is empty.";
        return false;
    }
    const qint64 now = nowSeconds();
    // The server's context is gone: its tasks and projects lose it.
    const QString reference = isDeleted ? QString() : newId;
    return execute(SqlStatement(
               QStringLiteral(
                   "UPDATE context SET id = '%1', local = 0, synced = 1, timestamp = %3 WHERE id = '%2'"))
                       .arg(newId)
                       .arg(oldId)
                       .arg(now))
        && execute(SqlStatement(
            QStringLiteral(
                "UPDATE context SET parent = '%1', synced = 0, timestamp = %3 WHERE parent = '%2'"))
                       .arg(newId)
                       .arg(oldId)
                       .arg(now))
        && execute(SqlStatement(
            QStringLiteral("UPDATE task SET context = '%1', synced = 0, timestamp = %3 WHERE context = '%2'"))
                       .arg(reference)
                       .arg(oldId)
                       .arg(now))
        && execute(SqlStatement(
            QStringLiteral(
                "UPDATE project SET context = '%1', synced = 0, timestamp = %3 WHERE context = '%2'"))
                       .arg(reference)
                       .arg(oldId)
                       .arg(now));
}

// --- Reads ---

DOTask DatabaseHandler::getTaskById(const QString& id)
{
    return single(SqlStatement(TaskSelect + QStringLiteral("WHERE id = '%1'")).arg(id));
}

QList<DOTask> DatabaseHandler::getTasksByIds(const QStringList& ids)
{
    if (ids.isEmpty())
        return {};
    return list(
        SqlStatement(TaskSelect + QStringLiteral("WHERE id IN (%1)")).argSql(SqlStatement::quotedList(ids)));
}

DataObject DatabaseHandler::getProjectById(const QString& id)
{
    return single(SqlStatement(ProjectSelect + QStringLiteral("WHERE id = '%1'")).arg(id));
}

DOContext DatabaseHandler::getContextById(const QString& id)
{
    return single(SqlStatement(ContextSelect + QStringLiteral("WHERE id = '%1'")).arg(id));
}

QList<DOTask> DatabaseHandler::getProjectTasks(const QString& projectId)
{
    return list(SqlStatement(TaskSelect + QStringLiteral("WHERE (state = 0 OR state = 2) AND parent = '%1'"))
                    .arg(projectId));
}

QList<DOTask> DatabaseHandler::getContextTasks(const QString& contextId)
{
    return list(SqlStatement(TaskSelect + QStringLiteral("WHERE (state = 0 OR state = 2) AND context = '%1'"))
                    .arg(contextId));
}

QList<DOTask> DatabaseHandler::getNoContextTasks()
{
    return list(TaskSelect + QStringLiteral("WHERE state = 0 AND context = ''"));
}

QList<DOTask> DatabaseHandler::getActiveRepeatedTasks()
{
    return list(TaskSelect + QStringLiteral("WHERE period <> \"\" AND STATE = 0 ORDER BY period"));
}

QList<DOProject> DatabaseHandler::getContextProjects(const QString& contextId)
{
    return list(
        SqlStatement(ProjectSelect + QStringLiteral("WHERE context = '%1' AND (state = 0 OR state = 2)"))
            .arg(contextId));
}

QList<DOProject> DatabaseHandler::getAllActiveProjects()
{
    return list(ProjectSelect + QStringLiteral("WHERE folder = 0 AND state = 0"));
}

QList<DOFolder> DatabaseHandler::getAllFolders()
{
    return list(ProjectSelect + QStringLiteral("WHERE folder = 1 AND state = 0"));
}

QList<DOContext> DatabaseHandler::getAllContexts()
{
    return list(ContextSelect + QStringLiteral("WHERE state = 0"));
}

QList<DataObject> DatabaseHandler::getNestedObjects(const QString& folderId)
{
    return list(
        SqlStatement(ProjectSelect + QStringLiteral("WHERE (state = 0 OR state = 2) AND parent = '%1'"))
            .arg(folderId));
}

QList<DOContext> DatabaseHandler::getNestedContexts(const QString& contextId)
{
    return list(
        SqlStatement(ContextSelect + QStringLiteral("WHERE state = 0 AND parent = '%1'")).arg(contextId));
}

QList<DataObject> DatabaseHandler::getContextChildren(const QString& contextId)
{
    QList<DataObject> children = getNestedContexts(contextId);
    children += getContextProjects(contextId);
    children += getContextTasks(contextId);
    return children;
}

QList<DataObject> DatabaseHandler::getRootProjects()
{
    return list(ProjectDepthSelect + QStringLiteral("WHERE (state = 0 OR state = 2) AND level = 0"));
}

QList<DOContext> DatabaseHandler::getRootContexts()
{
    return list(ContextDepthSelect + QStringLiteral("WHERE state = 0 AND level = 0"));
}

TreeHierarchy DatabaseHandler::getProjectTree()
{
    return TreeHierarchy::fromRows(
        list(ProjectDepthSelect + QStringLiteral("WHERE state = 0 ORDER BY level, parent")));
}

TreeHierarchy DatabaseHandler::getContextTree()
{
    return TreeHierarchy::fromRows(
        list(ContextDepthSelect + QStringLiteral("WHERE state = 0 ORDER BY level, parent")));
}

QList<DataObject> DatabaseHandler::getSubprojectsRecursive(const QString& folderId)
{
    return list(SqlStatement(
        QStringLiteral(
            "WITH RECURSIVE subobjects(obj_id, name, memo, parent, start, due, context, timestamp, folder, "
            "state, "
            "synced, local) AS ( VALUES('%1', '', '', '', '', '', '', 0, 1, 1, 0, 0) UNION SELECT "
            "project.id, "
            "project.name, project.memo, project.parent, project.start, project.due, project.context, "
            "project.timestamp, project.folder, project.state, project.synced, project.local FROM project "
            "JOIN "
            "subobjects ON project.parent = subobjects.obj_id) SELECT obj_id AS id, name, memo, parent, "
            "start, due, "
            "context, timestamp, folder, state, synced, local FROM subobjects"))
                    .arg(folderId));
}

QList<DOContext> DatabaseHandler::getSubcontextsRecursive(const QString& contextId)
{
    return list(SqlStatement(
        QStringLiteral(
            "WITH RECURSIVE subcontexts(obj_id, name, memo, parent, timestamp, state, synced, local) AS ( "
            "VALUES('%1', "
            "'', '', '', 0, 1, 0, 0) UNION SELECT context.id, context.name, context.memo, context.parent, "
            "context.timestamp, context.state, context.synced, context.local FROM context JOIN subcontexts "
            "ON "
            "context.parent = subcontexts.obj_id) SELECT obj_id AS id, name, memo, parent, timestamp, state, "
            "synced, "
            "local FROM subcontexts"))
                    .arg(contextId));
}

QStringList DatabaseHandler::nameChain(const QString& sql)
{
    // The rows run from the root down; the object itself is the last one.
    // Should the parents form a cycle the walk repeats itself, so the chain
    // is cut where an object would come round a second time.
    const QList<DataObject> rows = list(sql);
    QStringList names;
    QSet<QString> seen;
    for (int i = rows.size() - 1; i >= 0; --i) {
        const QString id = text(rows.at(i), QStringLiteral("OBJ_ID"));
        if (seen.contains(id))
            break;
        seen.insert(id);
        names.prepend(text(rows.at(i), NameKey));
    }
    return names;
}

QStringList DatabaseHandler::getProjectNameChain(const QString& id)
{
    return nameChain(SqlStatement(QStringLiteral("WITH RECURSIVE tree_level(obj_id, parent, level, name) AS "
                                                 "( SELECT id, parent, 0, name FROM project WHERE "
                                                 "id = '%1' UNION SELECT project.id, project.parent, "
                                                 "tree_level.level + 1, project.name FROM project JOIN "
                                                 "tree_level ON project.id = tree_level.parent WHERE "
                                                 "tree_level.level < 1000) SELECT obj_id, name FROM "
                                                 "tree_level ORDER BY level DESC"))
                         .arg(id));
}

QStringList DatabaseHandler::getContextNameChain(const QString& id)
{
    return nameChain(SqlStatement(QStringLiteral("WITH RECURSIVE tree_level(obj_id, parent, level, name) AS "
                                                 "( SELECT id, parent, 0, name FROM context WHERE "
                                                 "id = '%1' UNION SELECT context.id, context.parent, "
                                                 "tree_level.level + 1, context.name FROM context JOIN "
                                                 "tree_level ON context.id = tree_level.parent WHERE "
                                                 "tree_level.level < 1000) SELECT obj_id, name FROM "
                                                 "tree_level ORDER BY level DESC"))
                         .arg(id));
}

QList<DataObject> DatabaseHandler::getAllObjects()
{
    QLOG_INFO() << "Getting all objects from database...";
    QList<DataObject> objects = list(TaskSelect + QStringLiteral("WHERE (state = 0 OR state = 2)"));
    objects += list(ProjectSelect + QStringLiteral("WHERE (state = 0 OR state = 2)"));
    objects += list(ContextSelect + QStringLiteral("WHERE state = 0"));
    return objects;
}

// --- Trash ---

qint64 DatabaseHandler::trashWindowStart() const
{
    const uint cleanup = settings()->trashCleanupTimestamp();
    if (cleanup != 0)
        return cleanup;
    return nowSeconds() - 14 * 24 * 60 * 60;
}

QList<DOTask> DatabaseHandler::getDeletedTasks()
{
    return list(
        SqlStatement(TaskSelect + QStringLiteral("WHERE (state = 1 OR state = 3) AND timestamp >= %1"))
            .arg(trashWindowStart()));
}

bool DatabaseHandler::hasDeletedTasks()
{
    return count(SqlStatement(
               QStringLiteral(
                   "SELECT COUNT(id) FROM task WHERE (state = 1 OR state = 3) AND timestamp >= %1"))
                     .arg(trashWindowStart()))
        > 0;
}

QList<DOTask> DatabaseHandler::getDeletedProjectTasks(const QString& projectId)
{
    return list(SqlStatement(TaskSelect + QStringLiteral("WHERE (state = 1 OR state = 3) AND parent = '%1'"))
                    .arg(projectId));
}

QList<DOProject> DatabaseHandler::getDeletedProjects()
{
    return list(SqlStatement(
        ProjectSelect + QStringLiteral("WHERE (state = 1 OR state = 3) AND folder = 0 AND timestamp >= %1"))
                    .arg(trashWindowStart()));
}

bool DatabaseHandler::hasDeletedProjects()
{
    return count(
               SqlStatement(QStringLiteral("SELECT COUNT(id) FROM project WHERE (state = 1 OR state = 3) AND "
                                           "folder = 0 AND timestamp >= %1"))
                   .arg(trashWindowStart()))
        > 0;
}

QList<DOFolder> DatabaseHandler::getDeletedFolders()
{
    return list(SqlStatement(
        ProjectDepthSelect + QStringLiteral("WHERE state = 1 AND folder = 1 AND timestamp >= %1"))
                    .arg(trashWindowStart()));
}

bool DatabaseHandler::hasDeletedFolders()
{
    return count(SqlStatement(
               QStringLiteral(
                   "SELECT COUNT(id) FROM project WHERE state = 1 AND folder = 1 AND timestamp >= %1"))
                     .arg(trashWindowStart()))
        > 0;
}

QList<DOContext> DatabaseHandler::getDeletedContexts()
{
    return list(SqlStatement(ContextDepthSelect + QStringLiteral("WHERE state = 1 AND timestamp >= %1"))
                    .arg(trashWindowStart()));
}

bool DatabaseHandler::hasDeletedContexts()
{
    return count(SqlStatement(
               QStringLiteral("SELECT COUNT(id) FROM context WHERE state = 1 AND timestamp >= %1"))
                     .arg(trashWindowStart()))
        > 0;
}

QList<DOFolder> DatabaseHandler::getDeletedSubfolders(const QString& folderId)
{
    return list(SqlStatement(ProjectSelect
        + QStringLiteral("WHERE folder = 1 AND state = 1 AND parent = '%1' AND timestamp >= %2"))
                    .arg(folderId)
                    .arg(trashWindowStart()));
}

QList<DOProject> DatabaseHandler::getDeletedSubprojects(const QString& folderId)
{
    return list(SqlStatement(ProjectSelect
        + QStringLiteral(
            "WHERE folder = 0 AND (state = 1 OR state = 3) AND parent = '%1' AND timestamp >= %2"))
                    .arg(folderId)
                    .arg(trashWindowStart()));
}

QList<DOContext> DatabaseHandler::getDeletedSubcontexts(const QString& contextId)
{
    return list(
        SqlStatement(ContextSelect + QStringLiteral("WHERE state = 1 AND parent = '%1' AND timestamp >= %2"))
            .arg(contextId)
            .arg(trashWindowStart()));
}

// --- Counts and checks ---

int DatabaseHandler::getProjectTaskCount(const QString& projectId)
{
    const QString activeCount
        = QStringLiteral("SELECT COUNT(id) FROM task WHERE state = 0 AND parent = '%1'");
    const PredefinedDataHelper* predefined = PredefinedDataHelper::instance();
    if (projectId == predefined->quorvelBoxId() || projectId == predefined->oneStepActionsId())
        return count(SqlStatement(activeCount).arg(projectId));
    const DataObject project = getProjectById(projectId);
    if (project.isEmpty())
        return 0;
    if (ObjectState::isInTrash(stateOf(project)))
        return count(
            SqlStatement(QStringLiteral("SELECT COUNT(id) FROM task WHERE parent = '%1'")).arg(projectId));
    return count(SqlStatement(activeCount).arg(projectId));
}

int DatabaseHandler::getContextTaskCount(const QString& contextId)
{
    return count(SqlStatement(QStringLiteral("SELECT COUNT(id) FROM task WHERE state = 0 AND context = '%1'"))
                     .arg(contextId));
}

int DatabaseHandler::getContextProjectCount(const QString& contextId)
{
    return count(
        SqlStatement(QStringLiteral("SELECT COUNT(id) FROM project WHERE state = 0 AND context = '%1'"))
            .arg(contextId));
}

int DatabaseHandler::getContextTaskCountRecursive(const QString& contextId)
{
    return count(SqlStatement(QStringLiteral("WITH RECURSIVE subcontexts(obj_id, state) AS ( VALUES('%1', 0) "
                                             "UNION SELECT context.id, context.state FROM "
                                             "context JOIN subcontexts ON context.parent = "
                                             "subcontexts.obj_id) SELECT COUNT(*) FROM task JOIN subcontexts "
                                             "ON task.context = subcontexts.obj_id WHERE task.state = 0"))
                     .arg(contextId));
}

int DatabaseHandler::getContextProjectCountRecursive(const QString& contextId)
{
    return count(SqlStatement(
        QStringLiteral("WITH RECURSIVE subcontexts(obj_id, state) AS ( VALUES('%1', 0) UNION SELECT "
                       "context.id, context.state FROM "
                       "context JOIN subcontexts ON context.parent = subcontexts.obj_id) SELECT COUNT(*) "
                       "FROM project JOIN "
                       "subcontexts ON project.context = subcontexts.obj_id WHERE project.state = 0"))
                     .arg(contextId));
}

int DatabaseHandler::getNestedContextCount(const QString& contextId, bool includeAllStates)
{
    // The seed row's timestamp of -1 keeps the context itself out of the count.
    return count(
        SqlStatement(QStringLiteral("WITH RECURSIVE subcontexts(obj_id, timestamp, state) AS ( VALUES('%1', "
                                    "-1, 0) UNION SELECT context.id, "
                                    "context.timestamp, context.state FROM context JOIN subcontexts ON "
                                    "context.parent = subcontexts.obj_id) "
                                    "SELECT COUNT(*) FROM subcontexts WHERE timestamp >= %2 AND state <= %3"))
            .arg(contextId)
            .arg(includeAllStates ? trashWindowStart() : 0)
            .arg(includeAllStates ? 3 : 0));
}

namespace {

QString nestedProjectCountSql(bool folders)
{
    return QStringLiteral(
        "WITH RECURSIVE subobjects(obj_id, folder, timestamp, state) AS ( VALUES('%1', %4, -1, 0) UNION "
        "SELECT "
        "project.id, project.folder, project.timestamp, project.state FROM project JOIN subobjects ON "
        "project.parent = subobjects.obj_id) SELECT COUNT(*) FROM subobjects WHERE subobjects.folder = %4 "
        "AND "
        "timestamp >= %2 AND state <= %3")
        .replace(QStringLiteral("%4"), folders ? QStringLiteral("1") : QStringLiteral("0"));
}

} // namespace

int DatabaseHandler::getNestedFolderCount(const QString& folderId, bool includeDeleted)
{
    return count(SqlStatement(nestedProjectCountSql(true))
                     .arg(folderId)
                     .arg(includeDeleted ? trashWindowStart() : 0)
                     .arg(includeDeleted ? 3 : 0));
}

int DatabaseHandler::getNestedProjectCount(const QString& folderId, bool includeDeleted)
{
    return count(SqlStatement(nestedProjectCountSql(false))
                     .arg(folderId)
                     .arg(includeDeleted ? trashWindowStart() : 0)
                     .arg(includeDeleted ? 3 : 0));
}

bool DatabaseHandler::projectHasTasks(const DOProject& project)
{
    return count(SqlStatement(
               QStringLiteral(
                   "SELECT COUNT(id) FROM task WHERE parent = '%1' AND (state == 0 OR state == 2)"))
                     .arg(text(project, IdKey)))
        > 0;
}

bool DatabaseHandler::projectHasActiveTasks(const DOProject& project)
{
    return count(SqlStatement(QStringLiteral("SELECT COUNT(id) FROM task WHERE parent = '%1' AND state == 0"))
                     .arg(text(project, IdKey)))
        > 0;
}

bool DatabaseHandler::folderHasActiveObjects(const DOFolder& folder)
{
    return count(SqlStatement(
               QStringLiteral(
                   "SELECT COUNT(id) FROM project WHERE parent = '%1' AND (state == 0 OR state == 2)"))
                     .arg(text(folder, IdKey)))
        > 0;
}

bool DatabaseHandler::contextHasActiveObjects(const DOContext& context)
{
    const QString id = text(context, IdKey);
    return count(SqlStatement(
               QStringLiteral("SELECT COUNT(id) FROM context WHERE parent = '%1' AND state == 0"))
                     .arg(id))
        > 0
        || count(SqlStatement(
               QStringLiteral(
                   "SELECT COUNT(id) FROM project WHERE context = '%1' AND (state == 0 OR state == 2)"))
                     .arg(id))
        > 0
        || count(SqlStatement(
               QStringLiteral(
                   "SELECT COUNT(id) FROM task WHERE context = '%1' AND (state == 0 OR state == 2)"))
                     .arg(id))
        > 0;
}

// --- Selections for synchronisation ---

QList<DOTask> DatabaseHandler::getTasksToUpdate()
{
    return list(TaskSelect + QStringLiteral("WHERE synced = 0 AND state = 0"));
}

QList<DOTask> DatabaseHandler::getTasksToDeleteOrComplete()
{
    // A local object deleted before it ever reached the server is never sent.
    return list(TaskSelect
        + QStringLiteral("WHERE synced = 0 AND ((local = 0 AND state <> 0) OR (local = 1 AND state = 2))"));
}

QList<DOProject> DatabaseHandler::getProjectsToUpdate()
{
    return list(ProjectSelect
        + QStringLiteral("WHERE folder = 0 AND synced = 0 AND (state = 0 OR (state = 2 AND local = 1))"));
}

QList<DOProject> DatabaseHandler::getProjectsToDeleteOrComplete()
{
    return list(
        ProjectSelect + QStringLiteral("WHERE folder = 0 AND synced = 0 AND local = 0 AND state <> 0"));
}

QList<DOFolder> DatabaseHandler::getFoldersToUpdate()
{
    return list(ProjectDepthSelect
        + QStringLiteral("WHERE folder = 1 AND synced = 0 AND state <> 1 ORDER BY level ASC"));
}

QList<DOFolder> DatabaseHandler::getFoldersToDelete()
{
    return list(ProjectDepthSelect
        + QStringLiteral("WHERE folder = 1 AND synced = 0 AND local = 0 AND state = 1 ORDER BY level DESC"));
}

QList<DOContext> DatabaseHandler::getContextsToUpdate()
{
    return list(ContextDepthSelect + QStringLiteral("WHERE synced = 0 AND state = 0 ORDER BY level ASC"));
}

QList<DOContext> DatabaseHandler::getContextsToDelete()
{
    return list(ContextDepthSelect
        + QStringLiteral("WHERE synced = 0 AND local = 0 AND state = 1 ORDER BY level DESC"));
}

// --- Calendar export bookkeeping ---

QList<DOTask> DatabaseHandler::getCalendarTasksToCreate()
{
    return list(CalendarTaskSelect + QStringLiteral("WHERE task.state = 0 AND calendar_info.synced IS NULL"));
}

QList<DOTask> DatabaseHandler::getCalendarTasksToUpdate()
{
    return list(CalendarTaskSelect
        + QStringLiteral(
            "WHERE calendar_info.synced = 1 AND calendar_info.updated = 1 AND (task.state <> 1 AND "
            "task.state <> 3)"));
}

QStringList DatabaseHandler::idColumn(const QString& sql)
{
    QSqlQuery query(d->db);
    query.setForwardOnly(true);
    QString error;
    if (!d->run(query, sql, &error)) {
        QLOG_ERROR() << "SQL List query error: " << error;
        return {};
    }
    QStringList ids;
    while (query.next())
        ids.append(query.value(0).toString());
    return ids;
}

QStringList DatabaseHandler::getCalendarTasksToDelete()
{
    return idColumn(QStringLiteral(
        "SELECT task.id FROM task LEFT JOIN calendar_info ON task.id = calendar_info.task_id WHERE "
        "calendar_info.synced = 1 AND calendar_info.updated = 1 AND (task.state = 1 OR task.state = 3)"));
}

QStringList DatabaseHandler::getCalendarTaskIds()
{
    return idColumn(QStringLiteral("SELECT task_id FROM calendar_info"));
}

bool DatabaseHandler::handleCalendarTaskCreated(const QString& taskId)
{
    return execute(SqlStatement(QStringLiteral("INSERT INTO calendar_info(task_id, synced) VALUES('%1', 1)"))
                       .arg(taskId));
}

bool DatabaseHandler::handleCalendarTaskUpdated(const QString& taskId)
{
    return execute(SqlStatement(QStringLiteral("UPDATE calendar_info SET updated = 0 WHERE task_id = '%1'"))
                       .arg(taskId));
}

bool DatabaseHandler::markCalendarTasksToUpdate()
{
    return execute(QStringLiteral("UPDATE calendar_info SET updated = 1"));
}

bool DatabaseHandler::clearCalendarInfoTable()
{
    return execute(QStringLiteral("DELETE FROM calendar_info"));
}

// --- The daily plan ---

namespace {

// A date-time argument counts by its own date and clock time, in the scale
// in which START and DUE are stored.
QDateTime relabelled(const QDateTime& dateTime)
{
    if (!dateTime.isValid())
        return QDateTime();
    return WallClock::fromDateAndTime(dateTime.date(), dateTime.time());
}

enum class DayKind { Past, Today, Future };

DayKind dayKind(const QDate& date)
{
    const QDate today = QDate::currentDate();
    if (date == today)
        return DayKind::Today;
    return date < today ? DayKind::Past : DayKind::Future;
}

} // namespace

bool DatabaseHandler::showProjectsInDailyPlan() const
{
    return settings()->showProjectsInDailyPlan();
}

QList<DOTask> DatabaseHandler::dayTaskList(const QDate& date)
{
    if (!date.isValid())
        return {};
    QString where;
    switch (dayKind(date)) {
    case DayKind::Today:
        where = QStringLiteral("WHERE (state = 0 AND (((due < %1 AND period = \"\") OR (due >= %1 AND due < "
                               "%2)) OR (due <> '' AND due "
                               ">= %2 AND (start = '' OR start < %2)) OR (due = '' AND start < %2))) OR "
                               "(state = 2 AND (due >= %1 AND "
                               "due < %2))");
        break;
    case DayKind::Past:
        where = QStringLiteral("WHERE (state <> 1 AND state <> 3 AND (due >= %1 AND due < %2))");
        break;
    case DayKind::Future:
        where = QStringLiteral(
            "WHERE (state = 0 AND ((due >= %1 AND due < %2) OR (due <> '' AND due >= %2 AND (start = '' OR "
            "start < "
            "%2)) OR (due = '' AND start < %2))) OR (state = 2 AND (due >= %1 AND due < %2))");
        break;
    }
    QList<DOTask> tasks = list(SqlStatement(TaskSelect + where)
                                   .arg(WallClock::dayStartSeconds(date))
                                   .arg(WallClock::dayStartSeconds(date.addDays(1))));
    // Repeated tasks are stored once, on their next occurrence; their other
    // occurrences on this day (and today's overdue ones) come from the rule.
    tasks += repeatedTaskHelper()->getRepeatedDayTasks(date);
    return tasks;
}

QList<DOTask> DatabaseHandler::getDayTasks(const QDate& date)
{
    if (!date.isValid())
        return {};
    QList<DOTask> objects = dayTaskList(date);
    if (!showProjectsInDailyPlan())
        return objects;

    QString where;
    switch (dayKind(date)) {
    case DayKind::Today:
        where = QStringLiteral(
            "WHERE (state = 0 AND (due < %1 OR (due >= %1 AND due < %2) OR (due <> '' AND due >= %2 AND "
            "(start = '' "
            "OR start < %2)) OR (due = '' AND start < %2))) OR (state = 2 AND (due >= %1 AND due < %2))");
        break;
    case DayKind::Past:
        where = QStringLiteral("WHERE (state <> 1 AND state <> 3 AND (due >= %1 AND due < %2))");
        break;
    case DayKind::Future:
        where = QStringLiteral(
            "WHERE (state = 0 AND ((due >= %1 AND due < %2) OR (due <> '' AND due >= %2 AND (start = '' OR "
            "start < "
            "%2)) OR (due = '' AND start < %2))) OR (state = 2 AND (due >= %1 AND due < %2))");
        break;
    }
    objects
        += list(SqlStatement(QStringLiteral("SELECT id, name, parent, memo, start, due, context, timestamp, "
                                            "state, synced, local, folder FROM project ")
            + where)
                    .arg(WallClock::dayStartSeconds(date))
                    .arg(WallClock::dayStartSeconds(date.addDays(1))));
    return objects;
}

int DatabaseHandler::getActiveDayTaskCount(const QDateTime& dateTime)
{
    const QDateTime moment = relabelled(dateTime);
    if (!moment.isValid())
        return 0;
    int result = 0;
    for (const DOTask& task : dayTaskList(moment.date())) {
        const QDateTime due = task.value(DueKey).toDateTime();
        if (due.isValid() && due.date() == moment.date() && due >= moment
            && stateOf(task) != ObjectState::Completed)
            ++result;
    }
    return result;
}

int DatabaseHandler::getOverdueDayTaskCount(const QDateTime& dateTime)
{
    const QDateTime moment = relabelled(dateTime);
    if (!moment.isValid())
        return 0;
    int result = 0;
    for (const DOTask& task : dayTaskList(moment.date())) {
        const QDateTime due = task.value(DueKey).toDateTime();
        if (due.isValid() && due < moment && stateOf(task) != ObjectState::Completed)
            ++result;
    }
    return result;
}

int DatabaseHandler::getProjectOverdueTaskCount(const QString& projectId)
{
    const QDateTime now = WallClock::fromLocal(QDateTime::currentDateTime());
    int result = 0;
    for (const DOTask& task : getProjectTasks(projectId)) {
        const QDateTime due = task.value(DueKey).toDateTime();
        if (stateOf(task) == ObjectState::Active && due.isValid() && due < now)
            ++result;
    }
    return result;
}

bool DatabaseHandler::hasActiveObjects(const QDateTime& dateTime)
{
    const QDateTime moment = relabelled(dateTime);
    if (!moment.isValid())
        return false;
    const qint64 dayStart = WallClock::dayStartSeconds(moment.date());
    const qint64 dayEnd = WallClock::dayStartSeconds(moment.date().addDays(1));
    if (count(SqlStatement(
            QStringLiteral("SELECT COUNT(id) FROM task WHERE state = 0 AND (due >= %1 AND due < %2)"))
                  .arg(dayStart)
                  .arg(dayEnd))
        > 0)
        return true;
    return showProjectsInDailyPlan()
        && count(SqlStatement(
               QStringLiteral("SELECT COUNT(id) FROM project WHERE state = 0 AND (due >= %1 AND due < %2)"))
                     .arg(dayStart)
                     .arg(dayEnd))
        > 0;
}

bool DatabaseHandler::hasOverdueTasks(const QDateTime& dateTime)
{
    const QDateTime moment = relabelled(dateTime);
    if (!moment.isValid())
        return false;
    return count(SqlStatement(QStringLiteral("SELECT COUNT(id) FROM task WHERE state = 0 AND due < %1"))
                     .arg(WallClock::dayStartSeconds(moment.date())))
        > 0;
}

IndicatorState DatabaseHandler::getIndicatorState(const QDateTime& dateTime)
{
    const QDateTime moment = relabelled(dateTime);
    if (!moment.isValid())
        return IndicatorState();
    IndicatorState state;
    state.hasActiveObjects = hasActiveObjects(moment);
    state.hasOverdueTasks = moment.date() == QDate::currentDate() && hasOverdueTasks(moment);
    state.hasRepeatedTasks = repeatedTaskHelper()->hasRepeatedTasks(moment.date());
    return state;
}
