import QtQuick 2.15
import QtQuick.Controls 2.15
import QtQuick.Layouts 1.15
import Qt.labs.platform 1.1 as Platform
import com.velmora.common 1.0
import com.velmora.helpers 1.0
import "../Components"

// The plan of one day beside a month calendar: what is due that day, what
// could also be done, and what is done. Dates of the calendar and of the
// page are calendar dates carried as UTC midnights, like the records' dates.
Item {
    id: page
    objectName: "dailyPlanPage"

    readonly property string pageName: "dppage"
    property var day: null
    readonly property string listId: day ? dayText(day, "") : ""
    readonly property int listType: SortingEnums.ListTypeDailyPlan
    readonly property string sectionHeader: day ? qsTr("Due") + " " + dayText(day, ".") : ""
    readonly property int exportType: EXPORT_DAILY_PLAN
    readonly property var window: ApplicationWindow.window
    property Item dayView: null
    readonly property var list: dayView ? dayView.list : null
    readonly property bool editing: list !== null && list.currentItem !== null && list.currentItem.editingName === true
    readonly property bool isToday: day !== null && sameDay(day, todayUtc())
    readonly property bool calendarShown: Settings.showCalendarOnDailyPlanPage && !editing

    // Folded sections, by dailyPlanRole; they stay folded from day to day.
    property var collapsed: [false, false, false, false, false]
    // Calendar markers by dayText(date, ""): 1 busy, 2 overdue, 3 repeated.
    property var indicators: ({})
    property var pendingIndicators: ({})
    property int indicatorRound: 0
    // The days visited ("dd.MM.yyyy"), for the tool bar's back and forward.
    property PageHistory history: PageHistory {}
    // Where the user came from when a jump from a task brought them here.
    property string historyItem
    // The day shown, for the history items of jumps from its tasks.
    readonly property var shownDay: day ? localDate(day) : null

    // --- Dates

    function todayUtc() {
        var now = new Date()
        return new Date(Date.UTC(now.getFullYear(), now.getMonth(), now.getDate()))
    }
    function addDays(date, days) {
        return new Date(Date.UTC(date.getUTCFullYear(), date.getUTCMonth(), date.getUTCDate() + days))
    }
    function sameDay(a, b) {
        return a && b && a.getUTCFullYear() === b.getUTCFullYear() && a.getUTCMonth() === b.getUTCMonth()
            && a.getUTCDate() === b.getUTCDate()
    }
    function validDate(value) { return value instanceof Date && !isNaN(value.getTime()) }
    // The same calendar date at local midnight: the form a QDate argument
    // and the locale's date texts read.
    function localDate(date) {
        return new Date(date.getUTCFullYear(), date.getUTCMonth(), date.getUTCDate())
    }
    function twoDigits(value) { return (value < 10 ? "0" : "") + value }
    // "ddMMyyyy" with the separator between the parts.
    function dayText(date, separator) {
        return twoDigits(date.getUTCDate()) + separator + twoDigits(date.getUTCMonth() + 1) + separator
            + date.getUTCFullYear()
    }
    function dayTitle(date, language) {
        if (!date)
            return ""
        if (language === "ru")
            return localDate(date).toLocaleDateString(Qt.locale("ru_RU"), "d MMMM, dddd")
        return localDate(date).toLocaleDateString(Qt.locale("en_US"), "MMMM d, dddd")
    }
    function relativeDayText(date) {
        if (!date)
            return ""
        var today = todayUtc()
        if (sameDay(date, today))
            return qsTr("Today")
        if (sameDay(date, addDays(today, 1)))
            return qsTr("Tomorrow")
        if (sameDay(date, addDays(today, -1)))
            return qsTr("Yesterday")
        return ""
    }

    // --- Loading days

    // A new list for the day replaces the old one, which goes a second
    // later, once nothing that it started is still running.
    function loadDay(date, remember) {
        if (dayView && sameDay(date, day)) {
            grid.showMonthOf(date)
            return
        }
        day = date
        grid.showMonthOf(date)
        var old = dayView
        dayView = dayComponent.createObject(listArea, { "day": date })
        if (old) {
            old.visible = false
            old.enabled = false
            old.destroy(1000)
        }
        if (remember)
            history.push(dayText(date, "."))
    }
    function chooseDay(date) {
        if (!sameDay(date, day))
            loadDay(date, true)
    }
    // "Today" and "Tomorrow" only bring the calendar to the day's month
    // when that day is already shown.
    function chooseQuickDay(date) {
        if (sameDay(date, day))
            grid.showMonthOf(date)
        else
            loadDay(date, true)
    }
    function dayOfEntry(entry) {
        var parts = entry.split(".")
        return new Date(Date.UTC(parseInt(parts[2], 10), parseInt(parts[1], 10) - 1, parseInt(parts[0], 10)))
    }
    function goBack() {
        if (history.canGoBack)
            loadDay(dayOfEntry(history.back()), false)
    }
    function goForward() {
        if (history.canGoForward)
            loadDay(dayOfEntry(history.forward()), false)
    }
    // A calendar date handed over by the native side (a QDate), which may
    // arrive as local or as UTC midnight.
    function showDay(date) {
        if (!validDate(date))
            return
        var local = date.getHours() === 0 && date.getMinutes() === 0
        loadDay(local ? new Date(Date.UTC(date.getFullYear(), date.getMonth(), date.getDate()))
                      : new Date(Date.UTC(date.getUTCFullYear(), date.getUTCMonth(), date.getUTCDate())), true)
    }

    // --- Calendar markers, asked for the visible weeks as they change

    function requestIndicators() {
        // The handler answers every pending request for the same moment with
        // the first answer that comes, which was computed before the later
        // changes; each round therefore asks for moments of its own (the day
        // stays the same, only the milliseconds differ).
        indicatorRound = (indicatorRound + 1) % 1000
        var first = grid.firstShown
        for (var i = 0; i < 42; ++i)
            requestIndicator(addDays(first, i), indicatorRound)
    }
    function requestIndicator(date, round) {
        var key = dayText(date, "")
        var moment = new Date(date.getUTCFullYear(), date.getUTCMonth(), date.getUTCDate(), 0, 0, 0, round)
        TaskHandler.requestIndicatorStateForDate(moment, function(state) {
            // An answer may come after the page has gone.
            if (typeof page === "undefined" || !page)
                return
            page.pendingIndicators[key] = state.hasOverdueTasks ? 2
                                         : (state.hasActiveObjects ? 1 : (state.hasRepeatedTasks ? 3 : 0))
            Qt.callLater(page.flushIndicators)
        })
    }
    // The answers come one by one; the calendar is repainted once for all.
    function flushIndicators() {
        indicators = Object.assign({}, indicators, pendingIndicators)
        pendingIndicators = ({})
    }
    function markerFor(date) {
        var marker = indicators[dayText(date, "")]
        return marker === undefined ? 0 : marker
    }
    function calendarDateAt(windowX, windowY) {
        return calendarPanel.visible ? grid.dateAt(windowX, windowY) : null
    }

    // --- What the window asks of its pages

    function refresh() {
        if (list) {
            list.refreshChains()
            list.model.update()
        }
        requestIndicators()
    }
    function resort() {
        if (list)
            list.model.sort()
    }
    function addAction() { addMenu.popup() }
    function addTask() {
        window.showNewTaskPopup({ "PARENT": PredefinedDataHelper.oneStepActionsId,
                                  "DUE": TaskEditorRules.defaultDueOnDay(localDate(day)) })
    }
    function addProject() {
        window.showNewProjectPopup({ "DUE": TaskEditorRules.defaultDueOnDay(localDate(day)) })
    }
    function printableObjects() { return list ? list.model.getObjectList() : [] }
    function exportToPdf() {
        exportDialog.currentFile = folderUrl(Settings.pdfExportPath) + "/"
            + PdfExportHelper.defaultDailyPlanFileName(localDate(day))
        exportDialog.open()
    }
    function folderUrl(path) {
        return "file://" + (path.charAt(0) === "/" ? "" : "/") + path
    }
    // The folder chosen is kept for the next export.
    function exportTo(fileUrl) {
        var path = decodeURIComponent(String(fileUrl).replace(/^file:\/\//, ""))
        var slash = path.lastIndexOf("/")
        if (slash < 0 || !list)
            return
        Settings.pdfExportPath = path.substring(0, slash) || "/"
        PdfExportHelper.generateDailyPlanDocument(path.substring(slash + 1), localDate(day),
                                                  list.model.getObjectList())
    }
    function discard() { return list ? list.discard() : false }
    function confirm() {
        var record = list ? list.taskAt(list.currentIndex) : null
        if (record && record.PERIOD !== undefined)
            window.showTaskEditor(record)
    }
    function selectAll() { if (list) list.selectAll() }
    // Tasks only: what the window's delete, cut and copy work on.
    function selectedObjects() {
        var tasks = []
        var selected = list ? list.selectedTasks() : []
        for (var i = 0; i < selected.length; ++i) {
            if (selected[i].PERIOD !== undefined)
                tasks.push(selected[i])
        }
        return tasks
    }
    function toggleTree() { Settings.showCalendarOnDailyPlanPage = !Settings.showCalendarOnDailyPlanPage }
    // Brings the day of date (else the task's due, else its start) and
    // selects the task; onlySelect false also opens its editor.
    function selectTask(task, onlySelect, date) {
        if (!task)
            return false
        var target = validDate(date) ? date : (validDate(task.DUE) ? task.DUE : (validDate(task.START) ? task.START : null))
        if (target) {
            var wallClock = Helper.toUtcDateTime(target)
            loadDay(new Date(Date.UTC(wallClock.getFullYear(), wallClock.getMonth(), wallClock.getDate())), true)
        }
        var found = list ? list.selectTaskById(task.ID) : false
        if (onlySelect === false)
            window.showTaskEditor(task)
        return found
    }
    function paste() {
        window.applyPasteResult(TaskPasteRules.pasteIntoDay(Clipboard.object, Clipboard.extraInfo, localDate(day)))
    }
    function toggleSection(planSection) {
        var folded = collapsed.slice()
        folded[planSection] = !folded[planSection]
        collapsed = folded
    }
    function moveToDay(record, date) {
        if (sameDay(date, day))
            return
        var moved = TaskEditRules.droppedOnDay(record, localDate(date))
        TaskEditRules.moveRemindersToNewDates(record, moved)
        TaskHandler.updateTask(moved)
    }
    function moveIntoDay(record) {
        var moved = TaskEditRules.droppedOnDay(record, localDate(day))
        if (record.PERIOD === undefined) {
            ProjectHandler.updateProject(moved)
            return
        }
        TaskEditRules.moveRemindersToNewDates(record, moved)
        TaskHandler.updateTask(moved)
    }
    function openProject(project) {
        if (project.STATE === COMPLETED_OBJECT_STATE || project.ID === PredefinedDataHelper.oneStepActionsId)
            return
        // Back then returns to this day.
        var historyItem = "dppage" + dayText(day, ".") + "_" + project.ID
        if (typeof window.openProject === "function")
            window.openProject(project, historyItem)
        else if (typeof window.openSectionFrom === "function")
            window.openSectionFrom(2, historyItem)
        else
            window.openSection(2)
    }

    Component.onCompleted: {
        loadDay(todayUtc(), true)
        requestIndicators()
    }

    Connections {
        target: grid
        function onYearChanged() { Qt.callLater(page.requestIndicators) }
        function onMonthChanged() { Qt.callLater(page.requestIndicators) }
    }

    RowLayout {
        anchors.fill: parent
        spacing: 0

        Rectangle {
            id: calendarPanel
            objectName: "dailyPlanCalendar"
            Layout.fillHeight: true
            Layout.preferredWidth: 272
            visible: page.calendarShown
            color: Theme.windowBackground

            ColumnLayout {
                anchors.fill: parent
                anchors.margins: Theme.groupSpacing
                anchors.topMargin: 20
                spacing: Theme.groupSpacing

                MonthGrid {
                    id: grid
                    objectName: "dailyPlanMonth"
                    Layout.alignment: Qt.AlignHCenter
                    selectedDate: page.day
                    markerFor: page.markerFor
                    highlightedDate: page.list ? page.list.hoveredDay : null
                    onDayClicked: page.chooseDay(date)
                }
                RowLayout {
                    Layout.fillWidth: true
                    spacing: Theme.spacing
                    Button {
                        objectName: "todayButton"
                        Layout.fillWidth: true
                        text: qsTr("Today")
                        highlighted: page.isToday
                        onClicked: page.chooseQuickDay(page.todayUtc())
                    }
                    Button {
                        objectName: "tomorrowButton"
                        Layout.fillWidth: true
                        text: qsTr("Tomorrow")
                        highlighted: page.day !== null && page.sameDay(page.day, page.addDays(page.todayUtc(), 1))
                        onClicked: page.chooseQuickDay(page.addDays(page.todayUtc(), 1))
                    }
                }
                Item { Layout.fillHeight: true }
            }
            Rectangle {
                anchors.right: parent.right
                width: 1
                height: parent.height
                color: Theme.line
            }
        }

        ColumnLayout {
            Layout.fillWidth: true
            Layout.fillHeight: true
            spacing: 0

            RowLayout {
                Layout.fillWidth: true
                Layout.preferredHeight: 64
                Layout.leftMargin: Theme.pageMargin
                Layout.rightMargin: Theme.pageMargin - 8
                spacing: Theme.spacing

                ColumnLayout {
                    Layout.fillWidth: true
                    spacing: 2
                    Label {
                        objectName: "pageTitle"
                        Layout.fillWidth: true
                        text: page.dayTitle(page.day, Settings.applicationLanguage)
                        elide: Text.ElideRight
                        font.pixelSize: Theme.pageTitleSize
                        font.weight: Font.DemiBold
                        color: Theme.text
                    }
                    // Always there, so that the title does not jump from day to day.
                    Label {
                        objectName: "pageSubtitle"
                        Layout.fillWidth: true
                        text: page.relativeDayText(page.day)
                        font.pixelSize: Theme.secondarySize
                        color: page.isToday ? Theme.accent : Theme.secondaryText
                    }
                }
                IconButton {
                    objectName: "calendarToggle"
                    iconName: "calendar"
                    iconColor: Settings.showCalendarOnDailyPlanPage ? Theme.accent : Theme.secondaryText
                    toolTipText: Settings.showCalendarOnDailyPlanPage ? qsTr("Hide calendar") : qsTr("Show calendar")
                    onClicked: page.toggleTree()
                }
                IconButton {
                    id: menuButton
                    objectName: "listMenuButton"
                    iconName: "more"
                    toolTipText: qsTr("List options")
                    onClicked: page.window.showListMenu(page, menuButton)
                }
            }

            Item {
                id: listArea
                objectName: "dailyPlanListArea"
                Layout.fillWidth: true
                Layout.fillHeight: true
            }
        }
    }

    Component {
        id: dayComponent

        Item {
            id: dayItem

            property var day
            property alias list: dayList

            anchors.fill: parent

            DayPlanListView {
                id: dayList
                objectName: "dailyPlanList"
                anchors.fill: parent
                collapsed: page.collapsed
                dayAt: page.calendarDateAt
                onSectionToggled: page.toggleSection(section)
                onDroppedOnDay: page.moveToDay(record, day)
                onDroppedIntoDay: page.moveIntoDay(record)
                onTaskDoubleClicked: page.window.showTaskEditor(task)
                onProjectDoubleClicked: page.openProject(project)
            }
            Placeholder {
                objectName: "dailyPlanPlaceholder"
                anchors.fill: parent
                visible: !!dayList.model && dayList.count === 0
                iconName: "calendar"
                title: page.isToday ? qsTr("Here you will find your daily task lists")
                                    : qsTr("No tasks for this day yet")
                hint: page.isToday ? qsTr("Press + to add a task for Today")
                                   : qsTr("Press + to add a task to this date")
            }
            // Something is there, but nothing to do: a quiet line says how
            // to go on.
            Label {
                objectName: "nothingActiveHint"
                anchors.bottom: parent.bottom
                anchors.horizontalCenter: parent.horizontalCenter
                anchors.bottomMargin: Theme.pageMargin
                visible: !!dayList.model && dayList.count > 0 && dayList.model.activeObjectCount === 0
                text: qsTr("Press + to add a task to this date")
                color: Theme.secondaryText
            }

            // The model is made once, for the day the list was made for.
            Component.onCompleted: dayList.model = TaskHandler.getDayTasks(page.localDate(day))
            Component.onDestruction: {
                if (dayList.model)
                    dayList.model.requestDeletion()
            }
        }
    }

    Menu {
        id: addMenu
        objectName: "dayAddMenu"
        MenuItem {
            objectName: "dayAddTask"
            text: qsTr("Task")
            onTriggered: page.addTask()
        }
        MenuItem {
            objectName: "dayAddProject"
            text: qsTr("Project")
            enabled: typeof page.window.showNewProjectPopup === "function"
            onTriggered: page.addProject()
        }
    }

    Platform.FileDialog {
        id: exportDialog
        title: qsTr("Export to PDF")
        fileMode: Platform.FileDialog.SaveFile
        defaultSuffix: "pdf"
        nameFilters: [qsTr("PDF files (*.pdf)")]
        onAccepted: page.exportTo(file)
    }
}
