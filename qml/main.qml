import QtQuick 2.15
import QtQuick.Window 2.15
import QtQuick.Controls 2.15
import QtQuick.Layouts 1.15
import com.velmora.managers 1.0

ApplicationWindow {
    id: mainWindow

    // Closing the window only hides it: Quorvel keeps running in the tray so
    // that reminders and sync go on.
    signal hideOnClose()

    width: 1100
    height: 720
    minimumWidth: 640
    minimumHeight: 480
    title: "Quorvel"
    color: Settings.appTheme === SettingsEnums.DarkTheme ? "#1F1F1F" : "#FAFAFA"

    onClosing: {
        close.accepted = false
        hideOnClose()
    }

    // Once the window is built a signed-in user gets a silent sync, unless
    // the notifier is found blocked (the window then tells about that first).
    Component.onCompleted: {
        var notifierActive = typeof NOTIFIER_APP_ACTIVE === "undefined" || NOTIFIER_APP_ACTIVE
        if (notifierActive && DataManager.isUserLoggedIn && Settings.cloudSyncEnabled)
            DataManager.startSyncSilent()
    }

    // A due reminder: the task's name and what the reminder is about, in a
    // small window of its own, so that it shows while the main window is
    // hidden in the tray too. A newer reminder takes the place of an older one.
    function showNotificationPopup(message, task) {
        reminderNotice.taskId = task && task.ID !== undefined ? String(task.ID) : ""
        reminderNotice.taskName = task && task.NAME !== undefined ? String(task.NAME) : ""
        reminderNotice.message = message !== undefined ? String(message) : ""
        reminderNotice.show()
    }

    Window {
        id: reminderNotice
        objectName: "reminderNotice"

        property string taskId
        property string taskName
        property string message

        width: 400
        height: 80
        x: Screen.width - width - 20
        y: 20
        flags: Qt.Tool | Qt.FramelessWindowHint | Qt.WindowStaysOnTopHint
        color: Settings.appTheme === SettingsEnums.DarkTheme ? "#2B2B2B" : "#FFFFFF"

        RowLayout {
            anchors.fill: parent
            anchors.margins: 10
            spacing: 8

            ColumnLayout {
                Layout.fillWidth: true
                spacing: 4

                Label {
                    objectName: "reminderTaskName"
                    Layout.fillWidth: true
                    text: reminderNotice.taskName
                    textFormat: Text.PlainText
                    elide: Text.ElideRight
                    font.bold: true
                }
                Label {
                    objectName: "reminderMessage"
                    Layout.fillWidth: true
                    text: reminderNotice.message
                    textFormat: Text.PlainText
                    elide: Text.ElideRight
                }
            }

            Button {
                objectName: "reminderSnooze"
                text: qsTr("Snooze")
                visible: reminderNotice.taskId !== ""
                onClicked: {
                    DataManager.snoozeReminder({ "ID": reminderNotice.taskId })
                    reminderNotice.hide()
                }
            }
            Button {
                objectName: "reminderClose"
                text: qsTr("Close")
                onClicked: reminderNotice.hide()
            }
        }
    }

    ColumnLayout {
        anchors.centerIn: parent
        spacing: 8

        Label {
            objectName: "productName"
            Layout.alignment: Qt.AlignHCenter
            text: "Quorvel"
            font.pixelSize: 36
            color: Settings.applicationColor
        }

        Label {
            objectName: "productVersion"
            Layout.alignment: Qt.AlignHCenter
            text: qsTr("Version %1").arg(APP_VERSION)
            font.pixelSize: 16
            color: Settings.appTheme === SettingsEnums.DarkTheme ? "#E0E0E0" : "#424242"
        }

        Label {
            objectName: "dataState"
            Layout.alignment: Qt.AlignHCenter
            visible: !DataManager.isDataPrepared()
            text: qsTr("Your tasks could not be opened. Please see the log for details.")
            color: "#E53935"
        }
    }
}
