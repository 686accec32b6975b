import QtQuick 2.15
import QtQuick.Controls 2.15
import "."

// The empty state of a list: an icon, one line of title, one line of hint.
Item {
    id: placeholder

    property string iconName: "inbox"
    property string title
    property string hint

    // A column, not a layout: wrapped text that changes its height as its
    // width is set would make a layout arrange itself over and over.
    Column {
        anchors.centerIn: parent
        width: Math.max(0, Math.min(parent.width - 2 * Theme.pageMargin, 420))
        spacing: Theme.spacing

        Image {
            anchors.horizontalCenter: parent.horizontalCenter
            width: 56
            height: 56
            sourceSize: Qt.size(112, 112)
            source: Theme.icon(placeholder.iconName, Theme.line)
        }
        Label {
            objectName: "placeholderTitle"
            width: parent.width
            horizontalAlignment: Text.AlignHCenter
            wrapMode: Text.WordWrap
            text: placeholder.title
            color: Theme.text
            font.pixelSize: 15
            font.weight: Font.DemiBold
        }
        Label {
            objectName: "placeholderHint"
            width: parent.width
            horizontalAlignment: Text.AlignHCenter
            wrapMode: Text.WordWrap
            text: placeholder.hint
            visible: text.length > 0
            color: Theme.secondaryText
            font.pixelSize: Theme.bodySize
        }
    }
}
