import QtQuick 2.15
import QtQuick.Controls 2.15
import QtQuick.Layouts 1.15
import "."

// The sync status on the left; the undo message with "Restore" in the
// middle, fading in and out.
Rectangle {
    id: bar
    objectName: "statusBar"

    property string undoMessage
    property bool undoVisible: false
    signal restoreClicked()
    signal syncStatusClicked()

    function showUndo(message) {
        undoMessage = message
        undoVisible = true
    }
    function hideUndo() { undoVisible = false }
    function syncText() {
        if (DataManager.isSyncActive)
            return qsTr("Sync in progress…")
        var last = DataManager.lastSyncDateTime
        if (!last || isNaN(last.getTime()))
            return qsTr("Sync hasn't been performed yet")
        var locale = Qt.locale(Settings.applicationLanguage)
        if (last.toDateString() === new Date().toDateString())
            return qsTr("Last synced: today %1").arg(last.toLocaleTimeString(locale, Locale.NarrowFormat))
        return qsTr("Last synced: %1").arg(last.toLocaleString(locale, Locale.ShortFormat))
    }

    height: Theme.statusBarHeight
    color: Theme.surface

    Rectangle {
        width: parent.width
        height: 1
        color: Theme.line
    }

    Label {
        objectName: "syncStatus"
        anchors.left: parent.left
        anchors.leftMargin: 12
        anchors.verticalCenter: parent.verticalCenter
        text: bar.syncText()
        font.pixelSize: Theme.secondarySize
        color: Theme.secondaryText
        MouseArea {
            anchors.fill: parent
            onClicked: bar.syncStatusClicked()
        }
    }

    RowLayout {
        id: undoRow
        objectName: "undoMessage"
        anchors.centerIn: parent
        spacing: 12
        opacity: bar.undoVisible ? 1 : 0
        visible: opacity > 0
        Behavior on opacity { NumberAnimation { duration: Theme.normalDuration; easing.type: Easing.OutCubic } }

        Label {
            objectName: "undoText"
            text: bar.undoMessage
            color: Theme.text
            font.pixelSize: Theme.secondarySize
        }
        // Clicks inside this item do not count as "something else" that
        // would confirm the change before it can be restored.
        Item {
            objectName: "UndoButton"
            implicitWidth: restoreButton.implicitWidth
            implicitHeight: 24
            Button {
                id: restoreButton
                objectName: "restoreUndo"
                anchors.fill: parent
                text: qsTr("Restore")
                flat: true
                padding: 4
                font.pixelSize: Theme.secondarySize
                font.weight: Font.DemiBold
                palette.buttonText: Theme.accent
                onClicked: bar.restoreClicked()
            }
        }
    }
}
