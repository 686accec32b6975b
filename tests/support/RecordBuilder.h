#pragma once

#include "data/DataObject.h"

#include <QDateTime>
#include <QString>

// Builds records for tests the way the interface and the sync would hand
// them to the store:
//     RecordBuilder::task("Call Bob", projectId).withId("t1").due(when).fromSync(1700000000)
class RecordBuilder
{
public:
    static RecordBuilder task(const QString& name, const QString& parent);
    static RecordBuilder project(const QString& name, const QString& parent = QString());
    static RecordBuilder folder(const QString& name, const QString& parent = QString());
    static RecordBuilder context(const QString& name, const QString& parent = QString());

    RecordBuilder& withId(const QString& id);
    RecordBuilder& start(const QDateTime& start);
    RecordBuilder& due(const QDateTime& due);
    RecordBuilder& inContext(const QString& contextId);
    RecordBuilder& state(int state);
    RecordBuilder& period(const QString& period);
    // Marks the record as coming from the server, with its change time.
    RecordBuilder& fromSync(qint64 timestamp);
    RecordBuilder& set(const QString& key, const QVariant& value);
    RecordBuilder& without(const QString& key);

    DataObject build() const { return m_record; }
    operator DataObject() const { return m_record; }

private:
    DataObject m_record;
};

// A wall-clock date-time as records carry it.
QDateTime wallClock(const QDate& date, const QTime& time = QTime(0, 0));
