import QtQuick 2.15
import QtQuick.Controls 2.15
import QtQuick.Layouts 1.15
import "../Components"

// A section whose page is still to come: it says what will be there.
Item {
    id: page

    property string pageName: "placeholder"
    property string title
    property string description
    property string iconName: "calendar"
    readonly property var window: ApplicationWindow.window

    function addAction() { window.showNewTaskPopup({ "PARENT": PredefinedDataHelper.quorvelBoxId }) }
    function discard() { return false }

    ColumnLayout {
        anchors.fill: parent
        spacing: 0
        PageHeader {
            Layout.fillWidth: true
            title: page.title
            showMenu: false
        }
        Placeholder {
            objectName: "comingSoon"
            Layout.fillWidth: true
            Layout.fillHeight: true
            iconName: page.iconName
            title: page.description
            hint: qsTr("This part of Quorvel is on its way. Until then, collect your tasks in the Quorvel Box.")
        }
    }
}
