#pragma once

#include "data/DataObject.h"

#include <QString>
#include <QStringList>

#include <memory>

class DatabaseHandler;
class QSqlDatabase;
class RepeatedTaskHelper;
class Settings;

// A store on a fresh copy of the template inside the test sandbox, with its
// own settings and repetition helper, and a look at the log it writes. Call
// open() after TestSandbox::reset(), close() before the next reset.
class StoreFixture
{
public:
    StoreFixture();
    ~StoreFixture();

    bool open();
    void close();

    DatabaseHandler* store() const { return m_store.get(); }
    Settings* settings() const { return m_settings.get(); }
    RepeatedTaskHelper* repetition() const { return m_repetition.get(); }
    QString path() const { return m_path; }

    // Seeds objects as the server would send them (no transaction, the
    // record's TIMESTAMP kept). The kind is told by FOLDER and PERIOD keys
    // unless given.
    bool seedTask(const DataObject& task);
    bool seedProject(const DataObject& project);
    bool seedContext(const DataObject& context);

    // One-line seeds, named by ID (the name is the ID too), changed at
    // `timestamp` (a fixed day in 2023 unless given).
    bool task(const QString& id, const QString& parent, int state = 0, const QString& context = QString(),
        qint64 timestamp = 0);
    bool project(const QString& id, const QString& parent = QString(), int state = 0,
        const QString& context = QString(), qint64 timestamp = 0);
    bool folder(const QString& id, const QString& parent = QString(), int state = 0, qint64 timestamp = 0);
    bool context(const QString& id, const QString& parent = QString(), int state = 0, qint64 timestamp = 0);

    // The stored record, read through the store.
    DataObject taskRecord(const QString& id);
    DataObject projectRecord(const QString& id);
    DataObject contextRecord(const QString& id);
    int stateOf(const QString& table, const QString& id);

    // A row as stored, column names in lower case, values unconverted.
    QVariantMap rawRow(const QString& table, const QString& id);
    int rowCount(const QString& table);
    // Every row of every table, as text in a fixed order: equal dumps mean
    // equal databases.
    QStringList dump();
    // The same of a database file, read on a connection of its own.
    static QStringList dumpFile(const QString& path);

    // Starts a fresh look at the log; logLines() gives what was logged since,
    // as "LEVEL message" (the time left out).
    void markLog();
    QStringList logLines() const;
    bool logged(const QString& levelAndStart) const;

    static void setUpLogging(const QString& testName);

private:
    static QStringList dumpConnection(const QSqlDatabase& db);

    QString m_path;
    std::unique_ptr<Settings> m_settings;
    std::unique_ptr<DatabaseHandler> m_store;
    std::unique_ptr<RepeatedTaskHelper> m_repetition;
    qint64 m_logStart = 0;
};
