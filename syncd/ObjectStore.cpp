#include "syncd/ObjectStore.h"

#include "logging/Log.h"
#include "syncd/Database.h"

#include <QDateTime>
#include <QRegularExpression>
#include <QSqlQuery>
#include <QUuid>
#include <QVariant>

namespace {

const QString IdKey = QStringLiteral("ID");
const QString TimestampKey = QStringLiteral("TIMESTAMP");
const QString StateKey = QStringLiteral("STATE");
const QString NameKey = QStringLiteral("NAME");
const QString ParentKey = QStringLiteral("PARENT");
const QString MemoKey = QStringLiteral("MEMO");
const QString StartKey = QStringLiteral("START");
const QString DueKey = QStringLiteral("DUE");
const QString ContextKey = QStringLiteral("CONTEXT");
const QString FolderKey = QStringLiteral("FOLDER");
const QString PeriodKey = QStringLiteral("PERIOD");

const int MalformedStatus = 400;
const int MaxIdLength = 100;
// Deeper folder chains than this are taken for a loop.
const int MaxFolderDepth = 64;

const QString Columns = QStringLiteral(
    "kind, id, name, parent, memo, start_at, due_at, context, folder, period, state, stamp, revision, "
    "predefined, inbox");

bool isDeleted(int state)
{
    return state == 1 || state == 3;
}

bool acceptableId(const QString& id)
{
    static const QRegularExpression pattern(QStringLiteral("^[A-Za-z0-9{}_.:-]+$"));
    return !id.isEmpty() && id.size() <= MaxIdLength && pattern.match(id).hasMatch();
}

ObjectStore::Result malformed(const QString& message)
{
    return { MalformedStatus, message, 0 };
}

ObjectStore::Result failed()
{
    return { 500, QStringLiteral("Internal Server Error"), 0 };
}

} // namespace

ObjectStore::ObjectStore(Database* database)
    : m_database(database)
{
}

QString ObjectStore::kindName(Kind kind)
{
    switch (kind) {
    case Kind::Task:
        return QStringLiteral("task");
    case Kind::Project:
        return QStringLiteral("project");
    case Kind::Context:
        return QStringLiteral("context");
    }
    return QString();
}

const QStringList& ObjectStore::fieldsOf(Kind kind)
{
    static const QStringList task = { NameKey, ParentKey, MemoKey, StartKey, DueKey, ContextKey, PeriodKey };
    static const QStringList project = { NameKey, ParentKey, MemoKey, StartKey, DueKey, ContextKey, FolderKey };
    static const QStringList context = { NameKey, ParentKey, MemoKey };
    return kind == Kind::Task ? task : kind == Kind::Project ? project : context;
}

bool ObjectStore::createBuiltInProjects(QSqlDatabase& db, qint64 accountId)
{
    const qint64 now = QDateTime::currentSecsSinceEpoch();
    const struct { const char* name; int inbox; } builtIn[] = { { "QuorvelBox", 1 }, { "One Step Actions", 2 } };
    for (const auto& project : builtIn) {
        Object object;
        object.kind = Kind::Project;
        object.id = QUuid::createUuid().toString(QUuid::WithoutBraces);
        object.fields.insert(NameKey, QString::fromLatin1(project.name));
        object.fields.insert(FolderKey, QStringLiteral("0"));
        object.timestamp = now;
        object.revision = 1;
        object.inbox = project.inbox;
        if (!store(db, accountId, object, true))
            return false;
    }
    return true;
}

ObjectStore::Object ObjectStore::readRow(const QSqlQuery& query)
{
    Object object;
    const QString kind = query.value(0).toString();
    object.kind = kind == QLatin1String("project") ? Kind::Project
        : kind == QLatin1String("context")         ? Kind::Context
                                                   : Kind::Task;
    object.id = query.value(1).toString();
    const QStringList fields = { NameKey, ParentKey, MemoKey, StartKey, DueKey, ContextKey, FolderKey, PeriodKey };
    for (int i = 0; i < fields.size(); ++i) {
        if (fieldsOf(object.kind).contains(fields.at(i)))
            object.fields.insert(fields.at(i), query.value(2 + i).toString());
    }
    object.state = query.value(10).toInt();
    object.timestamp = query.value(11).toLongLong();
    object.revision = query.value(12).toLongLong();
    object.predefined = query.value(13).toInt();
    object.inbox = query.value(14).toInt();
    return object;
}

bool ObjectStore::load(QSqlDatabase& db, qint64 accountId, Kind kind, const QString& id, Object* object, bool* found)
{
    QSqlQuery query(db);
    query.prepare(QStringLiteral("SELECT ") + Columns
        + QStringLiteral(" FROM objects WHERE account_id = ? AND kind = ? AND id = ?"));
    query.addBindValue(accountId);
    query.addBindValue(kindName(kind));
    query.addBindValue(id);
    if (!Database::run(query, "reading an object"))
        return false;
    *found = query.next();
    if (*found)
        *object = readRow(query);
    return true;
}

