#include "syncd/Database.h"

#include "logging/Log.h"

#include <QAtomicInteger>
#include <QSqlError>
#include <QSqlQuery>
#include <QStringList>
#include <QThread>
#include <QUrl>
#include <QUrlQuery>

#include <chrono>
#include <thread>

namespace {

QAtomicInteger<int> instanceCount;

// Closes a thread's connection when its thread ends, in that thread, as Qt
// SQL wants it.
struct ThreadConnections
{
    QStringList names;
    ~ThreadConnections()
    {
        for (const QString& name : names) {
            {
                QSqlDatabase db = QSqlDatabase::database(name, false);
                db.close();
            }
            QSqlDatabase::removeDatabase(name);
        }
    }
};

thread_local ThreadConnections threadConnections;
// The native code of this thread's last failed query, for the retry rule.
thread_local QString lastFailureCode;

QStringList sqliteSchema()
{
    return {
        QStringLiteral("CREATE TABLE IF NOT EXISTS accounts (id INTEGER PRIMARY KEY AUTOINCREMENT, "
                       "login TEXT NOT NULL UNIQUE, password_hash TEXT NOT NULL, revision BIGINT NOT NULL, "
                       "one_time_password TEXT NOT NULL DEFAULT '', one_time_expires BIGINT NOT NULL DEFAULT 0, "
                       "created BIGINT NOT NULL)"),
        QStringLiteral("CREATE TABLE IF NOT EXISTS objects (account_id BIGINT NOT NULL, kind TEXT NOT NULL, "
                       "id TEXT NOT NULL, name TEXT NOT NULL DEFAULT '', parent TEXT NOT NULL DEFAULT '', "
                       "memo TEXT NOT NULL DEFAULT '', start_at TEXT NOT NULL DEFAULT '', "
                       "due_at TEXT NOT NULL DEFAULT '', context TEXT NOT NULL DEFAULT '', "
                       "folder INTEGER NOT NULL DEFAULT 0, period TEXT NOT NULL DEFAULT '', "
                       "state INTEGER NOT NULL DEFAULT 0, stamp BIGINT NOT NULL DEFAULT 0, "
                       "revision BIGINT NOT NULL, predefined INTEGER NOT NULL DEFAULT 0, "
                       "inbox INTEGER NOT NULL DEFAULT 0, PRIMARY KEY (account_id, kind, id))"),
        QStringLiteral("CREATE INDEX IF NOT EXISTS objects_by_revision ON objects (account_id, revision)"),
        QStringLiteral("CREATE TABLE IF NOT EXISTS tokens (token_hash TEXT PRIMARY KEY, "
                       "account_id BIGINT NOT NULL, created BIGINT NOT NULL)"),
        QStringLiteral("CREATE INDEX IF NOT EXISTS tokens_by_account ON tokens (account_id)"),
        QStringLiteral("CREATE TABLE IF NOT EXISTS side_items (account_id BIGINT NOT NULL, channel TEXT NOT NULL, "
                       "item_key TEXT NOT NULL, last_changed BIGINT NOT NULL, deleted INTEGER NOT NULL, "
                       "body TEXT NOT NULL, PRIMARY KEY (account_id, channel, item_key))"),
    };
}

QStringList postgresSchema()
{
    QStringList statements = sqliteSchema();
    statements[0].replace(QStringLiteral("id INTEGER PRIMARY KEY AUTOINCREMENT"), QStringLiteral("id BIGSERIAL PRIMARY KEY"));
    return statements;
}

} // namespace

Database::Database(const QString& sqliteFile, const QString& postgresUrl)
    : m_sqliteFile(sqliteFile)
    , m_postgresUrl(postgresUrl)
    , m_dialect(postgresUrl.isEmpty() ? Dialect::Sqlite : Dialect::Postgres)
    , m_connectionPrefix(QStringLiteral("syncd-%1-").arg(instanceCount.fetchAndAddOrdered(1)))
{
}

Database::~Database()
{
    if (!m_checkpointer.joinable())
        return;
    {
        std::lock_guard<std::mutex> lock(m_checkpointMutex);
        m_closing = true;
    }
    m_checkpointWake.notify_all();
    m_checkpointer.join();
}

