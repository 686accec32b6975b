import QtQuick 2.15
import QtQuick.Controls 2.15
import QtQuick.Layouts 1.15
import "../Components"

// One date of the editor: its label, the date (or "None") as a button that
// asks for a new one, and a clear button while there is a date.
RowLayout {
    id: field

    property string label
    property var value: null
    property string fieldName
    // Only the calendar date (the times are edited beside it).
    property bool dateOnly: false
    readonly property bool hasValue: value instanceof Date && !isNaN(value.getTime())
    // The same calendar date at local midnight, as a date argument reads it.
    function localDate(date) {
        return new Date(date.getUTCFullYear(), date.getUTCMonth(), date.getUTCDate())
    }

    signal pickRequested()
    signal cleared()

    spacing: 4

    Label {
        Layout.preferredWidth: 110
        text: field.label
        elide: Text.ElideRight
        color: Theme.secondaryText
    }
    Button {
        objectName: field.fieldName
        Layout.fillWidth: true
        flat: true
        text: !field.hasValue ? qsTr("None")
              : (field.dateOnly ? DateFormatHelper.formatDate(field.localDate(field.value), false, Locale.LongFormat)
                                : Helper.toUtcString(field.value))
        Accessible.name: field.label
        contentItem: Label {
            text: parent.text
            elide: Text.ElideRight
            horizontalAlignment: Text.AlignLeft
            verticalAlignment: Text.AlignVCenter
            color: field.hasValue ? Theme.text : Theme.secondaryText
        }
        onClicked: field.pickRequested()
    }
    IconButton {
        objectName: field.fieldName + "Clear"
        visible: field.hasValue
        iconName: "close"
        iconSize: 14
        toolTipText: qsTr("Clear")
        onClicked: field.cleared()
    }
}