bool ObjectStore::store(QSqlDatabase& db, qint64 accountId, const Object& object, bool insert)
{
    QSqlQuery query(db);
    if (insert) {
        query.prepare(QStringLiteral("INSERT INTO objects (account_id, ") + Columns
            + QStringLiteral(") VALUES (?, ?, ?, ?, ?, ?, ?, ?, ?, ?, ?, ?, ?, ?, ?, ?)"));
        query.addBindValue(accountId);
        query.addBindValue(kindName(object.kind));
        query.addBindValue(object.id);
    } else {
        query.prepare(QStringLiteral(
            "UPDATE objects SET name = ?, parent = ?, memo = ?, start_at = ?, due_at = ?, context = ?, "
            "folder = ?, period = ?, state = ?, stamp = ?, revision = ?, predefined = ?, inbox = ? "
            "WHERE account_id = ? AND kind = ? AND id = ?"));
    }
    // A null QString would be bound as SQL NULL; absent fields are empty text.
    const auto text = [&object](const QString& key) {
        const QString value = object.fields.value(key);
        return value.isNull() ? QString(QLatin1String("")) : value;
    };
    query.addBindValue(text(NameKey));
    query.addBindValue(text(ParentKey));
    query.addBindValue(text(MemoKey));
    query.addBindValue(text(StartKey));
    query.addBindValue(text(DueKey));
    query.addBindValue(text(ContextKey));
    query.addBindValue(object.fields.value(FolderKey) == QLatin1String("1") ? 1 : 0);
    query.addBindValue(text(PeriodKey));
    query.addBindValue(object.state);
    query.addBindValue(object.timestamp);
    query.addBindValue(object.revision);
    query.addBindValue(object.predefined);
    query.addBindValue(object.inbox);
    if (!insert) {
        query.addBindValue(accountId);
        query.addBindValue(kindName(object.kind));
        query.addBindValue(object.id);
    }
    return Database::run(query, insert ? "creating an object" : "updating an object");
}

bool ObjectStore::changesSince(qint64 accountId, qint64 after, qint64* current, QList<Object>* objects)
{
    QSqlDatabase db = m_database->connection();
    // The revision first: an object is sent only once the change that gave
    // it its revision is complete, so a change made meanwhile comes next time
    // instead of being skipped.
    QSqlQuery revision(db);
    revision.prepare(QStringLiteral("SELECT revision FROM accounts WHERE id = ?"));
    revision.addBindValue(accountId);
    if (!Database::run(revision, "reading a revision") || !revision.next())
        return false;
    *current = revision.value(0).toLongLong();
    revision.finish();

    // Containers before what they contain, so that a client storing them in
    // order never meets a reference to something still to come.
    QSqlQuery query(db);
    query.setForwardOnly(true);
    query.prepare(QStringLiteral("SELECT ") + Columns
        + QStringLiteral(" FROM objects WHERE account_id = ? AND revision > ? AND revision <= ? ORDER BY "
                         "CASE kind WHEN 'context' THEN 0 WHEN 'project' THEN 1 ELSE 2 END, folder DESC, revision"));
    query.addBindValue(accountId);
    query.addBindValue(qMax<qint64>(0, after));
    query.addBindValue(*current);
    if (!Database::run(query, "reading changes"))
        return false;
    while (query.next())
        objects->append(readRow(query));
    return true;
}

bool ObjectStore::find(qint64 accountId, Kind kind, const QString& id, Object* object, bool* found)
{
    QSqlDatabase db = m_database->connection();
    return load(db, accountId, kind, id, object, found);
}

