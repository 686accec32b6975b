import QtQuick 2.15
import QtQuick.Controls 2.15
import QtQuick.Layouts 1.15
import "../Components"

// One project in a list of tasks (the daily plan): its name, dates, folders,
// context, memo and how many tasks it holds. The list decides what a click,
// a completion or a drag does.
Rectangle {
    id: row

    property var project: ({})
    property bool selected: false
    property string folderChain
    property string contextChain
    property int taskCount: 0
    readonly property bool editingName: false

    readonly property bool oneStepActions: project.ID === PredefinedDataHelper.oneStepActionsId
    readonly property bool completed: project.STATE === COMPLETED_OBJECT_STATE
                                      || project.STATE === COMPLETED_AND_DELETED_OBJECT_STATE
    readonly property var dueDate: oneStepActions ? null : validDate(project.DUE)
    readonly property var startDate: oneStepActions ? null : validDate(project.START)
    readonly property string memoLine: project.MEMO ? String(project.MEMO).split("\n")[0] : ""
    readonly property string shownContext: oneStepActions ? "" : contextChain
    property bool draggable: !completed && !oneStepActions

    signal clicked(var mouse)
    signal doubleClicked()
    signal completionToggled()
    signal contextMenuRequested(real x, real y)
    signal dragStarted()
    signal dragMoved(real windowY, real windowX)
    signal dragFinished(real windowY, real windowX)

    function validDate(value) {
        return value instanceof Date && !isNaN(value.getTime()) ? value : null
    }
    function startRenaming() {}
    function discardRenaming() {}

    height: Theme.rowHeight
    color: selected ? Theme.selection : (hover.hovered ? Theme.hover : "transparent")
    Accessible.name: nameLabel.text
    Accessible.role: Accessible.ListItem

    HoverHandler { id: hover }

    MouseArea {
        property real pressY: 0
        property bool dragging: false
        anchors.fill: parent
        acceptedButtons: Qt.LeftButton | Qt.RightButton
        preventStealing: dragging
        onPressed: {
            pressY = mouse.y
            dragging = false
        }
        onPositionChanged: {
            if (!row.draggable || !(mouse.buttons & Qt.LeftButton))
                return
            if (!dragging && Math.abs(mouse.y - pressY) > 8) {
                dragging = true
                row.dragStarted()
            }
            if (dragging) {
                var moved = mapToItem(null, mouse.x, mouse.y)
                row.dragMoved(moved.y, moved.x)
            }
        }
        onReleased: {
            if (dragging) {
                var released = mapToItem(null, mouse.x, mouse.y)
                row.dragFinished(released.y, released.x)
            }
        }
        onCanceled: if (dragging) row.dragFinished(-1, -1)
        onClicked: {
            if (dragging)
                return
            if (mouse.button === Qt.RightButton) {
                if (!row.oneStepActions)
                    row.contextMenuRequested(mouse.x, mouse.y)
            } else {
                row.clicked(mouse)
            }
        }
        onDoubleClicked: if (mouse.button === Qt.LeftButton) row.doubleClicked()
    }

    Rectangle {
        anchors.left: parent.left
        anchors.right: parent.right
        anchors.bottom: parent.bottom
        anchors.leftMargin: 48
        height: 1
        color: Theme.line
        opacity: 0.6
    }

    // Projects complete in a rounded square, tasks in a circle.
    AbstractButton {
        id: checkBox
        objectName: "projectCheckBox"
        x: 14
        y: 9
        width: 20
        height: 20
        enabled: !row.oneStepActions
        hoverEnabled: true
        Accessible.name: row.completed ? qsTr("Mark as not complete") : qsTr("Mark as completed")
        onClicked: row.completionToggled()
        background: Rectangle {
            radius: 5
            color: row.completed ? Theme.success : (checkBox.hovered ? Theme.selection : "transparent")
            border.width: 1.5
            border.color: row.completed ? Theme.success : Theme.accent
        }
        contentItem: Image {
            anchors.centerIn: parent
            sourceSize: Qt.size(28, 28)
            width: 14
            height: 14
            source: row.completed || checkBox.hovered ? Theme.icon("check_mark", row.completed ? Theme.successText : Theme.accent)
                                                      : Theme.icon("project", Theme.accent)
        }
    }

    Column {
        anchors.left: parent.left
        anchors.leftMargin: 48
        anchors.right: parent.right
        anchors.rightMargin: Theme.spacing
        anchors.verticalCenter: parent.verticalCenter
        spacing: 3

        Label {
            id: nameLabel
            objectName: "projectName"
            width: parent.width
            height: 20
            verticalAlignment: Text.AlignVCenter
            text: row.oneStepActions ? qsTr("One Step Actions") : (row.project.NAME || "")
            textFormat: Text.PlainText
            elide: Text.ElideRight
            maximumLineCount: 1
            font.pixelSize: Theme.rowTitleSize
            font.weight: Font.DemiBold
            font.strikeout: row.completed
            color: row.completed ? Theme.secondaryText : Theme.text
        }
        Flow {
            width: parent.width
            height: 16
            spacing: 12
            clip: true

            DetailChip {
                iconName: "task"
                value: qsTr("%n task(s)", "", row.taskCount)
            }
            DetailChip {
                visible: row.startDate !== null
                label: qsTr("start date:")
                value: row.startDate ? Helper.toUtcString(row.startDate) : ""
            }
            DetailChip {
                visible: row.dueDate !== null
                label: qsTr("due date:")
                value: row.dueDate ? Helper.toUtcString(row.dueDate) : ""
            }
            DetailChip {
                visible: row.folderChain.length > 0
                iconName: "folder"
                value: row.folderChain
            }
            DetailChip {
                visible: row.shownContext.length > 0
                iconName: "context"
                value: row.shownContext
            }
            DetailChip {
                visible: row.memoLine.length > 0
                iconName: "memo"
                value: row.memoLine
                maximumWidth: 260
            }
        }
    }
}