void Database::checkpointLoop()
{
    QSqlDatabase db = connection();
    std::unique_lock<std::mutex> lock(m_checkpointMutex);
    while (!m_closing) {
        m_checkpointWake.wait_for(lock, std::chrono::milliseconds(250));
        lock.unlock();
        QSqlQuery checkpoint(db);
        checkpoint.exec(m_closing ? QStringLiteral("PRAGMA wal_checkpoint(TRUNCATE)")
                                  : QStringLiteral("PRAGMA wal_checkpoint(PASSIVE)"));
        lock.lock();
    }
}

Database::Dialect Database::dialect() const
{
    return m_dialect;
}

QString Database::description() const
{
    if (m_dialect == Dialect::Sqlite)
        return QStringLiteral("SQLite ") + m_sqliteFile;
    QUrl url(m_postgresUrl);
    url.setPassword(QString());
    return QStringLiteral("PostgreSQL ") + url.toString(QUrl::RemovePassword);
}

QString Database::lockSuffix() const
{
    return m_dialect == Dialect::Postgres ? QStringLiteral(" FOR UPDATE") : QString();
}

bool Database::open(QString* error)
{
    if (!QSqlDatabase::isDriverAvailable(m_dialect == Dialect::Sqlite ? "QSQLITE" : "QPSQL")) {
        *error = m_dialect == Dialect::Sqlite
            ? QStringLiteral("Qt's SQLite driver is not installed (Debian: libqt5sql5-sqlite)")
            : QStringLiteral("Qt's PostgreSQL driver is not installed (Debian: libqt5sql5-psql)");
        return false;
    }
    QSqlDatabase db = connection();
    if (!db.isOpen()) {
        *error = QStringLiteral("cannot open %1: %2").arg(description(), db.lastError().text());
        return false;
    }
    if (!createSchema(db, error))
        return false;
    if (m_dialect == Dialect::Sqlite && !m_checkpointer.joinable())
        m_checkpointer = std::thread([this] { checkpointLoop(); });
    return true;
}

bool Database::createSchema(QSqlDatabase& db, QString* error)
{
    // Two processes starting at once on one PostgreSQL database would race
    // on CREATE ... IF NOT EXISTS; an advisory lock makes them take turns.
    QSqlQuery query(db);
    if (m_dialect == Dialect::Postgres)
        query.exec(QStringLiteral("SELECT pg_advisory_lock(84700001)"));
    const QStringList statements = m_dialect == Dialect::Sqlite ? sqliteSchema() : postgresSchema();
    bool ok = true;
    for (const QString& statement : statements) {
        if (!query.exec(statement)) {
            *error = QStringLiteral("cannot create the tables: %1").arg(query.lastError().text());
            ok = false;
            break;
        }
    }
    if (m_dialect == Dialect::Postgres)
        query.exec(QStringLiteral("SELECT pg_advisory_unlock(84700001)"));
    return ok;
}

QSqlDatabase Database::connection()
{
    const QString name = m_connectionPrefix + QString::number(quintptr(QThread::currentThreadId()), 16);
    if (QSqlDatabase::contains(name)) {
        QSqlDatabase db = QSqlDatabase::database(name, false);
        if (db.isOpen())
            return db;
        db.open();
        return db;
    }
    threadConnections.names.append(name);
    return openConnection(name);
}

