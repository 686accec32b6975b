#pragma once

#include <QList>
#include <QMap>
#include <QString>
#include <QStringList>

class Database;
class QSqlDatabase;
class QSqlQuery;

// The objects of every account (tasks, projects and folders, contexts) and
// the one revision counter per account that orders their changes.
//
// A write is one transaction that first locks the account's row: the checks
// (exists, revision, timestamp, references), the new revision and the object
// itself are then seen and changed by one request at a time, also when
// several server processes share one PostgreSQL database.
class ObjectStore
{
public:
    enum class Kind { Task, Project, Context };

    struct Object
    {
        Kind kind = Kind::Task;
        QString id;
        // Upper-case wire names (NAME, PARENT, ...) to their text.
        QMap<QString, QString> fields;
        qint64 timestamp = 0;
        int state = 0;
        qint64 revision = 0;
        int predefined = 0;
        int inbox = 0;
    };

    // Status 0 is success; otherwise a protocol status with its text.
    struct Result
    {
        int status = 0;
        QString message;
        qint64 revision = 0;
    };

    explicit ObjectStore(Database* database);

    static QString kindName(Kind kind);
    // The fields a kind keeps besides ID, TIMESTAMP and STATE, in reply order.
    static const QStringList& fieldsOf(Kind kind);

    // The QuorvelBox and One Step Actions projects of a new account.
    static bool createBuiltInProjects(QSqlDatabase& db, qint64 accountId);

    // The account's revision and every object changed after `after`.
    bool changesSince(qint64 accountId, qint64 after, qint64* current, QList<Object>* objects);
    bool find(qint64 accountId, Kind kind, const QString& id, Object* object, bool* found);

    // A create (create true) or update from a client whose last seen
    // revision is baseRevision. `given` holds the sent fields, upper-case
    // names, "NULL" already read as empty.
    Result write(qint64 accountId, Kind kind, bool create, const QMap<QString, QString>& given, qint64 baseRevision);

private:
    Result checkReferences(QSqlDatabase& db, qint64 accountId, const Object& object);
    static Object readRow(const QSqlQuery& query);
    static bool load(QSqlDatabase& db, qint64 accountId, Kind kind, const QString& id, Object* object, bool* found);
    static bool store(QSqlDatabase& db, qint64 accountId, const Object& object, bool insert);

    Database* m_database;
};
