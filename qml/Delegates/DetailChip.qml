import QtQuick 2.15
import QtQuick.Controls 2.15
import "../Components"

// One detail on a row's second line: an optional icon, a quiet label and a
// value. A chip with a handler reacts to clicks.
Item {
    id: chip

    property string iconName
    property string label
    property string value
    property color valueColor: Theme.secondaryText
    property int maximumWidth: 320
    signal activated()

    implicitWidth: content.implicitWidth
    implicitHeight: 16
    width: Math.min(implicitWidth, maximumWidth)
    height: 16

    Row {
        id: content
        spacing: 4
        Image {
            visible: chip.iconName.length > 0
            anchors.verticalCenter: parent.verticalCenter
            width: 14
            height: 14
            sourceSize: Qt.size(28, 28)
            source: chip.iconName ? Theme.icon(chip.iconName, Theme.secondaryText) : ""
        }
        Label {
            visible: chip.label.length > 0
            text: chip.label
            font.pixelSize: Theme.secondarySize
            color: Theme.secondaryText
        }
        Label {
            visible: chip.value.length > 0
            text: chip.value
            width: Math.min(implicitWidth, chip.maximumWidth - x)
            elide: Text.ElideRight
            font.pixelSize: Theme.secondarySize
            color: chip.valueColor
        }
    }

    MouseArea {
        anchors.fill: parent
        cursorShape: Qt.PointingHandCursor
        onClicked: chip.activated()
    }
}
