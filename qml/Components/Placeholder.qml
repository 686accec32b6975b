import QtQuick 2.15
import QtQuick.Controls 2.15
import QtQuick.Layouts 1.15
import "."

// The empty state of a list: an icon, one line of title, one line of hint.
Item {
    id: placeholder

    property string iconName: "inbox"
    property string title
    property string hint

    ColumnLayout {
        anchors.centerIn: parent
        width: Math.min(parent.width - 2 * Theme.pageMargin, 420)
        spacing: Theme.spacing

        Image {
            Layout.alignment: Qt.AlignHCenter
            Layout.preferredWidth: 56
            Layout.preferredHeight: 56
            sourceSize: Qt.size(112, 112)
            source: Theme.icon(placeholder.iconName, Theme.line)
        }
        Label {
            objectName: "placeholderTitle"
            Layout.fillWidth: true
            horizontalAlignment: Text.AlignHCenter
            wrapMode: Text.WordWrap
            text: placeholder.title
            color: Theme.text
            font.pixelSize: 15
            font.weight: Font.DemiBold
        }
        Label {
            objectName: "placeholderHint"
            Layout.fillWidth: true
            horizontalAlignment: Text.AlignHCenter
            wrapMode: Text.WordWrap
            text: placeholder.hint
            visible: text.length > 0
            color: Theme.secondaryText
            font.pixelSize: Theme.bodySize
        }
    }
}
