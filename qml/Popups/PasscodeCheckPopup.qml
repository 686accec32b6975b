import QtQuick 2.15
import QtQuick.Controls 2.15
import QtQuick.Layouts 1.15

// Covers the whole window until the passcode is entered. Nothing closes it
// but the right passcode: not Escape, not a click outside.
Popup {
    id: popup
    objectName: "passcodeCheckPopup"

    property bool darkTheme: false
    property color accentColor: "#3F51B5"
    signal unlocked()

    parent: Overlay.overlay
    x: 0
    y: 0
    width: parent ? parent.width : 0
    height: parent ? parent.height : 0
    modal: true
    focus: true
    closePolicy: Popup.NoAutoClose
    padding: 0

    function ask() {
        field.text = ""
        errorLabel.visible = false
        open()
        field.forceActiveFocus()
    }

    function tryUnlock() {
        if (PasscodeManager.verifyPasscode(field.text)) {
            field.text = ""
            close()
            unlocked()
        } else {
            errorLabel.visible = true
            field.selectAll()
            field.forceActiveFocus()
        }
    }

    background: Rectangle { color: popup.darkTheme ? "#1E1E1E" : "#F5F5F7" }

    contentItem: Item {
        ColumnLayout {
            anchors.centerIn: parent
            width: Math.min(parent.width - 48, 320)
            spacing: 12

            Label {
                Layout.alignment: Qt.AlignHCenter
                text: qsTr("Quorvel is locked")
                font.pixelSize: 20
                font.weight: Font.DemiBold
                color: popup.darkTheme ? "#EDEDED" : "#202124"
            }
            Label {
                Layout.alignment: Qt.AlignHCenter
                Layout.fillWidth: true
                horizontalAlignment: Text.AlignHCenter
                wrapMode: Text.WordWrap
                text: qsTr("Enter your passcode to continue.")
                color: popup.darkTheme ? "#A8A8A8" : "#5F6368"
            }
            TextField {
                id: field
                objectName: "passcodeField"
                Layout.fillWidth: true
                echoMode: TextInput.Password
                placeholderText: qsTr("Passcode")
                onAccepted: popup.tryUnlock()
            }
            Label {
                id: errorLabel
                objectName: "passcodeError"
                Layout.fillWidth: true
                visible: false
                wrapMode: Text.WordWrap
                text: qsTr("The passcode is incorrect. Try again.")
                color: "#D93025"
            }
            Button {
                objectName: "passcodeUnlock"
                Layout.alignment: Qt.AlignRight
                text: qsTr("Unlock")
                highlighted: true
                enabled: field.text.length > 0
                onClicked: popup.tryUnlock()
            }
        }
    }
}
