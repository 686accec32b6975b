import QtQuick 2.15
import QtQuick.Controls 2.15
import QtQuick.Layouts 1.15
import "../Components"

// Picks a calendar date and a time of day. The value is a wall-clock
// moment carried as UTC, like the records' dates.
Popup {
    id: popup
    objectName: "dateTimePopup"

    property string title
    property var value: null
    property bool allowClear: true
    property var chosenCallback: null

    signal chosen(var date)

    function openOn(date, heading) {
        title = heading || ""
        value = date
        grid.selectedDate = new Date(Date.UTC(date.getUTCFullYear(), date.getUTCMonth(), date.getUTCDate()))
        grid.showMonthOf(date)
        hours.value = date.getUTCHours()
        minutes.value = date.getUTCMinutes()
        open()
    }
    function result() {
        var d = grid.selectedDate
        return new Date(Date.UTC(d.getUTCFullYear(), d.getUTCMonth(), d.getUTCDate(), hours.value, minutes.value))
    }
    function finish(date) {
        var callback = chosenCallback
        chosenCallback = null
        close()
        if (callback)
            callback(date)
        chosen(date)
    }
    function accept() { finish(result()) }

    parent: Overlay.overlay
    anchors.centerIn: parent
    modal: true
    focus: true
    padding: 20
    closePolicy: Popup.CloseOnEscape
    Overlay.modal: Rectangle { color: Theme.backdrop }
    onClosed: chosenCallback = null

    background: Rectangle {
        radius: Theme.radius + 2
        color: Theme.surface
        border.color: Theme.line
    }

    contentItem: ColumnLayout {
        spacing: 12
        Label {
            visible: popup.title.length > 0
            text: popup.title
            font.pixelSize: 16
            font.weight: Font.DemiBold
            color: Theme.text
        }
        MonthGrid {
            id: grid
            onDayClicked: selectedDate = date
        }
        RowLayout {
            spacing: Theme.spacing
            Label {
                text: qsTr("Time")
                color: Theme.secondaryText
            }
            SpinBox {
                id: hours
                objectName: "hoursField"
                from: 0
                to: 23
                editable: true
                Accessible.name: qsTr("Hours")
                textFromValue: function(v) { return (v < 10 ? "0" : "") + v }
            }
            Label { text: ":"; color: Theme.text }
            SpinBox {
                id: minutes
                objectName: "minutesField"
                from: 0
                to: 59
                editable: true
                Accessible.name: qsTr("Minutes")
                textFromValue: function(v) { return (v < 10 ? "0" : "") + v }
            }
        }
        RowLayout {
            Layout.fillWidth: true
            spacing: Theme.spacing
            Button {
                objectName: "dateClear"
                visible: popup.allowClear
                text: qsTr("Clear")
                flat: true
                onClicked: popup.finish(null)
            }
            Item { Layout.fillWidth: true }
            Button {
                objectName: "dateCancel"
                text: qsTr("Cancel")
                flat: true
                onClicked: popup.close()
            }
            Button {
                objectName: "dateAccept"
                text: qsTr("OK")
                highlighted: true
                onClicked: popup.accept()
            }
        }
    }
}
