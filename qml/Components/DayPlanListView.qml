import QtQuick 2.15
import QtQuick.Controls 2.15
import "."
import "../Delegates"

// The list of one day of the daily plan: its five sections (what is due,
// projects due, what is also available, projects also available, what is
// done), each of which folds; tasks and projects in their own rows; and the
// plan's drag rules, within the list and onto a day of the calendar. What a
// drop may do is decided by TaskEditRules; the page writes it.
TaskListView {
    id: list

    // Which sections are folded, by dailyPlanRole.
    property var collapsed: [false, false, false, false, false]
    // (windowX, windowY) -> the calendar date under that point, or null.
    property var dayAt: null
    // The calendar day a dragged row would be dropped on.
    property var hoveredDay: null

    signal sectionToggled(int section)
    signal droppedOnDay(var record, var day)
    signal droppedIntoDay(var record)
    signal projectDoubleClicked(var project)

    // Qt.UserRole + 2: the day plan's section of a row.
    readonly property int sectionRole: 258

    section.property: "dailyPlanRole"
    section.criteria: ViewSection.FullString
    section.delegate: SectionHeader {
        readonly property int planSection: Number(section)
        objectName: "planSection_" + section
        width: list.width
        title: list.sectionTitle(planSection)
        collapsed: list.collapsed[planSection] === true
        onToggled: list.sectionToggled(planSection)
    }

    function sectionTitle(planSection) {
        if (!model)
            return ""
        switch (planSection) {
        case 0: return qsTr("%n task(s)", "", model.activeTaskCount)
        case 1: return qsTr("%n project(s)", "", model.activeProjectCount)
        case 2: return qsTr("Also available: %n task(s)", "", model.alsoAvailableTaskCount)
        case 3: return qsTr("Also available: %n project(s)", "", model.alsoAvailableProjectCount)
        default: return qsTr("Completed")
        }
    }
    function sectionAt(index) {
        if (index < 0 || index >= count)
            return -1
        var value = model.data(model.index(index, 0), sectionRole)
        return value === undefined ? -1 : Number(value)
    }
    function isAlsoAvailable(index) {
        var planSection = sectionAt(index)
        return planSection === 2 || planSection === 3
    }
    function rowClicked(index, mouse, row) {
        forceActiveFocus()
        if (mouse.modifiers & Qt.ControlModifier)
            toggleSelected(index)
        else if (mouse.modifiers & Qt.ShiftModifier)
            selectRange(index)
        else if (row.selected && selectionCount === 1 && index === currentIndex)
            row.startRenaming()
        else
            selectOnly(index)
    }

    // --- Dragging: within the day, and onto another day of the calendar.

    function containsWindowPoint(windowX, windowY) {
        var local = mapFromItem(null, windowX, windowY)
        return local.x >= 0 && local.x < width && local.y >= 0 && local.y < height
    }
    function acceptsDropAt(index) {
        var dragged = taskAt(dragFrom)
        var target = taskAt(index)
        return dragged !== null && target !== null && index !== dragFrom
                && TaskEditRules.rowAcceptsDrop(target, isAlsoAvailable(index), dragged, isAlsoAvailable(dragFrom))
    }
    function calendarDayAt(windowX, windowY) {
        return dayAt && windowX >= 0 ? dayAt(windowX, windowY) : null
    }
    function moveDayDrag(windowY, windowX) {
        if (dragFrom < 0)
            return
        window.dragOverSidePanel(windowX, windowY)
        var day = calendarDayAt(windowX, windowY)
        if (day) {
            hoveredDay = TaskEditRules.calendarAcceptsDrop(taskAt(dragFrom)) ? day : null
            dropTarget = -1
            return
        }
        hoveredDay = null
        var index = containsWindowPoint(windowX, windowY) ? rowAtWindowY(windowY) : -1
        dropTarget = acceptsDropAt(index) ? index : -1
    }
    function finishDayDrag(windowY, windowX) {
        var from = dragFrom
        var dragged = taskAt(from)
        var day = calendarDayAt(windowX, windowY)
        var to = windowY >= 0 && containsWindowPoint(windowX, windowY) ? rowAtWindowY(windowY) : -1
        var accepted = !day && acceptsDropAt(to)
        var intoDay = accepted && TaskEditRules.dropMovesToDay(isAlsoAvailable(to), isAlsoAvailable(from))
        dragFrom = -1
        dropTarget = -1
        hoveredDay = null
        window.setWheelRedirect(null)
        if (!dragged || window.dropOnSidePanel(dragged, windowX, windowY))
            return
        if (day) {
            if (TaskEditRules.calendarAcceptsDrop(dragged))
                droppedOnDay(dragged, day)
            return
        }
        if (!accepted)
            return
        if (intoDay) {
            droppedIntoDay(dragged)
            return
        }
        model.moveItem(from, to)
        selectTaskById(dragged.ID)
    }

    delegate: Item {
        id: slot

        readonly property var record: listItemRole || ({})
        // A delegate that outlives a reset of the model briefly reads no role.
        readonly property int planSection: dailyPlanRole !== undefined ? dailyPlanRole : -1
        readonly property bool isTask: record.PERIOD !== undefined
        readonly property bool shown: list.collapsed[planSection] !== true
        readonly property bool selected: list.selectedIds[record.ID] === true
        readonly property bool editingName: loader.item ? loader.item.editingName === true : false

        function startRenaming() { if (loader.item) loader.item.startRenaming() }
        function discardRenaming() { if (loader.item) loader.item.discardRenaming() }

        width: list.width
        height: shown && loader.item ? loader.item.height : 0
        visible: shown
        opacity: index === list.dragFrom ? 0.5 : 1

        Loader {
            id: loader
            width: parent.width
            sourceComponent: slot.isTask ? taskRow : projectRow
        }
        Rectangle {
            visible: list.dragFrom >= 0 && index === list.dropTarget && index !== list.dragFrom
            anchors.left: parent.left
            anchors.right: parent.right
            y: list.dropTarget > list.dragFrom ? parent.height - 2 : 0
            height: 2
            color: Theme.accent
        }

        Component {
            id: taskRow
            TaskRow {
                id: taskItem
                task: slot.record
                selected: slot.selected
                current: index === list.currentIndex
                favorite: list.window ? list.window.isFavoriteTask(slot.record.ID) : false
                projectChain: list.projectChain(slot.record.PARENT)
                contextChain: list.contextChain(slot.record.CONTEXT)
                hasReminders: TaskEditorRules.hasReminderMark(slot.record)
                onClicked: list.rowClicked(index, mouse, taskItem)
                onDoubleClicked: list.taskDoubleClicked(slot.record)
                onDragStarted: list.startDrag(index)
                onDragMoved: list.moveDayDrag(windowY, windowX)
                onDragFinished: list.finishDayDrag(windowY, windowX)
                onCompletionToggled: {
                    if (completed) {
                        list.window.uncompleteTask(slot.record)
                    } else {
                        if (selected)
                            list.clearSelection()
                        list.window.completeTask(slot.record)
                    }
                }
                onRenamed: list.window.renameTask(slot.record, name)
                onDateClicked: list.window.editTaskDate(slot.record, field)
                onProjectClicked: list.window.pickTaskProject(slot.record)
                onContextClicked: list.window.pickTaskContext(slot.record)
                onFavoriteToggled: list.window.toggleTaskFavorite(slot.record)
                onContextMenuRequested: {
                    if (!selected)
                        list.selectOnly(index)
                    list.window.showTaskMenu(list, slot.record, taskItem, x, y)
                }
            }
        }
        Component {
            id: projectRow
            ProjectRow {
                id: projectItem
                project: slot.record
                selected: slot.selected
                folderChain: list.projectChain(slot.record.PARENT)
                contextChain: list.contextChain(slot.record.CONTEXT)
                taskCount: TaskHandler.getProjectTaskCount(slot.record.ID)
                onClicked: list.rowClicked(index, mouse, projectItem)
                onDoubleClicked: list.projectDoubleClicked(slot.record)
                onDragStarted: list.startDrag(index)
                onDragMoved: list.moveDayDrag(windowY, windowX)
                onDragFinished: list.finishDayDrag(windowY, windowX)
                onCompletionToggled: {
                    if (completed) {
                        ProjectHandler.updateProject(TaskEditRules.uncompleted(slot.record))
                    } else {
                        if (selected)
                            list.clearSelection()
                        list.window.completeTask(slot.record)
                    }
                }
            }
        }
    }
}
