import QtQuick 2.15
import QtQuick.Controls 2.15
import QtQuick.Layouts 1.15
import "../Components"
import "../Editor"

// The full editor of one task, new or existing: name, project, dates,
// repetition and status; context and favorite; reminders; memo. It keeps a
// working copy of the record, applies the editor rules to it as the user
// goes, and writes it only on save.
Popup {
    id: editor
    objectName: "taskEditor"

    property bool isNew: true
    property var original: ({})
    property var record: blankRecord()
    property string repeatKind
    property int repeatInterval: 1
    property var repeatWeekdays: []
    property bool favorite: false
    property var startTypes: []
    property var dueTypes: []
    readonly property var window: ApplicationWindow.window

    readonly property bool singleDay: repeatKind === "d" || repeatKind === "w"
    readonly property bool completed: record.STATE === COMPLETED_OBJECT_STATE
    readonly property bool hasDates: validDate(record.START) || validDate(record.DUE)
    readonly property var offeredStart: TaskEditorRules.offeredReminderTypes(record.START)
    readonly property var offeredDue: TaskEditorRules.offeredReminderTypes(record.DUE)
    property alias currentTab: tabs.currentIndex

    // --- Opening

    function noDate() { return new Date(NaN) }
    function validDate(value) { return value instanceof Date && !isNaN(value.getTime()) }
    function blankRecord() {
        return { "NAME": "", "PARENT": "", "CONTEXT": "", "START": noDate(), "DUE": noDate(),
                 "PERIOD": "", "STATE": DEFAULT_OBJECT_STATE, "MEMO": "" }
    }
    // defaults: PARENT, CONTEXT, START, DUE, MEMO of the new task, and
    // FAVORITE for one that starts as a favorite.
    function openNew(defaults) {
        var initial = defaults || ({})
        var fresh = blankRecord()
        fresh.PARENT = initial.PARENT || PredefinedDataHelper.quorvelBoxId
        fresh.CONTEXT = initial.CONTEXT || ""
        fresh.START = validDate(initial.START) ? initial.START : noDate()
        fresh.DUE = validDate(initial.DUE) ? initial.DUE : noDate()
        fresh.MEMO = initial.MEMO || ""
        isNew = true
        original = ({})
        record = fresh
        favorite = initial.FAVORITE === true
        startTypes = []
        dueTypes = []
        readRepetition("")
        show()
    }
    function openEdit(task) {
        var stored = Object.assign({}, TaskEditorRules.editedTask(task))
        if (!validDate(stored.START))
            stored.START = noDate()
        if (!validDate(stored.DUE))
            stored.DUE = noDate()
        isNew = false
        original = stored
        record = stored
        favorite = TaskHandler.inFavorites(stored)
        startTypes = TaskEditorRules.chosenReminderTypes(stored, false)
        dueTypes = TaskEditorRules.chosenReminderTypes(stored, true)
        readRepetition(stored.PERIOD || "")
        show()
    }
    function show() {
        tabs.currentIndex = 0
        nameField.text = record.NAME || ""
        memoField.text = record.MEMO || ""
        open()
        nameField.forceActiveFocus()
        nameField.selectAll()
    }

    // --- Changes of the working copy

    function changed(fields) {
        var next = Object.assign({}, record)
        for (var key in fields)
            next[key] = fields[key]
        record = next
    }
    function readRepetition(rule) {
        var parsed = TaskEditorRules.parsedRepetitionRule(rule)
        repeatKind = parsed.kind
        repeatInterval = parsed.interval
        repeatWeekdays = parsed.weekdays
    }
    function writeRepetition() {
        changed({ "PERIOD": TaskEditorRules.repetitionRule(repeatKind, repeatInterval, repeatWeekdays) })
    }
    function dropRepetition(refusal) {
        repeatKind = ""
        repeatWeekdays = []
        writeRepetition()
        window.showMessage(refusal.title, refusal.text)
    }
    // A monthly repetition cannot keep a day the shorter months lack.
    function monthlyAllowed() {
        var refusal = TaskEditorRules.monthlyRepetitionRefusal(record.START, record.DUE)
        if (refusal.title === undefined)
            return true
        dropRepetition(refusal)
        return false
    }
    function chooseKind(kind) {
        var previous = repeatKind
        repeatKind = kind
        if (kind !== "w")
            repeatWeekdays = []
        if (kind !== "" && previous === "")
            record = TaskEditorRules.withRepetitionDates(record)
        if (kind === "m" && !monthlyAllowed())
            return
        writeRepetition()
        if (singleDay)
            record = TaskEditorRules.withSingleDay(record)
    }
    function chooseInterval(interval) {
        repeatInterval = TaskEditorRules.repeatInterval(interval)
        writeRepetition()
    }
    function chooseWeekdays(weekdays) {
        repeatWeekdays = weekdays
        writeRepetition()
    }
    // value: the date chosen, null when it was cleared.
    function setDate(isDue, value) {
        var date = validDate(value) ? value : noDate()
        record = TaskEditRules.withEditedDate(record, isDue, date)
        afterDateChange(date)
    }
    function afterDateChange(date) {
        // Clearing the due date ends the repetition.
        readRepetition(record.PERIOD || "")
        if (repeatKind === "m" && !monthlyAllowed())
            return
        if (repeatKind === "w" && repeatWeekdays.length > 0 && validDate(date)) {
            repeatWeekdays = TaskEditorRules.weekdaysKeptForDate(repeatWeekdays, date)
            writeRepetition()
        }
    }
    function pickDate(isDue) {
        var current = TaskEditRules.dateTimePopupValue(record, isDue)
        window.pickDate(current, isDue ? qsTr("Due date") : qsTr("Start date"), function(date) {
            editor.setDate(isDue, date)
        })
    }
    // The single date of a daily or weekly task: start and due stay on it
    // with their own times of day.
    function onDay(day, time) {
        return new Date(Date.UTC(day.getUTCFullYear(), day.getUTCMonth(), day.getUTCDate(),
                                 time.getUTCHours(), time.getUTCMinutes()))
    }
    function pickSingleDay() {
        window.pickDate(record.DUE, qsTr("Date"), function(date) {
            if (!editor.validDate(date)) {
                editor.setDate(true, null)
                return
            }
            var due = editor.onDay(date, editor.record.DUE)
            var start = editor.validDate(editor.record.START) ? editor.onDay(date, editor.record.START) : editor.noDate()
            editor.changed({ "START": start, "DUE": due })
            editor.afterDateChange(due)
        })
    }
    function setSingleDayTime(isDue, hours, minutes) {
        var day = record.DUE
        var time = new Date(Date.UTC(day.getUTCFullYear(), day.getUTCMonth(), day.getUTCDate(), hours, minutes))
        changed(isDue ? { "DUE": time } : { "START": time })
        record = TaskEditRules.withStartNotAfterDue(record)
    }
    function chooseProject() {
        window.pickProject(record.PARENT, function(project) { editor.changed({ "PARENT": project.ID }) })
    }
    function chooseContext() {
        window.pickContext(record.CONTEXT, function(context) { editor.changed({ "CONTEXT": context.ID || "" }) })
    }
    function projectName(projectId) { return window.projectDisplayName(projectId) }
    function contextName(contextId) {
        if (!contextId)
            return qsTr("No context")
        var chain = ContextHandler.getContextNameChain(contextId)
        return chain.length > 0 ? chain.join(" / ") : qsTr("No context")
    }

    // --- Saving

    function save() {
        window.closeDatePicker()
        var draft = TaskEditRules.withMemo(record, memoField.text)
        draft.NAME = nameField.text
        var prepared = TaskEditorRules.preparedForSave(draft)
        if (!prepared.accepted) {
            tabs.currentIndex = 0
            window.showMessage(prepared.errorTitle, prepared.errorText)
            return false
        }
        window.confirmPendingChange()
        var saved = prepared.record
        var chosenState = Number(saved.STATE || 0)
        var completes = TaskEditorRules.completesOnSave(isNew, Number(original.STATE || 0), chosenState)
        if (completes)
            saved.STATE = original.STATE
        var written = isNew ? TaskHandler.createTask(saved) : TaskHandler.updateTask(saved)
        if (!written) {
            window.showMessage(qsTr("Save Error"), qsTr("The task could not be saved. Please see the log for details."))
            return false
        }
        if (isNew)
            saved.ID = TaskHandler.lastCreatedTaskId()
        var favoriteChange = TaskEditorRules.favoriteChange(isNew, favorite, chosenState)
        var isFavorite = TaskHandler.inFavorites(saved)
        if (favoriteChange === "add" && !isFavorite)
            TaskHandler.addToFavorites(saved)
        else if (favoriteChange === "remove" && isFavorite)
            TaskHandler.removeFromFavorites(saved)
        TaskEditorRules.applyReminderChoice(saved, TaskEditorRules.keptReminderTypes(saved, false, startTypes),
                                            TaskEditorRules.keptReminderTypes(saved, true, dueTypes))
        if (!isNew && TaskEditRules.changesMoreThanDates(original, saved))
            window.switchCurrentListToManual()
        if (Settings.playActionSounds) {
            if (isNew)
                ActionSoundsHelper.playObjectCreationSound()
            else
                ActionSoundsHelper.playObjectEditSound()
        }
        close()
        if (completes)
            window.completeTask(saved)
        // The lists read the reminders and favorites, which changed after
        // the write that refreshed them.
        window.refreshPages()
        return true
    }

    parent: Overlay.overlay
    anchors.centerIn: parent
    width: Math.min(parent ? parent.width - 48 : 600, 600)
    height: Math.min(parent ? parent.height - 48 : 620, 620)
    modal: true
    focus: true
    padding: 0
    closePolicy: Popup.CloseOnEscape
    Overlay.modal: Rectangle { color: Theme.backdrop }

    background: Rectangle {
        radius: Theme.radius + 2
        color: Theme.surface
        border.color: Theme.line
    }

    contentItem: ColumnLayout {
        spacing: 0

        Label {
            objectName: "editorTitle"
            Layout.fillWidth: true
            Layout.leftMargin: Theme.pageMargin
            Layout.rightMargin: Theme.pageMargin
            Layout.topMargin: 20
            text: editor.isNew ? qsTr("New task") : qsTr("Edit")
            font.pixelSize: 16
            font.weight: Font.DemiBold
            color: Theme.text
        }
        TabBar {
            id: tabs
            objectName: "editorTabs"
            Layout.fillWidth: true
            Layout.leftMargin: Theme.pageMargin - 8
            Layout.rightMargin: Theme.pageMargin - 8
            Layout.topMargin: 8
            background: Item {}
            Repeater {
                model: [qsTr("General"), qsTr("Metadata"), qsTr("Reminders"), qsTr("Memo")]
                TabButton {
                    id: tabButton
                    objectName: "editorTab_" + index
                    text: modelData
                    width: implicitWidth
                    leftPadding: 12
                    rightPadding: 12
                    hoverEnabled: true
                    contentItem: Label {
                        text: tabButton.text
                        horizontalAlignment: Text.AlignHCenter
                        verticalAlignment: Text.AlignVCenter
                        elide: Text.ElideRight
                        font.weight: tabButton.checked ? Font.DemiBold : Font.Normal
                        color: tabButton.checked ? Theme.accent : Theme.secondaryText
                    }
                    background: Rectangle {
                        radius: Theme.radius
                        color: tabButton.hovered ? Theme.hover : "transparent"
                        Rectangle {
                            anchors.bottom: parent.bottom
                            width: parent.width
                            height: 2
                            visible: tabButton.checked
                            color: Theme.accent
                        }
                        Rectangle {
                            anchors.fill: parent
                            visible: tabButton.visualFocus
                            color: "transparent"
                            radius: Theme.radius
                            border.width: 2
                            border.color: Theme.accent
                        }
                    }
                }
            }
        }
        Rectangle {
            Layout.fillWidth: true
            height: 1
            color: Theme.line
        }

        StackLayout {
            Layout.fillWidth: true
            Layout.fillHeight: true
            Layout.margins: Theme.pageMargin
            clip: true
            currentIndex: tabs.currentIndex

            // General: name, project, dates, repetition, status.
            ScrollView {
                id: generalPage
                clip: true
                contentWidth: availableWidth
                ColumnLayout {
                    width: generalPage.availableWidth
                    height: Math.max(implicitHeight, generalPage.availableHeight)
                    spacing: 12
                    ColumnLayout {
                        Layout.fillWidth: true
                        spacing: 4
                        Label {
                            text: qsTr("Task name")
                            color: Theme.secondaryText
                        }
                        TextField {
                            id: nameField
                            objectName: "editorName"
                            Layout.fillWidth: true
                            placeholderText: qsTr("Enter task name")
                            maximumLength: 500
                            selectByMouse: true
                            Accessible.name: qsTr("Task name")
                            // Taken here: passed on, the key would reach the
                            // window's Enter once the editor has closed.
                            Keys.onReturnPressed: {
                                event.accepted = true
                                editor.save()
                            }
                            Keys.onEnterPressed: {
                                event.accepted = true
                                editor.save()
                            }
                        }
                    }
                    RowLayout {
                        spacing: 4
                        Label {
                            Layout.preferredWidth: 110
                            text: qsTr("Project")
                            color: Theme.secondaryText
                        }
                        Button {
                            objectName: "editorProject"
                            Layout.fillWidth: true
                            flat: true
                            Accessible.name: qsTr("Project")
                            onClicked: editor.chooseProject()
                            contentItem: RowLayout {
                                spacing: 6
                                Image {
                                    Layout.preferredWidth: 16
                                    Layout.preferredHeight: 16
                                    sourceSize: Qt.size(32, 32)
                                    source: Theme.icon(editor.record.PARENT === PredefinedDataHelper.quorvelBoxId
                                                       ? "inbox" : "project", Theme.secondaryText)
                                }
                                Label {
                                    Layout.fillWidth: true
                                    text: editor.projectName(editor.record.PARENT)
                                    elide: Text.ElideRight
                                    color: Theme.text
                                }
                            }
                        }
                    }
                    DateField {
                        Layout.fillWidth: true
                        visible: !editor.singleDay
                        label: qsTr("Start date")
                        fieldName: "editorStart"
                        value: editor.record.START
                        onPickRequested: editor.pickDate(false)
                        onCleared: editor.setDate(false, null)
                    }
                    DateField {
                        Layout.fillWidth: true
                        visible: !editor.singleDay
                        label: qsTr("Due date")
                        fieldName: "editorDue"
                        value: editor.record.DUE
                        onPickRequested: editor.pickDate(true)
                        onCleared: editor.setDate(true, null)
                    }
                    // Daily and weekly tasks are done within one day.
                    ColumnLayout {
                        Layout.fillWidth: true
                        visible: editor.singleDay
                        spacing: 4
                        DateField {
                            Layout.fillWidth: true
                            label: qsTr("Date")
                            dateOnly: true
                            fieldName: "editorSingleDay"
                            value: editor.record.DUE
                            onPickRequested: editor.pickSingleDay()
                            onCleared: editor.setDate(true, null)
                        }
                        RowLayout {
                            spacing: Theme.spacing
                            Item { Layout.preferredWidth: 106 }
                            Label { text: qsTr("from"); color: Theme.secondaryText }
                            TimeField {
                                objectName: "editorStartTime"
                                hours: editor.validDate(editor.record.START) ? editor.record.START.getUTCHours() : 0
                                minutes: editor.validDate(editor.record.START) ? editor.record.START.getUTCMinutes() : 0
                                Accessible.name: qsTr("Start time")
                                onTimeEdited: editor.setSingleDayTime(false, hours, minutes)
                            }
                            Label { text: qsTr("to"); color: Theme.secondaryText }
                            TimeField {
                                objectName: "editorDueTime"
                                hours: editor.validDate(editor.record.DUE) ? editor.record.DUE.getUTCHours() : 0
                                minutes: editor.validDate(editor.record.DUE) ? editor.record.DUE.getUTCMinutes() : 0
                                Accessible.name: qsTr("Due time")
                                onTimeEdited: editor.setSingleDayTime(true, hours, minutes)
                            }
                        }
                    }
                    RepetitionEditor {
                        Layout.fillWidth: true
                        kind: editor.repeatKind
                        interval: editor.repeatInterval
                        weekdays: editor.repeatWeekdays
                        start: editor.record.START
                        due: editor.record.DUE
                        onKindChosen: editor.chooseKind(kind)
                        onIntervalChosen: editor.chooseInterval(interval)
                        onWeekdaysChosen: editor.chooseWeekdays(weekdays)
                    }
                    RowLayout {
                        spacing: 4
                        Label {
                            Layout.preferredWidth: 110
                            text: qsTr("Status")
                            color: Theme.secondaryText
                        }
                        RadioButton {
                            objectName: "statusActive"
                            text: qsTr("Active")
                            checked: !editor.completed
                            onClicked: editor.changed({ "STATE": DEFAULT_OBJECT_STATE })
                        }
                        RadioButton {
                            objectName: "statusComplete"
                            text: qsTr("Complete")
                            checked: editor.completed
                            onClicked: editor.changed({ "STATE": COMPLETED_OBJECT_STATE })
                        }
                    }
                    Item { Layout.fillHeight: true }
                }
            }

            // Metadata: context and favorite.
            ScrollView {
                id: metadataPage
                clip: true
                contentWidth: availableWidth
                ColumnLayout {
                    width: metadataPage.availableWidth
                    height: Math.max(implicitHeight, metadataPage.availableHeight)
                    spacing: 12
                    RowLayout {
                        spacing: 4
                        Label {
                            Layout.preferredWidth: 110
                            text: qsTr("Context")
                            color: Theme.secondaryText
                        }
                        Button {
                            objectName: "editorContext"
                            Layout.fillWidth: true
                            flat: true
                            Accessible.name: qsTr("Context")
                            onClicked: editor.chooseContext()
                            contentItem: RowLayout {
                                spacing: 6
                                Image {
                                    Layout.preferredWidth: 16
                                    Layout.preferredHeight: 16
                                    sourceSize: Qt.size(32, 32)
                                    source: Theme.icon("context", Theme.secondaryText)
                                }
                                Label {
                                    Layout.fillWidth: true
                                    text: editor.contextName(editor.record.CONTEXT)
                                    elide: Text.ElideRight
                                    color: editor.record.CONTEXT ? Theme.text : Theme.secondaryText
                                }
                            }
                        }
                    }
                    Switch {
                        objectName: "favoriteSwitch"
                        visible: !editor.completed
                        text: qsTr("Favorite")
                        checked: editor.favorite
                        onToggled: editor.favorite = checked
                    }
                    Item { Layout.fillHeight: true }
                }
            }

            // Reminders: only the moments still ahead are offered.
            ScrollView {
                id: remindersPage
                clip: true
                contentWidth: availableWidth
                ColumnLayout {
                    width: remindersPage.availableWidth
                    height: Math.max(implicitHeight, remindersPage.availableHeight)
                    spacing: Theme.groupSpacing
                    RowLayout {
                        Layout.fillWidth: true
                        visible: editor.offeredStart.length > 0 || editor.offeredDue.length > 0
                        spacing: Theme.pageMargin
                        ReminderChoices {
                            Layout.fillWidth: true
                            Layout.preferredWidth: 1
                            Layout.alignment: Qt.AlignTop
                            title: qsTr("Remind before start")
                            isStart: true
                            offered: editor.offeredStart
                            chosen: editor.startTypes
                            onChoiceEdited: editor.startTypes = types
                        }
                        ReminderChoices {
                            Layout.fillWidth: true
                            Layout.preferredWidth: 1
                            Layout.alignment: Qt.AlignTop
                            title: qsTr("Remind before deadline")
                            isStart: false
                            offered: editor.offeredDue
                            chosen: editor.dueTypes
                            onChoiceEdited: editor.dueTypes = types
                        }
                    }
                    ColumnLayout {
                        Layout.fillWidth: true
                        Layout.fillHeight: true
                        visible: editor.offeredStart.length === 0 && editor.offeredDue.length === 0
                        spacing: 12
                        Item { Layout.fillHeight: true }
                        Image {
                            Layout.alignment: Qt.AlignHCenter
                            Layout.preferredWidth: 48
                            Layout.preferredHeight: 48
                            sourceSize: Qt.size(96, 96)
                            source: Theme.icon("bell", Theme.line)
                        }
                        Label {
                            objectName: "reminderTabNotice"
                            Layout.fillWidth: true
                            horizontalAlignment: Text.AlignHCenter
                            wrapMode: Text.WordWrap
                            text: editor.hasDates
                                  ? qsTr("Task has already started or overdue.\nPlease adjust its dates to add a reminder")
                                  : qsTr("To add a reminder for this task please add\na start or due date first")
                            color: Theme.secondaryText
                        }
                        Button {
                            objectName: "setupDatesButton"
                            Layout.alignment: Qt.AlignHCenter
                            text: qsTr("Setup dates")
                            onClicked: tabs.currentIndex = 0
                        }
                        Item { Layout.fillHeight: true }
                    }
                    Item {
                        Layout.fillHeight: true
                        visible: editor.offeredStart.length > 0 || editor.offeredDue.length > 0
                    }
                }
            }

            // Memo.
            ScrollView {
                clip: true
                TextArea {
                    id: memoField
                    objectName: "memoField"
                    wrapMode: TextEdit.Wrap
                    selectByMouse: true
                    placeholderText: qsTr("Notes, links, details")
                    Accessible.name: qsTr("Memo")
                    background: Rectangle {
                        radius: Theme.radius
                        color: Theme.raisedSurface
                        border.color: memoField.activeFocus ? Theme.accent : Theme.line
                    }
                }
            }
        }

        Rectangle {
            Layout.fillWidth: true
            height: 1
            color: Theme.line
        }
        RowLayout {
            Layout.fillWidth: true
            Layout.margins: 12
            Layout.leftMargin: Theme.pageMargin
            Layout.rightMargin: Theme.pageMargin
            spacing: Theme.spacing
            Item { Layout.fillWidth: true }
            Button {
                objectName: "editorCancel"
                text: qsTr("Cancel")
                flat: true
                onClicked: editor.close()
            }
            Button {
                objectName: "editorSave"
                text: qsTr("Save")
                highlighted: true
                onClicked: editor.save()
            }
        }
    }
}
