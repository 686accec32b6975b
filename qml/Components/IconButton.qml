import QtQuick 2.15
import QtQuick.Controls 2.15
import "."

// A flat square button with one coloured icon, a hover tint, a focus ring
// and a tool tip that doubles as its accessible name.
AbstractButton {
    id: button

    property string iconName
    property color iconColor: Theme.secondaryText
    property string toolTipText
    property int iconSize: 20

    implicitWidth: 32
    implicitHeight: 32
    hoverEnabled: true
    focusPolicy: Qt.TabFocus
    Accessible.name: toolTipText
    Accessible.role: Accessible.Button

    ToolTip.visible: hovered && toolTipText.length > 0
    ToolTip.delay: 600
    ToolTip.text: toolTipText

    background: Rectangle {
        radius: Theme.radius
        color: button.down ? Theme.selection : (button.hovered ? Theme.hover : "transparent")
        border.width: button.visualFocus ? 2 : 0
        border.color: Theme.accent
        Behavior on color { ColorAnimation { duration: Theme.fastDuration } }
    }

    contentItem: Item {
        Image {
            anchors.centerIn: parent
            width: button.iconSize
            height: button.iconSize
            sourceSize: Qt.size(button.iconSize * 2, button.iconSize * 2)
            source: button.iconName ? Theme.icon(button.iconName, button.iconColor) : ""
            opacity: button.enabled ? 1 : 0.4
            smooth: true
        }
    }
}
