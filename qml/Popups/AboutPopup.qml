import QtQuick 2.15
import QtQuick.Controls 2.15
import QtQuick.Layouts 1.15
import "../Components"

Popup {
    id: popup
    objectName: "aboutPopup"

    parent: Overlay.overlay
    anchors.centerIn: parent
    width: 360
    modal: true
    focus: true
    padding: 28
    closePolicy: Popup.CloseOnEscape | Popup.CloseOnPressOutside
    Overlay.modal: Rectangle { color: Theme.backdrop }
    background: Rectangle {
        radius: Theme.radius + 2
        color: Theme.surface
        border.color: Theme.line
    }

    contentItem: ColumnLayout {
        spacing: 8
        Label {
            Layout.alignment: Qt.AlignHCenter
            text: "Quorvel"
            font.pixelSize: 30
            font.weight: Font.Bold
            color: Theme.accent
        }
        Label {
            objectName: "productVersion"
            Layout.alignment: Qt.AlignHCenter
            text: qsTr("Version %1").arg(APP_VERSION)
            color: Theme.secondaryText
        }
        Label {
            Layout.fillWidth: true
            Layout.topMargin: 8
            horizontalAlignment: Text.AlignHCenter
            wrapMode: Text.WordWrap
            text: qsTr("A calm place to plan your days: tasks in projects and folders, contexts, a daily plan and reminders that never miss.")
            color: Theme.text
        }
        Label {
            Layout.alignment: Qt.AlignHCenter
            Layout.topMargin: 8
            text: "© Velmora"
            font.pixelSize: Theme.secondarySize
            color: Theme.secondaryText
        }
        Button {
            Layout.alignment: Qt.AlignHCenter
            Layout.topMargin: 8
            text: qsTr("Close")
            onClicked: popup.close()
        }
    }
}
