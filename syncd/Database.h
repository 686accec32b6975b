#pragma once

#include <QSqlDatabase>
#include <QString>

#include <atomic>
#include <condition_variable>
#include <deque>
#include <functional>
#include <mutex>
#include <thread>

class QSqlQuery;

// The server's storage through Qt SQL: SQLite in the data folder, or one
// PostgreSQL database that several server processes may share.
//
// Every request thread gets a connection of its own (Qt SQL connections
// belong to the thread that opened them). Writes go through write(), one
// transaction each: on SQLite one writer at a time (BEGIN IMMEDIATE, and a
// lock so that the process's own threads queue instead of meeting "database
// is locked"); on PostgreSQL the work locks the account row it changes (see
// lockSuffix()), so that two processes serving one account take turns, and
// a transaction that the server aborts for a deadlock or a serialisation
// conflict is run again.
class Database
{
public:
    enum class Dialect { Sqlite, Postgres };
    enum class Outcome { Commit, Rollback, Failed };

    // sqliteFile is used when postgresUrl is empty.
    Database(const QString& sqliteFile, const QString& postgresUrl);
    ~Database();

    // Opens a first connection and creates the tables and indexes that are missing.
    bool open(QString* error);
    Dialect dialect() const;
    QString description() const;

    // This thread's connection, opened on first use; invalid when it cannot open.
    QSqlDatabase connection();

    // Runs work in one transaction: committed when it answers Commit, rolled
    // back otherwise. False when the transaction could not be completed.
    bool write(const std::function<Outcome(QSqlDatabase&)>& work);

    // " FOR UPDATE" where the database locks selected rows, else nothing.
    QString lockSuffix() const;

    // Runs a prepared query, logging a failure with what it was for.
    static bool run(QSqlQuery& query, const char* purpose);

private:
    bool createSchema(QSqlDatabase& db, QString* error);
    QSqlDatabase openConnection(const QString& name);
    bool retryable(const QSqlDatabase& db) const;

    QString m_sqliteFile;
    QString m_postgresUrl;
    Dialect m_dialect;
    QString m_connectionPrefix;
    // Writers take turns in the order they came (a plain mutex lets some
    // wait far longer than others under load).
    struct Waiter
    {
        std::condition_variable turn;
        bool called = false;
    };
    struct WriterQueue
    {
        std::mutex mutex;
        bool busy = false;
        // Each waiter is woken alone, when its turn comes.
        std::deque<Waiter*> waiting;
    };
    void enterWriter();
    void leaveWriter();
    WriterQueue m_writers;
    // SQLite: checkpoints of the write-ahead log run here, beside the
    // writers, so that no request waits for one (they flush the disk).
    void checkpointLoop();
    std::thread m_checkpointer;
    std::mutex m_checkpointMutex;
    std::condition_variable m_checkpointWake;
    bool m_closing = false;
    std::atomic<bool> m_walSet { false };
};
