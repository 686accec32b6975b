import QtQuick 2.15
import QtQuick.Controls 2.15
import "."

// A list section header: small capitals with a count and a chevron that
// collapses the section.
ItemDelegate {
    id: header

    property string title
    property bool collapsed: false
    signal toggled()

    height: 32
    padding: 0
    leftPadding: Theme.spacing
    hoverEnabled: true
    focusPolicy: Qt.NoFocus
    Accessible.name: title
    onClicked: toggled()

    background: Rectangle { color: header.hovered ? Theme.hover : "transparent" }

    contentItem: Row {
        spacing: 4
        Image {
            anchors.verticalCenter: parent.verticalCenter
            width: 16
            height: 16
            sourceSize: Qt.size(32, 32)
            source: Theme.icon(header.collapsed ? "chevron_right" : "chevron_down", Theme.secondaryText)
        }
        Label {
            anchors.verticalCenter: parent.verticalCenter
            text: header.title.toUpperCase()
            font.pixelSize: Theme.sectionSize
            font.weight: Font.DemiBold
            font.letterSpacing: 0.8
            color: Theme.secondaryText
        }
    }
}
