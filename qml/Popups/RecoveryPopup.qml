import QtQuick 2.15
import QtQuick.Controls 2.15
import QtQuick.Layouts 1.15
import "../Components"

// Shown when the tasks could not be opened: says why, and offers the newest
// good backup or an empty database. What is decided lives in
// DatabaseRecovery; this only shows and asks.
Popup {
    id: popup
    objectName: "recoveryPopup"

    // The choice did not open the store; the popup stays for another try.
    property bool failed: false

    signal recovered()

    function offer() {
        if (opened)
            return
        failed = false
        DatabaseRecovery.refresh()
        if (DatabaseRecovery.needed)
            open()
    }
    function choose(restore) {
        var opened = restore ? DatabaseRecovery.restoreBackup() : DatabaseRecovery.startEmpty()
        failed = !opened
        if (opened) {
            close()
            recovered()
        }
    }

    parent: Overlay.overlay
    anchors.centerIn: parent
    width: Math.min(parent ? parent.width - 48 : 580, 580)
    modal: true
    focus: true
    padding: 24
    // A choice about the user's data is never made by a stray key or click.
    closePolicy: Popup.NoAutoClose
    Overlay.modal: Rectangle { color: Theme.backdrop }

    background: Rectangle {
        radius: Theme.radius + 2
        color: Theme.surface
        border.color: Theme.line
    }

    contentItem: ColumnLayout {
        spacing: 12
        Label {
            Layout.fillWidth: true
            text: qsTr("Your tasks could not be opened")
            wrapMode: Text.WordWrap
            font.pixelSize: 16
            font.weight: Font.DemiBold
            color: Theme.text
        }
        Label {
            objectName: "recoveryProblem"
            Layout.fillWidth: true
            text: DatabaseRecovery.problem
            wrapMode: Text.Wrap
            textFormat: Text.PlainText
            color: Theme.secondaryText
            font.pixelSize: Theme.secondarySize
        }
        Label {
            objectName: "recoveryOffer"
            Layout.fillWidth: true
            wrapMode: Text.WordWrap
            textFormat: Text.PlainText
            color: Theme.text
            text: DatabaseRecovery.canRestore
                  ? qsTr("A backup from %1 can be restored. Changes made after it are not in it.")
                        .arg(Qt.formatDateTime(DatabaseRecovery.backupTime, Qt.locale().dateTimeFormat(Locale.ShortFormat)))
                  : qsTr("There is no backup to restore. You can start again with an empty database.")
        }
        Label {
            Layout.fillWidth: true
            wrapMode: Text.WordWrap
            color: Theme.text
            text: qsTr("The file that could not be opened is kept aside under another name; nothing is deleted.")
        }
        Label {
            objectName: "recoveryDownload"
            Layout.fillWidth: true
            visible: DatabaseRecovery.fullDownloadFollows
            wrapMode: Text.WordWrap
            color: Theme.text
            text: qsTr("You are signed in, so everything in your account will be downloaded again afterwards.")
        }
        Label {
            objectName: "recoveryFailed"
            Layout.fillWidth: true
            visible: popup.failed
            wrapMode: Text.WordWrap
            color: Theme.danger
            text: qsTr("That did not work. Please see the log for details.")
        }
        RowLayout {
            Layout.fillWidth: true
            Layout.topMargin: 8
            spacing: Theme.spacing
            Button {
                objectName: "recoveryLater"
                text: qsTr("Not now")
                flat: true
                onClicked: popup.close()
            }
            Item { Layout.fillWidth: true }
            Button {
                objectName: "recoveryStartEmpty"
                text: qsTr("Start with an empty database")
                highlighted: !DatabaseRecovery.canRestore
                onClicked: popup.choose(false)
            }
            Button {
                objectName: "recoveryRestore"
                visible: DatabaseRecovery.canRestore
                text: qsTr("Restore the backup")
                highlighted: true
                onClicked: popup.choose(true)
            }
        }
    }
}
