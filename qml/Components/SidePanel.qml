import QtQuick 2.15
import QtQuick.Controls 2.15
import QtQuick.Layouts 1.15
import "."

// The sections of the window with their counters. Below 900 px of window
// width it shows icons only.
Rectangle {
    id: panel
    objectName: "sidePanel"

    property var sections: []
    property int currentIndex: -1
    property bool compact: false
    property int inboxTotal: 0
    property int inboxOverdue: 0
    property int todayActive: 0
    property int todayOverdue: 0
    // Sections with something new to look at, by index.
    property var badges: [false, false, false, false,
                          Settings.showFavoritesNewBadge, Settings.showMethodNewBadge, Settings.showAppearanceNewBadge]
    signal sectionClicked(int index)
    // The section a dragged task would be dropped on, outlined.
    property int dropIndex: -1

    // The section under a point of the window, or -1.
    function sectionAt(windowX, windowY) {
        for (var i = 0; i < sectionRepeater.count; ++i) {
            var entry = sectionRepeater.itemAt(i)
            var p = entry.mapFromItem(null, windowX, windowY)
            if (p.x >= 0 && p.y >= 0 && p.x < entry.width && p.y < entry.height)
                return i
        }
        return -1
    }

    color: Theme.surface

    Rectangle {
        anchors.right: parent.right
        width: 1
        height: parent.height
        color: Theme.line
    }

    ColumnLayout {
        anchors.fill: parent
        anchors.topMargin: 12
        anchors.bottomMargin: 12
        spacing: 2

        Label {
            objectName: "productName"
            Layout.leftMargin: panel.compact ? 0 : 20
            Layout.alignment: panel.compact ? Qt.AlignHCenter : Qt.AlignLeft
            Layout.bottomMargin: 12
            text: panel.compact ? "Q" : "Quorvel"
            font.pixelSize: 20
            font.weight: Font.Bold
            color: Theme.accent
        }

        Repeater {
            id: sectionRepeater
            model: panel.sections
            ItemDelegate {
                id: entry
                objectName: "section_" + index
                readonly property bool selected: index === panel.currentIndex
                readonly property int overdue: index === 0 ? panel.inboxOverdue : (index === 1 ? panel.todayOverdue : 0)
                readonly property int total: index === 0 ? panel.inboxTotal : (index === 1 ? panel.todayActive : 0)
                Layout.fillWidth: true
                Layout.leftMargin: 8
                Layout.rightMargin: 8
                height: 38
                hoverEnabled: true
                Accessible.name: modelData.title
                ToolTip.visible: panel.compact && hovered
                ToolTip.text: modelData.title
                onClicked: panel.sectionClicked(index)

                background: Rectangle {
                    radius: Theme.radius
                    color: entry.selected ? Theme.selection : (entry.hovered ? Theme.hover : "transparent")
                    border.width: index === panel.dropIndex ? 2 : 0
                    border.color: Theme.accent
                    Behavior on color { ColorAnimation { duration: Theme.fastDuration } }
                }
                contentItem: RowLayout {
                    spacing: 10
                    Item {
                        Layout.preferredWidth: 20
                        Layout.preferredHeight: 20
                        Layout.leftMargin: panel.compact ? 0 : 4
                        Layout.alignment: panel.compact ? Qt.AlignHCenter : Qt.AlignVCenter
                        Image {
                            anchors.fill: parent
                            sourceSize: Qt.size(40, 40)
                            source: Theme.icon(modelData.icon, entry.selected ? Theme.accent : Theme.secondaryText)
                        }
                        // The daily plan's icon shows today's date.
                        Label {
                            visible: index === 1
                            anchors.horizontalCenter: parent.horizontalCenter
                            y: 8
                            text: new Date().getDate()
                            font.pixelSize: 8
                            font.weight: Font.Bold
                            color: entry.selected ? Theme.accent : Theme.secondaryText
                        }
                    }
                    Label {
                        Layout.fillWidth: true
                        visible: !panel.compact
                        text: modelData.title
                        elide: Text.ElideRight
                        color: entry.selected ? Theme.accent : Theme.text
                        font.weight: entry.selected ? Font.DemiBold : Font.Normal
                    }
                    Label {
                        objectName: "newBadge_" + index
                        visible: !panel.compact && !!panel.badges[index]
                        leftPadding: 6
                        rightPadding: 6
                        topPadding: 1
                        bottomPadding: 1
                        text: qsTr("New")
                        color: Theme.accentText
                        font.pixelSize: 10
                        font.weight: Font.DemiBold
                        background: Rectangle {
                            radius: height / 2
                            color: Theme.accent
                        }
                    }
                    Label {
                        objectName: "overdueCount_" + index
                        visible: !panel.compact && entry.overdue > 0
                        text: entry.overdue
                        color: Theme.danger
                        font.pixelSize: Theme.secondarySize
                        font.weight: Font.DemiBold
                    }
                    Label {
                        objectName: "totalCount_" + index
                        visible: !panel.compact && entry.total > 0
                        text: entry.total
                        color: Theme.secondaryText
                        font.pixelSize: Theme.secondarySize
                        Layout.rightMargin: 4
                    }
                }
            }
        }
        Item { Layout.fillHeight: true }
    }
}
