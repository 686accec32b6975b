import QtQuick 2.15
import QtQuick.Controls 2.15
import QtQuick.Layouts 1.15
import "../Components"

// A quick card for a new task: its name, its project and an optional due
// date. Enter adds it; the full editor offers everything else.
Popup {
    id: popup
    objectName: "newTaskPopup"

    property var defaults: ({})
    property string projectId
    property string projectName
    property var dueDate: null
    readonly property var window: ApplicationWindow.window

    function openWith(initial) {
        defaults = initial || ({})
        nameField.text = ""
        projectId = defaults.PARENT || PredefinedDataHelper.quorvelBoxId
        projectName = window.projectDisplayName(projectId)
        dueDate = defaults.DUE || null
        open()
        nameField.forceActiveFocus()
    }
    function accept() {
        if (nameField.text.trim().length === 0) {
            nameField.forceActiveFocus()
            return
        }
        var task = Object.assign({}, defaults)
        task.NAME = nameField.text.trim()
        task.PARENT = projectId
        if (dueDate)
            task.DUE = dueDate
        close()
        window.createTask(task)
    }
    function formatDue() {
        return dueDate ? Helper.toUtcString(dueDate) : qsTr("None")
    }

    parent: Overlay.overlay
    anchors.centerIn: parent
    width: Math.min(parent ? parent.width - 48 : 460, 460)
    modal: true
    focus: true
    padding: 24
    closePolicy: Popup.CloseOnEscape
    Overlay.modal: Rectangle { color: Theme.backdrop }

    background: Rectangle {
        radius: Theme.radius + 2
        color: Theme.surface
        border.color: Theme.line
    }

    contentItem: ColumnLayout {
        spacing: 14
        Label {
            text: qsTr("New task")
            font.pixelSize: 16
            font.weight: Font.DemiBold
            color: Theme.text
        }
        TextField {
            id: nameField
            objectName: "newTaskName"
            Layout.fillWidth: true
            placeholderText: qsTr("What needs to be done?")
            selectByMouse: true
            Accessible.name: qsTr("Task name")
            onAccepted: popup.accept()
        }
        GridLayout {
            columns: 2
            columnSpacing: 12
            rowSpacing: 8
            Label { text: qsTr("Project"); color: Theme.secondaryText }
            Button {
                objectName: "newTaskProject"
                Layout.fillWidth: true
                flat: true
                text: popup.projectName
                onClicked: window.pickProject(popup.projectId, function(record) {
                    popup.projectId = record.ID
                    popup.projectName = window.projectDisplayName(record.ID)
                })
            }
            Label { text: qsTr("due date:"); color: Theme.secondaryText }
            RowLayout {
                Layout.fillWidth: true
                Button {
                    objectName: "newTaskDue"
                    Layout.fillWidth: true
                    flat: true
                    text: popup.formatDue()
                    onClicked: window.pickDate(popup.dueDate || TaskEditRules.dateTimePopupValue({}, true),
                                               qsTr("due date:"), function(date) { popup.dueDate = date })
                }
                IconButton {
                    visible: popup.dueDate !== null
                    iconName: "close"
                    toolTipText: qsTr("Clear")
                    onClicked: popup.dueDate = null
                }
            }
        }
        RowLayout {
            Layout.alignment: Qt.AlignRight
            spacing: Theme.spacing
            Button {
                text: qsTr("Cancel")
                flat: true
                onClicked: popup.close()
            }
            Button {
                objectName: "newTaskAdd"
                text: qsTr("Add")
                highlighted: true
                enabled: nameField.text.trim().length > 0
                onClicked: popup.accept()
            }
        }
    }
}