ObjectStore::Result ObjectStore::write(
    qint64 accountId, Kind kind, bool create, const QMap<QString, QString>& given, qint64 baseRevision)
{
    const QString id = given.value(IdKey);
    if (!acceptableId(id))
        return malformed(QStringLiteral("The ID is missing or not an identifier."));
    bool ok = true;
    const qint64 timestamp = given.contains(TimestampKey) && !given.value(TimestampKey).isEmpty()
        ? given.value(TimestampKey).toLongLong(&ok)
        : QDateTime::currentSecsSinceEpoch();
    if (!ok || timestamp < 0)
        return malformed(QStringLiteral("The TIMESTAMP of %1 is not a number of seconds.").arg(id));
    int state = -1;
    if (given.contains(StateKey) && !given.value(StateKey).isEmpty()) {
        state = given.value(StateKey).toInt(&ok);
        if (!ok || state < 0 || state > 3)
            return malformed(QStringLiteral("The STATE of %1 is not 0 to 3.").arg(id));
    }
    for (const QString& dateKey : { StartKey, DueKey }) {
        const QString text = given.value(dateKey);
        if (!text.isEmpty()) {
            text.toULongLong(&ok);
            if (!ok)
                return malformed(QStringLiteral("The %1 of %2 is not a number of seconds.").arg(dateKey, id));
        }
    }

    Result result;
    const QString type = kindName(kind);
    const bool written = m_database->write([&](QSqlDatabase& db) {
        QSqlQuery account(db);
        account.prepare(QStringLiteral("SELECT revision FROM accounts WHERE id = ?") + m_database->lockSuffix());
        account.addBindValue(accountId);
        if (!Database::run(account, "locking an account") || !account.next())
            return Database::Outcome::Failed;
        const qint64 current = account.value(0).toLongLong();
        account.finish();

        Object stored;
        bool exists = false;
        if (!load(db, accountId, kind, id, &stored, &exists))
            return Database::Outcome::Failed;
        if (create && exists) {
            result = { 104, QStringLiteral("Object(%1) already exists.").arg(id), 0 };
            return Database::Outcome::Rollback;
        }
        if (!create && !exists) {
            result = { 100, QStringLiteral("Object(%1) doesn't exist.").arg(id), 0 };
            return Database::Outcome::Rollback;
        }
        if (!create && stored.revision > baseRevision) {
            result = { 106,
                QStringLiteral("Object(%1) was changed in revision %2, after revision %3.")
                    .arg(id)
                    .arg(stored.revision)
                    .arg(baseRevision),
                0 };
            return Database::Outcome::Rollback;
        }
        if (!create && timestamp < stored.timestamp) {
            result = { 107, QStringLiteral(": Server has newer object; timestamp: %1.").arg(stored.timestamp), 0 };
            return Database::Outcome::Rollback;
        }

        Object object = exists ? stored : Object();
        object.kind = kind;
        object.id = id;
        for (const QString& field : fieldsOf(kind)) {
            if (!given.contains(field))
                continue;
            QString value = given.value(field);
            if (field == FolderKey)
                value = (value == QLatin1String("1") || value.compare(QLatin1String("true"), Qt::CaseInsensitive) == 0)
                    ? QStringLiteral("1")
                    : QStringLiteral("0");
            object.fields.insert(field, value);
        }
        if (state >= 0)
            object.state = state;
        object.timestamp = timestamp;

        result = checkReferences(db, accountId, object);
        if (result.status == 500)
            return Database::Outcome::Failed;
        if (result.status != 0)
            return Database::Outcome::Rollback;

        object.revision = current + 1;
        if (!store(db, accountId, object, !exists))
            return Database::Outcome::Failed;
        QSqlQuery raise(db);
        raise.prepare(QStringLiteral("UPDATE accounts SET revision = ? WHERE id = ?"));
        raise.addBindValue(object.revision);
        raise.addBindValue(accountId);
        if (!Database::run(raise, "raising a revision"))
            return Database::Outcome::Failed;
        result = { 0, QString(), object.revision };
        return Database::Outcome::Commit;
    });
    if (!written) {
        QLOG_ERROR() << "The " << type << " " << id << " could not be stored.";
        return failed();
    }
    return result;
}

ObjectStore::Result ObjectStore::checkReferences(QSqlDatabase& db, qint64 accountId, const Object& object)
{
    // What is deleted or completed may point at anything: its container may
    // have gone before it.
    if (object.state != 0)
        return {};
    const QString type = kindName(object.kind);
    const QString context = object.fields.value(ContextKey);
    if (object.kind != Kind::Context && !context.isEmpty()) {
        Object referenced;
        bool found = false;
        if (!load(db, accountId, Kind::Context, context, &referenced, &found))
            return failed();
        if (!found || (isDeleted(referenced.state) && object.kind == Kind::Project))
            return { 103, QStringLiteral("Context(%1) required for %2(%3) doesn't exist.").arg(context, type, object.id), 0 };
        if (isDeleted(referenced.state))
            return { 103, QStringLiteral("Context(%1) required for task(%2) was deleted.").arg(context, object.id), 0 };
    }

    QString parent = object.fields.value(ParentKey);
    const Kind parentKind = object.kind == Kind::Context ? Kind::Context : Kind::Project;
    const Result missingParent
        = { 103, QStringLiteral("Parent(%1) required for object(%2) doesn't exist.").arg(parent, object.id), 0 };
    for (int depth = 0; !parent.isEmpty(); ++depth) {
        if (parent == object.id || depth >= MaxFolderDepth)
            return missingParent;
        Object referenced;
        bool found = false;
        if (!load(db, accountId, parentKind, parent, &referenced, &found))
            return failed();
        if (!found || isDeleted(referenced.state))
            return missingParent;
        if (object.kind == Kind::Project && referenced.fields.value(FolderKey) != QLatin1String("1"))
            return { 103,
                QStringLiteral("Parent(%1) isn't folder required for folder(%2).")
                    .arg(object.fields.value(ParentKey), object.id),
                0 };
        // Tasks sit in one project; folders and contexts nest, and a chain
        // that comes back to the object would be a loop.
        if (object.kind == Kind::Task)
            break;
        parent = referenced.fields.value(ParentKey);
    }
    return {};
}
