#pragma once

#include <QList>
#include <QMetaType>
#include <QVariantMap>

// One record shape for every kind of object: a map from upper-case keys
// ("ID", "NAME", "PARENT", "START", ...) to values. The aliases only say
// which kind a value holds; they are registered under their own names
// because the data manager calls the store by name across threads.
using DataObject = QVariantMap;
using DOTask = DataObject;
using DOProject = DataObject;
using DOFolder = DataObject;
using DOContext = DataObject;

namespace DataObjectTypes {
// Registers DataObject, DOTask, DOProject, DOFolder, DOContext and their lists
// with the meta-type system. Safe to call more than once.
void registerMetaTypes();
}
