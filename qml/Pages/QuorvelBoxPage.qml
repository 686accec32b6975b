import QtQuick 2.15
import QtQuick.Controls 2.15
import QtQuick.Layouts 1.15
import com.velmora.common 1.0
import "../Components"

// The inbox: tasks collected before they are sorted into projects.
Item {
    id: page
    objectName: "quorvelBoxPage"

    readonly property string pageName: "qbpage"
    readonly property string listId: "quorvelbox"
    readonly property int listType: SortingEnums.ListTypeProject
    readonly property string sectionHeader: qsTr("Quorvel Box")
    readonly property int exportType: EXPORT_QUORVEL_BOX
    readonly property var window: ApplicationWindow.window
    property alias list: taskList
    property int taskCount: 0
    // Where the user came from when a task's project brought them here.
    property string historyItem

    function refresh() {
        taskList.refreshChains()
        taskList.model.update()
        taskCount = TaskHandler.getProjectTaskCount(PredefinedDataHelper.quorvelBoxId)
    }
    function resort() { taskList.model.sort() }
    function addAction() { window.showNewTaskPopup({ "PARENT": PredefinedDataHelper.quorvelBoxId }) }
    function printableObjects() { return taskList.model.getTaskList() }
    function exportToPdf() {
        PdfExportHelper.generateQuorvelBoxDocument(PdfExportHelper.defaultQuorvelBoxFileName(),
                                                   taskList.model.getTaskList())
    }
    function discard() { return taskList.discard() }
    function confirm() {
        var task = taskList.taskAt(taskList.currentIndex)
        if (task)
            window.showTaskEditor(task)
    }
    function selectAll() { taskList.selectAll() }
    function selectedObjects() { return taskList.selectedTasks() }
    function selectTask(task) { return taskList.selectTaskById(task.ID) }
    function paste() {
        var result = TaskPasteRules.pasteIntoInbox(Clipboard.object, Clipboard.extraInfo)
        window.applyPasteResult(result)
    }

    Component.onCompleted: taskCount = TaskHandler.getProjectTaskCount(PredefinedDataHelper.quorvelBoxId)

    ColumnLayout {
        anchors.fill: parent
        spacing: 0

        PageHeader {
            Layout.fillWidth: true
            title: qsTr("Quorvel Box")
            subtitle: page.taskCount > 0 ? qsTr("%n task(s)", "", page.taskCount) : ""
            onMenuRequested: window.showListMenu(page, menuButton)
        }

        TaskListView {
            id: taskList
            objectName: "quorvelBoxList"
            Layout.fillWidth: true
            Layout.fillHeight: true
            hiddenProjectId: PredefinedDataHelper.quorvelBoxId
            activeCountText: ""
            model: TaskHandler.getProjectTasks(PredefinedDataHelper.quorvelBoxId)
            onTaskDoubleClicked: window.showTaskEditor(task)

            Placeholder {
                anchors.fill: parent
                visible: taskList.count === 0
                iconName: "inbox"
                title: qsTr("Quorvel Box is a special inbox for incoming tasks, quick notes and spontaneous ideas that appear during the day")
                hint: qsTr("Press + to add a task into Quorvel Box")
            }
        }

        // Only finished tasks left: a quiet line says how to go on.
        Label {
            objectName: "finishedOnlyHint"
            Layout.fillWidth: true
            Layout.margins: Theme.pageMargin
            visible: taskList.count > 0 && taskList.model.activeObjectCount === 0
            horizontalAlignment: Text.AlignHCenter
            text: qsTr("Press + to add a task")
            color: Theme.secondaryText
        }
    }
}
