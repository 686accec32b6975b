#pragma once

#include "data/DataObject.h"

#include <QObject>
#include <QVariantMap>

class DataManager;

// The program's own clipboard for cut, copy and paste of tasks, projects,
// folders and contexts. A copy holds the record; a cut also remembers in
// extraInfo what the cut changes ("obj_id", "state" and, for containers,
// "children"), so that pasting can move the object back to life where it
// lands.
class Clipboard : public QObject
{
    Q_OBJECT
    Q_PROPERTY(QVariantMap object READ object WRITE setObject NOTIFY objectChanged)
    Q_PROPERTY(QVariantMap extraInfo READ extraInfo NOTIFY extraInfoChanged)
    Q_PROPERTY(bool containsTask READ containsTask NOTIFY containsTaskChanged)
    Q_PROPERTY(bool containsProject READ containsProject NOTIFY containsProjectChanged)
    Q_PROPERTY(bool containsContext READ containsContext NOTIFY containsContextChanged)
    Q_PROPERTY(bool containsFolder READ containsFolder NOTIFY containsFolderChanged)

public:
    // The program's clipboard, reading through DataManager::instance().
    static Clipboard* instance();

    // Tests pass a data manager over a store of their own.
    explicit Clipboard(DataManager* dataManager = nullptr, QObject* parent = nullptr);

    QVariantMap object() const;
    QVariantMap extraInfo() const;
    bool containsTask() const;
    bool containsProject() const;
    bool containsContext() const;
    bool containsFolder() const;

    // Copy. An empty map empties the clipboard.
    Q_INVOKABLE void setObject(const QVariantMap& object);
    // Cut: called before the object is marked deleted, with the record as it
    // is until then.
    Q_INVOKABLE void setCutObject(const QVariantMap& object);

signals:
    void objectChanged(const QVariantMap& object);
    void extraInfoChanged(const QVariantMap& extraInfo);
    void containsTaskChanged(bool containsTask);
    void containsProjectChanged(bool containsProject);
    void containsContextChanged(bool containsContext);
    void containsFolderChanged(bool containsFolder);

private:
    enum Kind { NoKind, TaskKind, ProjectKind, FolderKind, ContextKind };

    static Kind kindOf(const DataObject& record);
    void store(const QVariantMap& object);
    void setKind(Kind kind);
    void setExtraInfo(const QVariantMap& extraInfo);
    QVariantMap childrenOf(const DataObject& record, Kind kind);
    DataManager* dataManager();

    DataManager* m_dataManager = nullptr;
    QVariantMap m_object;
    QVariantMap m_extraInfo;
    Kind m_kind = NoKind;
};
