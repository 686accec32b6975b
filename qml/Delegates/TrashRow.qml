import QtQuick 2.15
import QtQuick.Controls 2.15
import QtQuick.Layouts 1.15
import "../Components"

// A deleted object: its name, the days it has left in the trash and a
// button that brings it back.
Rectangle {
    id: row

    property var object: ({})
    property int daysLeft: 0
    property string iconName: "trash"
    signal restoreRequested()

    height: Theme.rowHeight
    color: hover.hovered ? Theme.hover : "transparent"
    Accessible.name: object.NAME || ""
    HoverHandler { id: hover }

    Rectangle {
        anchors.left: parent.left
        anchors.right: parent.right
        anchors.bottom: parent.bottom
        anchors.leftMargin: 48
        height: 1
        color: Theme.line
        opacity: 0.6
    }

    RowLayout {
        anchors.fill: parent
        anchors.leftMargin: 16
        anchors.rightMargin: Theme.spacing
        spacing: 12

        Image {
            Layout.preferredWidth: 18
            Layout.preferredHeight: 18
            sourceSize: Qt.size(36, 36)
            source: Theme.icon(row.iconName, Theme.secondaryText)
        }
        ColumnLayout {
            Layout.fillWidth: true
            spacing: 2
            Label {
                objectName: "trashName"
                Layout.fillWidth: true
                text: row.object.NAME || ""
                textFormat: Text.PlainText
                elide: Text.ElideRight
                font.pixelSize: Theme.rowTitleSize
                font.strikeout: row.object.STATE === COMPLETED_AND_DELETED_OBJECT_STATE
                color: Theme.text
            }
            Label {
                objectName: "trashDaysLeft"
                text: qsTr("%n day(s)", "", row.daysLeft)
                font.pixelSize: Theme.secondarySize
                color: row.daysLeft <= 1 ? Theme.danger : Theme.secondaryText
            }
        }
        Button {
            objectName: "restoreButton"
            text: qsTr("Restore")
            flat: true
            onClicked: row.restoreRequested()
        }
    }
}
