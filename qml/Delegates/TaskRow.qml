import QtQuick 2.15
import QtQuick.Controls 2.15
import QtQuick.Layouts 1.15
import "../Components"

// One task of any list. It shows the task and asks for changes; the page
// and the window's updater decide what happens to the data.
Rectangle {
    id: row

    property var task: ({})
    property bool selected: false
    property bool current: false
    property bool inTrash: false
    property bool favorite: false
    property string projectChain
    property string contextChain
    property bool hasReminders: false
    property bool editingName: nameEditor.visible

    readonly property bool completed: task.STATE === COMPLETED_OBJECT_STATE
                                      || task.STATE === COMPLETED_AND_DELETED_OBJECT_STATE
    readonly property bool repeated: task.PERIOD !== undefined && String(task.PERIOD).length > 0
    // An unset date arrives as an invalid date, not as nothing.
    readonly property var dueDate: validDate(task.DUE)
    readonly property var startDate: validDate(task.START)
    readonly property string memoLine: task.MEMO ? String(task.MEMO).split("\n")[0] : ""
    readonly property bool hasDetails: dueDate !== null || startDate !== null || projectChain.length > 0
                                       || contextChain.length > 0 || memoLine.length > 0 || repeated

    signal clicked(var mouse)
    signal doubleClicked()
    signal completionToggled()
    signal renamed(string name)
    signal dateClicked(string field)
    signal projectClicked()
    signal contextClicked()
    signal favoriteToggled()
    signal contextMenuRequested(real x, real y)
    // Drag positions are in window coordinates; -1 ends without a drop.
    signal dragStarted()
    signal dragMoved(real windowY, real windowX)
    signal dragFinished(real windowY, real windowX)
    property bool draggable: !inTrash && !completed

    function validDate(value) {
        return value instanceof Date && !isNaN(value.getTime()) ? value : null
    }
    function startRenaming() {
        if (inTrash)
            return
        nameEditor.text = task.NAME || ""
        nameEditor.visible = true
        nameEditor.forceActiveFocus()
        nameEditor.selectAll()
    }
    function discardRenaming() {
        nameEditor.visible = false
    }

    height: hasDetails ? Theme.rowHeight : Theme.compactRowHeight
    color: selected ? Theme.selection : (hover.hovered ? Theme.hover : "transparent")
    Accessible.name: task.NAME || ""
    Accessible.role: Accessible.ListItem

    HoverHandler { id: hover }

    // A press that moves more than a few pixels drags the row instead of
    // clicking it.
    MouseArea {
        id: rowMouse
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
            if (mouse.button === Qt.RightButton)
                row.contextMenuRequested(mouse.x, mouse.y)
            else
                row.clicked(mouse)
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

    // The completion circle.
    AbstractButton {
        id: checkBox
        objectName: "taskCheckBox"
        x: 14
        anchors.verticalCenter: row.hasDetails ? undefined : parent.verticalCenter
        y: row.hasDetails ? 9 : 0
        width: 20
        height: 20
        enabled: !row.inTrash
        hoverEnabled: true
        Accessible.name: row.completed ? qsTr("Mark as not complete") : qsTr("Mark as completed")
        onClicked: row.completionToggled()
        background: Rectangle {
            radius: width / 2
            color: row.completed ? Theme.success : (checkBox.hovered ? Theme.selection : "transparent")
            border.width: 1.5
            border.color: row.completed ? Theme.success : Theme.accent
        }
        contentItem: Image {
            visible: row.completed || checkBox.hovered
            anchors.centerIn: parent
            sourceSize: Qt.size(28, 28)
            width: 14
            height: 14
            source: Theme.icon("check_mark", row.completed ? Theme.successText : Theme.accent)
        }
    }

    Column {
        anchors.left: parent.left
        anchors.leftMargin: 48
        anchors.right: trailing.left
        anchors.rightMargin: Theme.spacing
        anchors.verticalCenter: parent.verticalCenter
        spacing: 3

        Item {
            width: parent.width
            height: 20

            Label {
                id: nameLabel
                objectName: "taskName"
                anchors.fill: parent
                visible: !nameEditor.visible
                verticalAlignment: Text.AlignVCenter
                text: row.task.NAME ? UrlHelper.convertToHtmlUrls(row.task.NAME) : ""
                textFormat: Text.StyledText
                elide: Text.ElideRight
                maximumLineCount: 1
                font.pixelSize: Theme.rowTitleSize
                font.strikeout: row.completed
                color: row.completed ? Theme.secondaryText : Theme.text
                linkColor: Theme.accent
                onLinkActivated: Qt.openUrlExternally(link)
            }
            TextField {
                id: nameEditor
                objectName: "taskNameEditor"
                anchors.fill: parent
                anchors.topMargin: -4
                anchors.bottomMargin: -4
                visible: false
                font.pixelSize: Theme.rowTitleSize
                selectByMouse: true
                onAccepted: {
                    visible = false
                    row.renamed(text)
                }
                // Taken here: passed on, the key would reach the window's
                // Enter once the editor has closed, and open the task.
                Keys.onReturnPressed: {
                    event.accepted = true
                    accepted()
                }
                Keys.onEnterPressed: {
                    event.accepted = true
                    accepted()
                }
                onActiveFocusChanged: if (!activeFocus) visible = false
            }
        }

        Flow {
            id: details
            width: parent.width
            height: 16
            spacing: 12
            clip: true
            visible: row.hasDetails

            DetailChip {
                objectName: "startDateChip"
                visible: row.startDate !== null
                label: qsTr("start date:")
                value: row.startDate ? Helper.toUtcString(row.startDate) : qsTr("None")
                onActivated: row.dateClicked("START")
            }
            DetailChip {
                objectName: "dueDateChip"
                visible: row.dueDate !== null
                label: qsTr("due date:")
                value: row.dueDate ? Helper.toUtcString(row.dueDate) : qsTr("None")
                valueColor: row.completed || row.dueDate === null ? Theme.secondaryText : dueColor()
                onActivated: row.dateClicked("DUE")

                function dueColor() {
                    var now = new Date()
                    var due = row.dueDate
                    var wall = new Date(now.getFullYear(), now.getMonth(), now.getDate(),
                                        now.getHours(), now.getMinutes())
                    var dueWall = new Date(due.getUTCFullYear(), due.getUTCMonth(), due.getUTCDate(),
                                           due.getUTCHours(), due.getUTCMinutes())
                    if (dueWall < wall)
                        return Theme.danger
                    if (dueWall.toDateString() === wall.toDateString())
                        return Theme.accent
                    return Theme.secondaryText
                }
            }
            DetailChip {
                objectName: "repetitionChip"
                visible: row.repeated
                iconName: "repeat"
                value: row.repeated ? RepetitionFormatHelper.formatRepetitionForPreview(row.task.PERIOD) : ""
                Accessible.name: qsTr("Repeats")
            }
            DetailChip {
                objectName: "reminderMark"
                visible: row.hasReminders
                iconName: "bell"
                Accessible.name: qsTr("Has reminders")
            }
            DetailChip {
                objectName: "projectChip"
                visible: row.projectChain.length > 0
                iconName: "project"
                value: row.projectChain
                onActivated: row.projectClicked()
            }
            DetailChip {
                objectName: "contextChip"
                visible: row.contextChain.length > 0
                iconName: "context"
                value: row.contextChain
                onActivated: row.contextClicked()
            }
            DetailChip {
                visible: row.memoLine.length > 0
                iconName: "memo"
                value: row.memoLine
                maximumWidth: 260
            }
        }
    }

    Row {
        id: trailing
        anchors.right: parent.right
        anchors.rightMargin: Theme.spacing
        anchors.verticalCenter: parent.verticalCenter
        spacing: 2

        IconButton {
            objectName: "favoriteButton"
            visible: !row.inTrash && !row.completed && (row.favorite || hover.hovered || row.selected)
            iconName: row.favorite ? "star_filled" : "star"
            iconColor: row.favorite ? "#F4B400" : Theme.secondaryText
            toolTipText: row.favorite ? qsTr("Remove from Favorites") : qsTr("Add to Favorites")
            onClicked: row.favoriteToggled()
        }
    }
}
