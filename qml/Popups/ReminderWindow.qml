import QtQuick 2.15
import QtQuick.Window 2.15
import QtQuick.Controls 2.15
import QtQuick.Layouts 1.15
import "../Components"

// A due reminder in a small window of its own, so that it shows while the
// main window is hidden in the tray too. The reminder window stack places it
// and deletes it once it is hidden.
Window {
    id: reminder
    objectName: "reminderWindow"

    property var task: ({})
    property string message
    readonly property string taskId: task && task.ID !== undefined ? String(task.ID) : ""
    readonly property string taskName: task && task.NAME !== undefined ? String(task.NAME) : ""

    // A click on the body: the task in its daily plan.
    signal openRequested(var task)

    width: 400
    height: 80
    minimumWidth: width
    maximumWidth: width
    minimumHeight: height
    maximumHeight: height
    flags: Qt.Tool | Qt.FramelessWindowHint | Qt.WindowStaysOnTopHint
    color: "transparent"
    title: taskName

    function snooze() {
        if (taskId.length > 0)
            DataManager.snoozeReminder({ "ID": taskId })
        hide()
    }

    // A window of its own does not take the main window's palette.
    Control {
        id: card
        anchors.fill: parent
        palette.window: Theme.surface
        palette.base: Theme.surface
        palette.text: Theme.text
        palette.windowText: Theme.text
        palette.buttonText: Theme.text
        palette.button: Theme.raisedSurface
        palette.highlight: Theme.accent
        palette.highlightedText: Theme.accentText
        palette.dark: Theme.accent
        palette.brightText: Theme.accentText
        palette.mid: Theme.line
        background: Rectangle {
            radius: Theme.radius + 2
            color: Theme.surface
            border.color: Theme.line
        }

        MouseArea {
            objectName: "reminderBody"
            anchors.fill: parent
            cursorShape: Qt.PointingHandCursor
            onClicked: {
                reminder.openRequested(reminder.task)
                reminder.hide()
            }
        }
        // The accent edge says which of the windows on screen are ours.
        Rectangle {
            x: 6
            y: 12
            width: 3
            height: parent.height - 24
            radius: 1.5
            color: Theme.accent
        }

        RowLayout {
            anchors.fill: parent
            anchors.leftMargin: 16
            anchors.rightMargin: 10
            anchors.topMargin: 8
            anchors.bottomMargin: 8
            spacing: 12

            Image {
                Layout.preferredWidth: 36
                Layout.preferredHeight: 36
                Layout.alignment: Qt.AlignVCenter
                sourceSize: Qt.size(72, 72)
                source: "qrc:/icons/appicon/tray_icon.png"
                fillMode: Image.PreserveAspectFit
            }
            ColumnLayout {
                Layout.fillWidth: true
                Layout.alignment: Qt.AlignVCenter
                spacing: 4
                Label {
                    objectName: "reminderTaskName"
                    Layout.fillWidth: true
                    text: reminder.taskName
                    textFormat: Text.PlainText
                    elide: Text.ElideRight
                    maximumLineCount: 1
                    font.pixelSize: Theme.rowTitleSize
                    font.weight: Font.DemiBold
                    color: Theme.text
                }
                Label {
                    objectName: "reminderMessage"
                    Layout.fillWidth: true
                    text: reminder.message
                    textFormat: Text.PlainText
                    elide: Text.ElideRight
                    maximumLineCount: 1
                    font.pixelSize: Theme.secondarySize
                    color: Theme.secondaryText
                }
            }
            ColumnLayout {
                Layout.alignment: Qt.AlignVCenter
                // Its buttons fill it, which would let it take the spare
                // width of a short title: every window keeps the same buttons.
                Layout.fillWidth: false
                Layout.preferredWidth: 100
                spacing: 4
                Button {
                    objectName: "reminderSnooze"
                    Layout.fillWidth: true
                    Layout.preferredHeight: 28
                    visible: reminder.taskId.length > 0
                    text: qsTr("Snooze")
                    highlighted: true
                    font.pixelSize: Theme.secondarySize
                    Accessible.name: text
                    onClicked: reminder.snooze()
                }
                Button {
                    objectName: "reminderClose"
                    Layout.fillWidth: true
                    Layout.preferredHeight: 28
                    text: qsTr("Close")
                    flat: true
                    font.pixelSize: Theme.secondarySize
                    Accessible.name: text
                    onClicked: reminder.hide()
                }
            }
        }
    }
}
