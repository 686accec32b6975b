#include "support/RecordBuilder.h"

RecordBuilder RecordBuilder::task(const QString& name, const QString& parent)
{
    RecordBuilder builder;
    builder.m_record.insert(QStringLiteral("NAME"), name);
    builder.m_record.insert(QStringLiteral("PARENT"), parent);
    return builder;
}

RecordBuilder RecordBuilder::project(const QString& name, const QString& parent)
{
    RecordBuilder builder;
    builder.m_record.insert(QStringLiteral("NAME"), name);
    builder.m_record.insert(QStringLiteral("PARENT"), parent);
    builder.m_record.insert(QStringLiteral("FOLDER"), false);
    return builder;
}

RecordBuilder RecordBuilder::folder(const QString& name, const QString& parent)
{
    RecordBuilder builder = project(name, parent);
    builder.m_record.insert(QStringLiteral("FOLDER"), true);
    return builder;
}

RecordBuilder RecordBuilder::context(const QString& name, const QString& parent)
{
    RecordBuilder builder;
    builder.m_record.insert(QStringLiteral("NAME"), name);
    builder.m_record.insert(QStringLiteral("PARENT"), parent);
    return builder;
}

RecordBuilder& RecordBuilder::withId(const QString& id)
{
    return set(QStringLiteral("ID"), id);
}

RecordBuilder& RecordBuilder::start(const QDateTime& start)
{
    return set(QStringLiteral("START"), start);
}

RecordBuilder& RecordBuilder::due(const QDateTime& due)
{
    return set(QStringLiteral("DUE"), due);
}

RecordBuilder& RecordBuilder::inContext(const QString& contextId)
{
    return set(QStringLiteral("CONTEXT"), contextId);
}

RecordBuilder& RecordBuilder::state(int state)
{
    return set(QStringLiteral("STATE"), state);
}

RecordBuilder& RecordBuilder::period(const QString& period)
{
    return set(QStringLiteral("PERIOD"), period);
}

RecordBuilder& RecordBuilder::fromSync(qint64 timestamp)
{
    set(QStringLiteral("SYNC"), true);
    return set(QStringLiteral("TIMESTAMP"), timestamp);
}

RecordBuilder& RecordBuilder::set(const QString& key, const QVariant& value)
{
    m_record.insert(key, value);
    return *this;
}

RecordBuilder& RecordBuilder::without(const QString& key)
{
    m_record.remove(key);
    return *this;
}

QDateTime wallClock(const QDate& date, const QTime& time)
{
    return QDateTime(date, time, Qt::UTC);
}
