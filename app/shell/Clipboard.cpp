#include "shell/Clipboard.h"

#include "data/DataManager.h"
#include "logging/Log.h"

namespace {

const QString IdKey = QStringLiteral("ID");
const QString StateKey = QStringLiteral("STATE");
const QString FolderKey = QStringLiteral("FOLDER");
const QString PeriodKey = QStringLiteral("PERIOD");
const QString ObjectIdInfo = QStringLiteral("obj_id");
const QString StateInfo = QStringLiteral("state");
const QString ChildrenInfo = QStringLiteral("children");

// One child as the cut saw it. The entries are keyed by the child's ID and
// carry STATE too, so that "children" can be handed as it is to the
// handlers' move operations, which read a child's state from there.
QVariantMap childEntry(const DataObject& child)
{
    const QVariant state = child.value(StateKey);
    return { { ObjectIdInfo, child.value(IdKey) }, { StateInfo, state }, { StateKey, state } };
}

void addChildren(QVariantMap& children, const QList<DataObject>& records, const QString& containerId)
{
    for (const DataObject& child : records) {
        const QString childId = child.value(IdKey).toString();
        if (!childId.isEmpty() && childId != containerId)
            children.insert(childId, childEntry(child));
    }
}

} // namespace

Clipboard* Clipboard::instance()
{
    static Clipboard* clipboard = new Clipboard();
    return clipboard;
}

Clipboard::Clipboard(DataManager* dataManager, QObject* parent)
    : QObject(parent)
    , m_dataManager(dataManager)
{
}

QVariantMap Clipboard::object() const
{
    return m_object;
}

QVariantMap Clipboard::extraInfo() const
{
    return m_extraInfo;
}

bool Clipboard::containsTask() const
{
    return m_kind == TaskKind;
}

bool Clipboard::containsProject() const
{
    return m_kind == ProjectKind;
}

bool Clipboard::containsContext() const
{
    return m_kind == ContextKind;
}

bool Clipboard::containsFolder() const
{
    return m_kind == FolderKind;
}

void Clipboard::setObject(const QVariantMap& object)
{
    // The same record copied again after a cut is a copy now: pasting it must
    // not move the cut object.
    if (object == m_object && m_extraInfo.isEmpty())
        return;
    store(object);
    setExtraInfo(QVariantMap());
}

void Clipboard::setCutObject(const QVariantMap& object)
{
    store(object);
    if (m_kind == NoKind) {
        setExtraInfo(QVariantMap());
        return;
    }
    QVariantMap info { { ObjectIdInfo, object.value(IdKey) }, { StateInfo, object.value(StateKey) } };
    if (m_kind != TaskKind)
        info.insert(ChildrenInfo, childrenOf(object, m_kind));
    setExtraInfo(info);
}

Clipboard::Kind Clipboard::kindOf(const DataObject& record)
{
    if (record.isEmpty())
        return NoKind;
    if (record.contains(PeriodKey))
        return TaskKind;
    if (record.contains(FolderKey))
        return record.value(FolderKey).toBool() ? FolderKind : ProjectKind;
    return ContextKind;
}

void Clipboard::store(const QVariantMap& object)
{
    if (object == m_object)
        return;
    m_object = object;
    setKind(kindOf(object));
    emit objectChanged(m_object);
}

void Clipboard::setKind(Kind kind)
{
    const Kind previous = m_kind;
    m_kind = kind;
    if ((previous == TaskKind) != (kind == TaskKind))
        emit containsTaskChanged(kind == TaskKind);
    if ((previous == ProjectKind) != (kind == ProjectKind))
        emit containsProjectChanged(kind == ProjectKind);
    if ((previous == ContextKind) != (kind == ContextKind))
        emit containsContextChanged(kind == ContextKind);
    if ((previous == FolderKind) != (kind == FolderKind))
        emit containsFolderChanged(kind == FolderKind);
}

void Clipboard::setExtraInfo(const QVariantMap& extraInfo)
{
    if (extraInfo == m_extraInfo)
        return;
    m_extraInfo = extraInfo;
    emit extraInfoChanged(m_extraInfo);
}

QVariantMap Clipboard::childrenOf(const DataObject& record, Kind kind)
{
    const QString id = record.value(IdKey).toString();
    QVariantMap children;
    // Without an ID the reads below would take the top level for the
    // container and list everything.
    if (id.isEmpty()) {
        QLOG_WARN() << "The cut object has no ID; its contents are not remembered.";
        return children;
    }
    DataManager* data = dataManager();
    switch (kind) {
    case ProjectKind:
        addChildren(children, data->getProjectTasks(id) + data->getDeletedProjectTasks(id), id);
        break;
    case FolderKind:
        for (const DataObject& child : data->getSubprojectsRecursive(id)) {
            const QString childId = child.value(IdKey).toString();
            if (childId == id)
                continue;
            addChildren(children, { child }, id);
            if (!child.value(FolderKey).toBool())
                addChildren(
                    children, data->getProjectTasks(childId) + data->getDeletedProjectTasks(childId), id);
        }
        break;
    case ContextKind:
        addChildren(children, data->getSubcontextsRecursive(id), id);
        break;
    case TaskKind:
    case NoKind:
        break;
    }
    return children;
}

DataManager* Clipboard::dataManager()
{
    return m_dataManager ? m_dataManager : DataManager::instance();
}
