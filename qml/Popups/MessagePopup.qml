import QtQuick 2.15
import QtQuick.Controls 2.15
import QtQuick.Layouts 1.15
import "../Components"

// A centred message card: a title, a text and one or two buttons. The
// default button answers Enter.
Popup {
    id: popup
    objectName: "messagePopup"

    property string title
    property string text
    property string acceptText: qsTr("OK")
    property string rejectText
    property var acceptCallback: null

    function accept() {
        var callback = acceptCallback
        close()
        if (callback)
            callback()
    }

    parent: Overlay.overlay
    anchors.centerIn: parent
    width: Math.min(parent ? parent.width - 48 : 420, 420)
    modal: true
    focus: true
    padding: 24
    closePolicy: Popup.CloseOnEscape
    Overlay.modal: Rectangle { color: Theme.backdrop }
    onClosed: acceptCallback = null

    background: Rectangle {
        radius: Theme.radius + 2
        color: Theme.surface
        border.color: Theme.line
    }

    contentItem: ColumnLayout {
        spacing: 12
        Label {
            objectName: "messageTitle"
            Layout.fillWidth: true
            text: popup.title
            wrapMode: Text.WordWrap
            font.pixelSize: 16
            font.weight: Font.DemiBold
            color: Theme.text
        }
        Label {
            objectName: "messageText"
            Layout.fillWidth: true
            text: popup.text
            wrapMode: Text.WordWrap
            textFormat: Text.PlainText
            color: Theme.text
            font.pixelSize: Theme.bodySize
        }
        RowLayout {
            Layout.alignment: Qt.AlignRight
            Layout.topMargin: 8
            spacing: Theme.spacing
            Button {
                objectName: "messageReject"
                visible: popup.rejectText.length > 0
                text: popup.rejectText
                flat: true
                onClicked: popup.close()
            }
            Button {
                objectName: "messageAccept"
                text: popup.acceptText
                highlighted: true
                onClicked: popup.accept()
            }
        }
    }
}