QSqlDatabase Database::openConnection(const QString& name)
{
    if (m_dialect == Dialect::Sqlite) {
        QSqlDatabase db = QSqlDatabase::addDatabase(QStringLiteral("QSQLITE"), name);
        db.setDatabaseName(m_sqliteFile);
        db.setConnectOptions(QStringLiteral("QSQLITE_BUSY_TIMEOUT=10000"));
        if (!db.open()) {
            QLOG_ERROR() << "Cannot open the database " << m_sqliteFile << ": " << db.lastError().text();
            return db;
        }
        QSqlQuery pragma(db);
        // WAL lets the request threads read while one of them writes. The
        // mode stays with the file, so only the first connection sets it:
        // setting it takes a lock that would wait behind a writer.
        if (!m_walSet.exchange(true))
            pragma.exec(QStringLiteral("PRAGMA journal_mode=WAL"));
        pragma.exec(QStringLiteral("PRAGMA synchronous=NORMAL"));
        // The checkpoints are the checkpoint thread's.
        pragma.exec(QStringLiteral("PRAGMA wal_autocheckpoint=0"));
        pragma.exec(QStringLiteral("PRAGMA foreign_keys=ON"));
        return db;
    }
    const QUrl url(m_postgresUrl);
    QSqlDatabase db = QSqlDatabase::addDatabase(QStringLiteral("QPSQL"), name);
    db.setHostName(url.host().isEmpty() ? QStringLiteral("localhost") : url.host());
    if (url.port() > 0)
        db.setPort(url.port());
    db.setUserName(url.userName());
    db.setPassword(url.password());
    db.setDatabaseName(url.path().mid(1));
    const QString hostFolder = QUrlQuery(url).queryItemValue(QStringLiteral("host"));
    if (!hostFolder.isEmpty())
        db.setHostName(hostFolder);
    if (!db.open())
        QLOG_ERROR() << "Cannot open " << description() << ": " << db.lastError().text();
    return db;
}

bool Database::retryable(const QSqlDatabase& db) const
{
    if (m_dialect != Dialect::Postgres)
        return false;
    Q_UNUSED(db)
    const QString code = lastFailureCode;
    // serialization_failure, deadlock_detected, unique_violation of a racing insert
    return code == QLatin1String("40001") || code == QLatin1String("40P01");
}

void Database::enterWriter()
{
    std::unique_lock<std::mutex> lock(m_writers.mutex);
    if (!m_writers.busy) {
        m_writers.busy = true;
        return;
    }
    Waiter waiter;
    m_writers.waiting.push_back(&waiter);
    waiter.turn.wait(lock, [&waiter] { return waiter.called; });
}

void Database::leaveWriter()
{
    std::lock_guard<std::mutex> lock(m_writers.mutex);
    if (m_writers.waiting.empty()) {
        m_writers.busy = false;
        return;
    }
    // The turn passes straight to the first in line.
    Waiter* next = m_writers.waiting.front();
    m_writers.waiting.pop_front();
    next->called = true;
    next->turn.notify_one();
}

bool Database::write(const std::function<Outcome(QSqlDatabase&)>& work)
{
    struct Turn
    {
        Database* database;
        ~Turn()
        {
            if (database)
                database->leaveWriter();
        }
    } turn { m_dialect == Dialect::Sqlite ? this : nullptr };
    if (turn.database)
        enterWriter();
    QSqlDatabase db = connection();
    if (!db.isOpen())
        return false;
    for (int attempt = 1; attempt <= 5; ++attempt) {
        QSqlQuery begin(db);
        if (!begin.exec(m_dialect == Dialect::Sqlite ? QStringLiteral("BEGIN IMMEDIATE") : QStringLiteral("BEGIN"))) {
            QLOG_ERROR() << "Cannot begin a transaction: " << begin.lastError().text();
            return false;
        }
        lastFailureCode.clear();
        const Outcome outcome = work(db);
        QSqlQuery end(db);
        if (outcome == Outcome::Commit) {
            if (end.exec(QStringLiteral("COMMIT")))
                return true;
            QLOG_ERROR() << "Cannot commit a transaction: " << end.lastError().text();
        }
        const bool again = outcome == Outcome::Failed && retryable(db);
        QSqlQuery rollback(db);
        rollback.exec(QStringLiteral("ROLLBACK"));
        if (outcome == Outcome::Rollback)
            return true;
        if (!again)
            return false;
        QLOG_WARN() << "A transaction met a concurrent one and runs again (attempt " << attempt << ").";
        std::this_thread::sleep_for(std::chrono::milliseconds(5 * attempt));
    }
    return false;
}

bool Database::run(QSqlQuery& query, const char* purpose)
{
    if (query.exec())
        return true;
    lastFailureCode = query.lastError().nativeErrorCode();
    QLOG_ERROR() << "Database error while " << purpose << ": " << query.lastError().text();
    return false;
}
