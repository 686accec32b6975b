import QtQuick 2.15
import QtQuick.Controls 2.15
import QtQuick.Layouts 1.15
import "../Components"

// The repetition of a task: none, every N days, weeks (optionally on chosen
// weekdays) or months, with a preview of the next dates. It shows the
// choice and asks for changes; the editor decides what they do to the task.
ColumnLayout {
    id: editor

    property string kind
    property int interval: 1
    property var weekdays: []
    property var start: null
    property var due: null

    signal kindChosen(string kind)
    signal intervalChosen(int interval)
    signal weekdaysChosen(var weekdays)

    readonly property string rule: TaskEditorRules.repetitionRule(kind, interval, weekdays)
    readonly property var kinds: [
        { "kind": "", "text": qsTr("None") },
        { "kind": "d", "text": qsTr("Day") },
        { "kind": "w", "text": qsTr("Week") },
        { "kind": "m", "text": qsTr("Month") }
    ]
    readonly property var weekdayNames: [qsTr("Mon"), qsTr("Tue"), qsTr("Wed"), qsTr("Thu"), qsTr("Fri"),
                                         qsTr("Sat"), qsTr("Sun")]

    function kindIndex(value) {
        for (var i = 0; i < kinds.length; ++i) {
            if (kinds[i].kind === value)
                return i
        }
        return 0
    }
    function intervalText() {
        if (kind === "d")
            return qsTr("Every %n day(s)", "", interval)
        if (kind === "w")
            return qsTr("Every %n week(s)", "", interval)
        if (kind === "m")
            return qsTr("Every %n month(s)", "", interval)
        return qsTr("No repetition")
    }
    function previewText() {
        if (rule.length === 0)
            return ""
        var nextStart = TaskEditorRules.nextOccurrence(start, rule)
        var nextDue = TaskEditorRules.nextOccurrence(due, rule)
        return DateFormatHelper.formatDatesForPreviewHeader(nextStart, nextDue)
    }
    function toggleWeekday(day, on) {
        var days = weekdays.slice()
        var at = days.indexOf(day)
        if (on && at < 0)
            days.push(day)
        else if (!on && at >= 0)
            days.splice(at, 1)
        weekdaysChosen(TaskEditorRules.sortedWeekdays(days))
    }

    spacing: Theme.spacing

    RowLayout {
        spacing: 4
        Label {
            Layout.preferredWidth: 110
            text: qsTr("Repeat")
            color: Theme.secondaryText
        }
        ComboBox {
            objectName: "repetitionKind"
            Layout.preferredWidth: 160
            model: editor.kinds
            textRole: "text"
            currentIndex: editor.kindIndex(editor.kind)
            Accessible.name: qsTr("Repeat")
            onActivated: {
                editor.kindChosen(editor.kinds[index].kind)
                // The editor may refuse the choice: show what it kept.
                currentIndex = Qt.binding(function() { return editor.kindIndex(editor.kind) })
            }
        }
        SpinBox {
            objectName: "repetitionInterval"
            visible: editor.kind.length > 0
            from: 1
            to: 99
            editable: true
            value: editor.interval
            Accessible.name: qsTr("Interval")
            onValueModified: {
                editor.intervalChosen(value)
                value = Qt.binding(function() { return editor.interval })
            }
        }
        Label {
            objectName: "repetitionIntervalText"
            Layout.fillWidth: true
            text: editor.intervalText()
            elide: Text.ElideRight
            color: editor.kind.length > 0 ? Theme.text : Theme.secondaryText
        }
    }

    RowLayout {
        visible: editor.kind === "w"
        spacing: 4
        Item { Layout.preferredWidth: 110 }
        Repeater {
            model: 7
            Button {
                readonly property int day: index + 1
                objectName: "weekday_" + day
                Layout.preferredWidth: 44
                readonly property bool chosen: editor.weekdays.indexOf(day) >= 0
                highlighted: chosen
                text: editor.weekdayNames[index]
                font.pixelSize: Theme.secondarySize
                Accessible.name: text
                Accessible.checkable: true
                Accessible.checked: chosen
                onClicked: editor.toggleWeekday(day, !chosen)
            }
        }
    }

    RowLayout {
        visible: editor.rule.length > 0
        spacing: 4
        Item { Layout.preferredWidth: 110 }
        Image {
            Layout.preferredWidth: 14
            Layout.preferredHeight: 14
            sourceSize: Qt.size(28, 28)
            source: Theme.icon("repeat", Theme.secondaryText)
        }
        Label {
            objectName: "repetitionPreview"
            Layout.fillWidth: true
            text: qsTr("Next: %1").arg(editor.previewText())
            elide: Text.ElideRight
            color: Theme.secondaryText
        }
    }
}
