import QtQuick 2.15
import QtQuick.Controls 2.15
import "../Components"

// A time of day typed as "H:MM". A text that is not a time keeps the last
// good one.
TextField {
    id: field

    property int hours: 0
    property int minutes: 0
    signal timeEdited(int hours, int minutes)

    function twoDigits(value) { return (value < 10 ? "0" : "") + value }
    function show() { text = hours + ":" + twoDigits(minutes) }

    implicitWidth: 72
    horizontalAlignment: Text.AlignHCenter
    selectByMouse: true
    inputMethodHints: Qt.ImhTime
    validator: RegularExpressionValidator { regularExpression: /^([01]?[0-9]|2[0-3]):[0-5][0-9]$/ }
    onHoursChanged: show()
    onMinutesChanged: show()
    Component.onCompleted: show()
    onEditingFinished: {
        var parts = text.split(":")
        if (!acceptableInput || parts.length !== 2) {
            show()
            return
        }
        timeEdited(parseInt(parts[0], 10), parseInt(parts[1], 10))
    }
}
