#pragma once

#include "data/DataObject.h"

#include <QObject>
#include <QString>

#include <memory>

class QSqlQuery;

// Owns the one SQL connection of the program and runs every statement on
// it. It lives in the data worker thread; other threads reach it only by
// blocking queued calls, which is what serialises access to the database.
//
// A database is never created here by DDL: it starts as a copy of the
// template (DatabaseTemplate), and every later change to the schema is an
// idempotent statement that runs each time the database is opened.
class DatabaseHandler : public QObject
{
    Q_OBJECT
    Q_PROPERTY(bool connected READ isConnected NOTIFY connectedChanged)

public:
    // The program's store, on "quorvel_app" over databasePath(). Created on
    // first use, so the connection belongs to the thread that first asks.
    static DatabaseHandler* instance();

    // The database file in the application data folder. Fixed the first time
    // it is asked for, so a later change of the application's name cannot
    // move the database under a running program.
    static QString databasePath();

    static QString defaultConnectionName();

    // A store over filePath on its own named connection. The program uses
    // instance(); a second handler needs a connection name of its own.
    explicit DatabaseHandler(const QString& filePath, const QString& connectionName = defaultConnectionName(),
        QObject* parent = nullptr);
    ~DatabaseHandler() override;

    // The file that openAtStart() opens and recreateDatabase() replaces.
    QString filePath() const;
    QString connectionName() const;

    // Opens the store at start: connects to filePath() and brings the schema
    // up to date. Returns whether the store is open; when it is not, the
    // program runs on with a closed store whose statements fail and log.
    bool openAtStart();

    // Opens filePath as the database. Refuses (false, logged) a missing file,
    // which opening would otherwise create empty, and a file that is not a
    // readable Quorvel database; the file is left exactly as it was.
    Q_INVOKABLE bool connectDatabase(const QString& filePath);
    Q_INVOKABLE void disconnectDatabase();
    Q_INVOKABLE bool isConnected() const;

    // The schema changes that run at every open. Each logs its failure and
    // leaves the database usable without the table or index.
    Q_INVOKABLE void createCalendarInfoTable();
    Q_INVOKABLE void createTaskStateIndex();
    Q_INVOKABLE void createUniqueIndexForProjectsAndContexts();

    Q_INVOKABLE bool beginTransaction();
    // A failed commit rolls the transaction back at once.
    Q_INVOKABLE bool commitChanges();
    Q_INVOKABLE bool rollbackChanges();

    // The ID of the last object created by a local insert; emptied by a
    // failed commit and by every rollback.
    Q_INVOKABLE QString lastCreatedObjectId() const;
    void setLastCreatedObjectId(const QString& id);

    // Wipes all local data: replaces the database with a fresh copy of the
    // template, resets the built-in list identifiers and marks the predefined
    // folders and contexts as not yet created. Returns whether the new
    // database is open.
    Q_INVOKABLE bool recreateDatabase();

    // Statement primitives. Each runs the SQL text once on a new query;
    // a failure is logged with the driver's text.
    bool execute(const QString& sql);
    // The first column of the first row; 0 when there is no row or on failure.
    int count(const QString& sql);
    // Every row as a record; empty on failure.
    QList<DataObject> list(const QString& sql);
    // The first row as a record; an empty record when there is none or on failure.
    DataObject single(const QString& sql);

    // A result row as a record: upper-case column names as keys, START and
    // DUE as wall-clock date-times (invalid when unset, but always present).
    static DataObject recordFromQuery(const QSqlQuery& query);

signals:
    void connectedChanged(bool connected);

private:
    bool checkReadable(const QString& filePath);
    bool setAsideUnreadableFile();
    bool removeDatabaseFile();
    void writePredefinedObjectsReset();
    void setConnected(bool connected);

    struct Private;
    std::unique_ptr<Private> d;
};
