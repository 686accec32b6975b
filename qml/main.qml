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
