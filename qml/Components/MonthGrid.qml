import QtQuick 2.15
import QtQuick.Controls 2.15
import QtQuick.Layouts 1.15
import "."

// A month of days, Monday first. Dates are calendar dates carried as UTC
// midnights, the way the records carry them.
ColumnLayout {
    id: grid

    property int year: new Date().getFullYear()
    property int month: new Date().getMonth()
    property var selectedDate: null
    // A function (Date) -> 0 none, 1 busy, 2 overdue, 3 a repeated task
    // recurs; for day markers.
    property var markerFor: null
    // A day outlined as the target of a drag.
    property var highlightedDate: null
    signal dayClicked(var date)

    readonly property var todayUtc: {
        var now = new Date()
        return new Date(Date.UTC(now.getFullYear(), now.getMonth(), now.getDate()))
    }
    readonly property var firstShown: {
        var first = new Date(Date.UTC(year, month, 1))
        var weekday = (first.getUTCDay() + 6) % 7
        return new Date(Date.UTC(year, month, 1 - weekday))
    }

    function showMonthOf(date) {
        year = date.getUTCFullYear()
        month = date.getUTCMonth()
    }
    function step(months) {
        var d = new Date(Date.UTC(year, month + months, 1))
        year = d.getUTCFullYear()
        month = d.getUTCMonth()
    }
    // The date of the day under a point of the window, or null.
    function dateAt(windowX, windowY) {
        for (var i = 0; i < days.children.length; ++i) {
            var cell = days.children[i]
            if (cell.date === undefined || !cell.visible)
                continue
            var p = cell.mapFromItem(null, windowX, windowY)
            if (p.x >= 0 && p.y >= 0 && p.x < cell.width && p.y < cell.height)
                return cell.date
        }
        return null
    }
    function sameDay(a, b) {
        return a && b && a.getUTCFullYear() === b.getUTCFullYear() && a.getUTCMonth() === b.getUTCMonth()
            && a.getUTCDate() === b.getUTCDate()
    }

    spacing: 4

    RowLayout {
        Layout.fillWidth: true
        Label {
            objectName: "monthTitle"
            Layout.fillWidth: true
            text: Qt.locale(Settings.applicationLanguage).standaloneMonthName(grid.month) + " " + grid.year
            font.pixelSize: 14
            font.weight: Font.DemiBold
            color: Theme.text
        }
        IconButton {
            objectName: "previousMonth"
            iconName: "back"
            toolTipText: qsTr("Previous month")
            onClicked: grid.step(-1)
        }
        IconButton {
            objectName: "nextMonth"
            iconName: "forward"
            toolTipText: qsTr("Next month")
            onClicked: grid.step(1)
        }
    }

    GridLayout {
        id: days
        columns: 7
        rowSpacing: 2
        columnSpacing: 2
        Repeater {
            model: 7
            Label {
                Layout.preferredWidth: 32
                horizontalAlignment: Text.AlignHCenter
                text: Qt.locale(Settings.applicationLanguage).dayName((index + 1) % 7, Locale.ShortFormat)
                font.pixelSize: 11
                color: Theme.secondaryText
            }
        }
        Repeater {
            model: 42
            AbstractButton {
                id: dayButton
                readonly property var date: new Date(grid.firstShown.getTime() + index * 86400000)
                readonly property bool inMonth: date.getUTCMonth() === grid.month
                readonly property bool isToday: grid.sameDay(date, grid.todayUtc)
                readonly property bool isSelected: grid.sameDay(date, grid.selectedDate)
                readonly property bool isHighlighted: grid.sameDay(date, grid.highlightedDate)
                readonly property int marker: grid.markerFor ? grid.markerFor(date) : 0
                objectName: "day_" + date.getUTCFullYear() + "_" + (date.getUTCMonth() + 1) + "_" + date.getUTCDate()
                Layout.preferredWidth: 32
                Layout.preferredHeight: 30
                hoverEnabled: true
                Accessible.name: date.toISOString().slice(0, 10)
                onClicked: grid.dayClicked(date)
                background: Rectangle {
                    radius: height / 2
                    color: dayButton.isSelected ? Theme.accent
                           : (dayButton.hovered ? Theme.hover : "transparent")
                    border.width: dayButton.isHighlighted ? 2 : (dayButton.isToday && !dayButton.isSelected ? 1.5 : 0)
                    border.color: Theme.accent
                }
                contentItem: Item {
                    Label {
                        anchors.centerIn: parent
                        text: dayButton.date.getUTCDate()
                        font.pixelSize: 12
                        font.weight: dayButton.isToday ? Font.DemiBold : Font.Normal
                        color: dayButton.isSelected ? Theme.accentText
                               : (dayButton.inMonth ? Theme.text : Theme.secondaryText)
                        opacity: dayButton.inMonth ? 1 : 0.6
                    }
                    Rectangle {
                        visible: dayButton.marker > 0
                        anchors.horizontalCenter: parent.horizontalCenter
                        anchors.bottom: parent.bottom
                        anchors.bottomMargin: 2
                        width: 4
                        height: 4
                        radius: 2
                        color: dayButton.marker === 2 ? Theme.danger
                               : (dayButton.isSelected ? Theme.accentText
                                  : (dayButton.marker === 3 ? Theme.secondaryText : Theme.accent))
                    }
                }
            }
        }
    }
}
