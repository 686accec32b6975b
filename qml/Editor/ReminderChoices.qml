import QtQuick 2.15
import QtQuick.Controls 2.15
import QtQuick.Layouts 1.15
import "../Components"

// The reminder types offered for one date of a task (start or deadline), as
// check boxes; the chosen ones are ticked.
ColumnLayout {
    id: choices

    property string title
    property bool isStart: true
    property var offered: []
    property var chosen: []
    signal choiceEdited(var types)

    function edit(type, on) {
        var types = chosen.slice()
        var at = types.indexOf(type)
        if (on && at < 0)
            types.push(type)
        else if (!on && at >= 0)
            types.splice(at, 1)
        choiceEdited(types)
    }

    spacing: 0
    visible: offered.length > 0

    Label {
        Layout.bottomMargin: 4
        Layout.fillWidth: true
        text: choices.title.toUpperCase()
        elide: Text.ElideRight
        font.pixelSize: Theme.sectionSize
        font.weight: Font.DemiBold
        font.letterSpacing: 0.8
        color: Theme.secondaryText
    }
    Repeater {
        model: choices.offered
        CheckBox {
            objectName: "reminderOption_" + (choices.isStart ? "start" : "due") + "_" + modelData
            Layout.fillWidth: true
            topPadding: 3
            bottomPadding: 3
            text: ReminderFormatHelper.formatReminderForPreviewSection(modelData, choices.isStart)
            checked: choices.chosen.indexOf(modelData) >= 0
            onToggled: choices.edit(modelData, checked)
        }
    }
}
