import QtQuick 2.15
import QtQuick.Controls 2.15
import QtQuick.Layouts 1.15
import "../Components"

// The first start: a short welcome, then the offer to sign in so that tasks
// follow the user to other devices, or to go on offline.
Popup {
    id: popup
    objectName: "welcomePopup"

    // Sign-in is asked for; the window opens the account settings.
    signal signInRequested()
    property int step: 0

    parent: Overlay.overlay
    anchors.centerIn: parent
    width: Math.min(520, parent ? parent.width - 48 : 520)
    modal: true
    focus: true
    padding: 32
    closePolicy: Popup.CloseOnEscape
    Overlay.modal: Rectangle { color: Theme.backdrop }
    background: Rectangle {
        radius: Theme.radius + 2
        color: Theme.surface
        border.color: Theme.line
    }
    onAboutToShow: step = 0

    function next() {
        if (step === 0)
            step = 1
        else
            close()
    }
    function accept() { next() }

    contentItem: ColumnLayout {
        spacing: Theme.groupSpacing

        Image {
            Layout.alignment: Qt.AlignHCenter
            Layout.preferredWidth: 56
            Layout.preferredHeight: 56
            sourceSize: Qt.size(112, 112)
            source: Theme.icon(popup.step === 0 ? "inbox" : "sync", Theme.accent)
        }
        Label {
            objectName: "welcomeTitle"
            Layout.fillWidth: true
            horizontalAlignment: Text.AlignHCenter
            wrapMode: Text.WordWrap
            text: popup.step === 0 ? qsTr("Welcome to Quorvel") : qsTr("Your tasks on every device")
            font.pixelSize: 22
            font.weight: Font.DemiBold
            color: Theme.text
        }
        Label {
            Layout.fillWidth: true
            horizontalAlignment: Text.AlignHCenter
            wrapMode: Text.WordWrap
            lineHeight: 1.25
            color: Theme.secondaryText
            text: popup.step === 0
                  ? qsTr("Collect what comes to mind in the Quorvel Box, sort it into projects and contexts, and plan each day beside the calendar. Reminders reach you even when the window is closed.")
                  : qsTr("Sign in to keep your tasks in sync between your computers and phone. You can also go on offline and sign in later in Settings.")
        }
        RowLayout {
            Layout.alignment: Qt.AlignHCenter
            Layout.topMargin: Theme.spacing
            spacing: Theme.spacing
            Repeater {
                model: 2
                Rectangle {
                    width: 8
                    height: 8
                    radius: 4
                    color: index === popup.step ? Theme.accent : Theme.line
                }
            }
        }
        RowLayout {
            Layout.fillWidth: true
            Layout.topMargin: Theme.spacing
            spacing: Theme.spacing
            Item { Layout.fillWidth: true }
            Button {
                objectName: "welcomeOffline"
                visible: popup.step === 1
                text: qsTr("Continue offline")
                onClicked: popup.close()
            }
            Button {
                objectName: "welcomeNext"
                highlighted: true
                text: popup.step === 0 ? qsTr("Get started") : qsTr("Sign in")
                onClicked: {
                    if (popup.step === 1) {
                        popup.close()
                        popup.signInRequested()
                    } else {
                        popup.next()
                    }
                }
            }
        }
    }
}
