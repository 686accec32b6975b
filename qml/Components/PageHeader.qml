import QtQuick 2.15
import QtQuick.Controls 2.15
import QtQuick.Layouts 1.15
import "."

// A page's title line with an optional subtitle and the list menu button.
Item {
    id: header

    property string title
    property string subtitle
    property alias menuButton: menuButton
    property bool showMenu: true
    signal menuRequested()

    implicitHeight: 64

    RowLayout {
        anchors.fill: parent
        anchors.leftMargin: Theme.pageMargin
        anchors.rightMargin: Theme.pageMargin - 8
        spacing: Theme.spacing

        ColumnLayout {
            Layout.fillWidth: true
            spacing: 2
            Label {
                objectName: "pageTitle"
                Layout.fillWidth: true
                text: header.title
                elide: Text.ElideRight
                font.pixelSize: Theme.pageTitleSize
                font.weight: Font.DemiBold
                color: Theme.text
            }
            Label {
                objectName: "pageSubtitle"
                Layout.fillWidth: true
                visible: text.length > 0
                text: header.subtitle
                elide: Text.ElideRight
                font.pixelSize: Theme.secondarySize
                color: Theme.secondaryText
            }
        }
        IconButton {
            id: menuButton
            objectName: "listMenuButton"
            visible: header.showMenu
            iconName: "more"
            toolTipText: qsTr("List options")
            onClicked: header.menuRequested()
        }
    }
}
