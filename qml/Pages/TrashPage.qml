import QtQuick 2.15
import QtQuick.Controls 2.15
import QtQuick.Layouts 1.15
import "../Components"
import "../Delegates"

// Deleted tasks, projects, folders and contexts, each kind on a tab that is
// there only while the trash holds that kind.
Item {
    id: page
    objectName: "trashPage"

    readonly property string pageName: "trashpage"
    readonly property var window: ApplicationWindow.window
    readonly property var kinds: [
        { "key": "tasks", "title": qsTr("Tasks"), "icon": "task" },
        { "key": "projects", "title": qsTr("Projects"), "icon": "project" },
        { "key": "folders", "title": qsTr("Folders"), "icon": "folder" },
        { "key": "contexts", "title": qsTr("Contexts"), "icon": "context" }
    ]
    property var presentKinds: []
    property string currentKind: presentKinds.length > 0 ? presentKinds[Math.min(tabs.currentIndex, presentKinds.length - 1)] : ""
    property var trashModel: null
    property int cleanupStamp: Settings.trashCleanupTimestamp

    function hasDeleted(key) {
        switch (key) {
        case "tasks": return TaskHandler.hasDeletedTasks()
        case "projects": return ProjectHandler.hasDeletedProjects()
        case "folders": return ProjectHandler.hasDeletedFolders()
        case "contexts": return ContextHandler.hasDeletedContexts()
        }
        return false
    }
    function modelFor(key) {
        switch (key) {
        case "tasks": return TaskHandler.getDeletedTasks()
        case "projects": return ProjectHandler.getDeletedProjects()
        case "folders": return ProjectHandler.getDeletedFolders()
        case "contexts": return ContextHandler.getDeletedContexts()
        }
        return null
    }
    function restore(key, object) {
        switch (key) {
        case "tasks": TaskHandler.restoreTask(object); break
        case "projects": ProjectHandler.restoreProject(object); break
        case "folders": ProjectHandler.restoreFolder(object); break
        case "contexts": ContextHandler.restoreContext(object); break
        }
        refresh()
    }
    // Tabs come back in their fixed order; when the shown one empties the
    // first tab is chosen.
    function refresh() {
        var previous = currentKind
        var present = []
        for (var i = 0; i < kinds.length; ++i) {
            if (hasDeleted(kinds[i].key))
                present.push(kinds[i].key)
        }
        presentKinds = present
        var index = present.indexOf(previous)
        tabs.currentIndex = index >= 0 ? index : 0
        loadModel()
    }
    function loadModel() {
        trashModel = currentKind ? modelFor(currentKind) : null
    }
    function kindInfo(key) {
        for (var i = 0; i < kinds.length; ++i)
            if (kinds[i].key === key)
                return kinds[i]
        return kinds[0]
    }
    function addAction() {}
    function discard() { return false }

    Component.onCompleted: refresh()
    onCurrentKindChanged: loadModel()

    ColumnLayout {
        anchors.fill: parent
        spacing: 0

        PageHeader {
            Layout.fillWidth: true
            title: qsTr("Trash")
            subtitle: qsTr("You can restore tasks, projects, folders and contexts within 14 days after deletion date")
            showMenu: false

            Button {
                objectName: "emptyTrashButton"
                anchors.right: parent.right
                anchors.rightMargin: Theme.pageMargin
                anchors.verticalCenter: parent.verticalCenter
                visible: page.presentKinds.length > 0
                text: qsTr("Empty Trash")
                flat: true
                palette.buttonText: Theme.danger
                onClicked: window.askQuestion(qsTr("Trash"),
                                              qsTr("Are you sure you want to delete everything for good?"),
                                              qsTr("Delete all"), function() {
                                                  TaskEditRules.emptyTrash()
                                                  page.loadModel()
                                              })
            }
        }

        TabBar {
            id: tabs
            objectName: "trashTabs"
            Layout.fillWidth: true
            Layout.leftMargin: Theme.pageMargin
            Layout.rightMargin: Theme.pageMargin
            visible: page.presentKinds.length > 0
            Repeater {
                model: page.presentKinds
                TabButton {
                    objectName: "trashTab_" + modelData
                    text: page.kindInfo(modelData).title
                    width: implicitWidth + 24
                }
            }
        }

        ListView {
            id: trashList
            objectName: "trashList"
            Layout.fillWidth: true
            Layout.fillHeight: true
            clip: true
            model: page.trashModel
            ScrollBar.vertical: ScrollBar {}
            section.property: "stateRole"
            section.delegate: SectionHeader {
                width: trashList.width
                readonly property bool shown: Number(section) === COMPLETED_AND_DELETED_OBJECT_STATE
                height: shown ? 32 : 0
                clip: true
                enabled: shown
                title: qsTr("Completed")
            }
            delegate: TrashRow {
                width: trashList.width
                object: listItemRole
                iconName: page.kindInfo(page.currentKind).icon
                visible: page.cleanupStamp >= 0 && TaskEditRules.isListedInTrash(listItemRole.TIMESTAMP)
                height: visible ? Theme.rowHeight : 0
                daysLeft: TaskEditRules.trashDaysLeft(listItemRole.TIMESTAMP)
                onRestoreRequested: page.restore(page.currentKind, listItemRole)
            }

            Placeholder {
                anchors.fill: parent
                visible: page.presentKinds.length === 0
                iconName: "bin"
                title: qsTr("The trash is empty")
                hint: qsTr("Deleted tasks, projects, folders and contexts stay here for 14 days")
            }
        }
    }
}
