import QtQuick 2.15
import QtQuick.Controls 2.15
import "."
import "../Delegates"

// The list of tasks shared by the pages: selection with Ctrl and Shift,
// keyboard moves, in-place edits and the row's context menu. What an edit
// does to the data is decided by the window's updater and the native rules.
ListView {
    id: list

    property bool inTrash: false
    property string hiddenProjectId
    property var selectedIds: ({})
    property int selectionCount: 0
    property int anchorIndex: -1
    property string activeCountText
    // Cached name chains; cleared when the data changes.
    property var projectChains: ({})
    property var contextChains: ({})
    readonly property var window: ApplicationWindow.window

    property int dragFrom: -1
    property int dropTarget: -1

    signal taskDoubleClicked(var task)

    clip: true
    focus: true
    keyNavigationEnabled: false
    boundsBehavior: Flickable.StopAtBounds
    reuseItems: true
    currentIndex: -1
    ScrollBar.vertical: ScrollBar { policy: ScrollBar.AsNeeded }

    section.property: "stateRole"
    section.criteria: ViewSection.FullString
    // The view shows every section item itself, so an empty header folds
    // to no height instead of hiding.
    section.delegate: SectionHeader {
        width: list.width
        title: Number(section) === COMPLETED_OBJECT_STATE
               || Number(section) === COMPLETED_AND_DELETED_OBJECT_STATE ? qsTr("Completed") : list.activeCountText
        height: title.length > 0 ? 32 : 0
        clip: true
        enabled: height > 0
    }

    // The chains hold translated names of the predefined projects.
    Connections {
        target: Settings
        function onApplicationLanguageChanged() { Qt.callLater(list.refreshChains) }
    }

    function taskAt(index) {
        return index >= 0 && index < count ? model.getObjectByIndex(index) : null
    }
    function refreshChains() {
        projectChains = ({})
        contextChains = ({})
    }
    function projectChain(parentId) {
        if (!parentId || parentId === hiddenProjectId)
            return ""
        if (projectChains[parentId] === undefined) {
            if (parentId === PredefinedDataHelper.quorvelBoxId)
                projectChains[parentId] = qsTr("Quorvel Box")
            else if (parentId === PredefinedDataHelper.oneStepActionsId)
                projectChains[parentId] = qsTr("One Step Actions")
            else
                projectChains[parentId] = ProjectHandler.getProjectNameChain(parentId).join(" / ")
        }
        return projectChains[parentId]
    }
    function contextChain(contextId) {
        if (!contextId)
            return ""
        if (contextChains[contextId] === undefined)
            contextChains[contextId] = ContextHandler.getContextNameChain(contextId).join(" / ")
        return contextChains[contextId]
    }

    // Selection
    function selectOnly(index) {
        var ids = ({})
        var task = taskAt(index)
        if (task)
            ids[task.ID] = true
        selectedIds = ids
        selectionCount = task ? 1 : 0
        anchorIndex = index
        currentIndex = index
    }
    function toggleSelected(index) {
        var task = taskAt(index)
        if (!task)
            return
        var ids = Object.assign({}, selectedIds)
        if (ids[task.ID])
            delete ids[task.ID]
        else
            ids[task.ID] = true
        selectedIds = ids
        selectionCount = Object.keys(ids).length
        anchorIndex = index
        currentIndex = index
    }
    function selectRange(index) {
        var from = Math.min(anchorIndex < 0 ? index : anchorIndex, index)
        var to = Math.max(anchorIndex < 0 ? index : anchorIndex, index)
        var ids = ({})
        for (var i = from; i <= to; ++i) {
            var task = taskAt(i)
            if (task)
                ids[task.ID] = true
        }
        selectedIds = ids
        selectionCount = Object.keys(ids).length
        currentIndex = index
    }
    function selectAll() {
        var ids = ({})
        for (var i = 0; i < count; ++i)
            ids[taskAt(i).ID] = true
        selectedIds = ids
        selectionCount = count
    }
    function clearSelection() {
        if (selectionCount === 0 && currentIndex < 0)
            return false
        selectedIds = ({})
        selectionCount = 0
        currentIndex = -1
        return true
    }
    function selectedTasks() {
        var tasks = []
        for (var i = 0; i < count; ++i) {
            var task = taskAt(i)
            if (selectedIds[task.ID])
                tasks.push(task)
        }
        return tasks
    }
    function selectTaskById(id) {
        var index = model.getIndexByObjectId(id)
        if (index >= 0) {
            selectOnly(index)
            positionViewAtIndex(index, ListView.Contain)
        }
        return index >= 0
    }
    function moveSelection(step, extend) {
        var next = Math.max(0, Math.min(count - 1, (currentIndex < 0 ? (step > 0 ? -1 : count) : currentIndex) + step))
        if (extend)
            selectRange(next)
        else
            selectOnly(next)
        positionViewAtIndex(next, ListView.Contain)
    }
    // Escape: first an edit in progress, then the selection.
    function discard() {
        if (currentItem && currentItem.editingName) {
            currentItem.discardRenaming()
            return true
        }
        return clearSelection()
    }
    function renameCurrent() {
        if (currentItem)
            currentItem.startRenaming()
    }

    delegate: TaskRow {
        id: rowItem
        readonly property var record: listItemRole || ({})
        width: list.width
        task: record
        inTrash: list.inTrash
        selected: list.selectedIds[record.ID] === true
        current: index === list.currentIndex
        favorite: !list.inTrash && list.window ? list.window.isFavoriteTask(record.ID) : false
        projectChain: list.projectChain(record.PARENT)
        contextChain: list.contextChain(record.CONTEXT)
        hasReminders: !list.inTrash && list.window ? list.window.reminderTaskIds[record.ID] === true : false

        onClicked: {
            list.forceActiveFocus()
            if (mouse.modifiers & Qt.ControlModifier)
                list.toggleSelected(index)
            else if (mouse.modifiers & Qt.ShiftModifier)
                list.selectRange(index)
            else if (selected && list.selectionCount === 1 && index === list.currentIndex)
                rowItem.startRenaming()
            else
                list.selectOnly(index)
        }
        onDoubleClicked: list.taskDoubleClicked(record)
        onDragStarted: list.startDrag(index)
        onDragMoved: list.moveDrag(windowY, windowX)
        onDragFinished: list.finishDrag(windowY, windowX)
        opacity: index === list.dragFrom ? 0.5 : 1
        Rectangle {
            visible: list.dragFrom >= 0 && index === list.dropTarget && index !== list.dragFrom
            anchors.left: parent.left
            anchors.right: parent.right
            y: list.dropTarget > list.dragFrom ? parent.height - 2 : 0
            height: 2
            color: Theme.accent
        }
        onCompletionToggled: {
            if (completed) {
                list.window.uncompleteTask(record)
            } else {
                if (selected)
                    list.clearSelection()
                list.window.completeTask(record)
            }
        }
        onRenamed: list.window.renameTask(record, name)
        onDateClicked: list.window.editTaskDate(record, field)
        onProjectClicked: list.window.pickTaskProject(record)
        onContextClicked: list.window.pickTaskContext(record)
        onFavoriteToggled: list.window.toggleTaskFavorite(record)
        onContextMenuRequested: {
            if (!selected)
                list.selectOnly(index)
            if (!list.inTrash)
                list.window.showTaskMenu(list, record, rowItem, x, y)
        }
    }

    // Dragging a row within the list: the list keeps the new place as its
    // manual order.
    function rowAtWindowY(windowY) {
        var local = mapFromItem(null, 0, windowY)
        var index = indexAt(width / 2, local.y + contentY)
        return index >= 0 ? index : (local.y + contentY > contentHeight ? count - 1 : -1)
    }
    function startDrag(index) {
        dragFrom = index
        dropTarget = index
        window.setWheelRedirect(list)
    }
    // Onto another list of the side panel, too.
    function moveDrag(windowY, windowX) {
        if (dragFrom < 0)
            return
        dropTarget = window.dragOverSidePanel(windowX, windowY) ? -1 : rowAtWindowY(windowY)
    }
    function finishDrag(windowY, windowX) {
        var from = dragFrom
        var to = windowY < 0 ? -1 : rowAtWindowY(windowY)
        dragFrom = -1
        dropTarget = -1
        window.setWheelRedirect(null)
        var dragged = taskAt(from)
        if (dragged && window.dropOnSidePanel(dragged, windowX, windowY))
            return
        var target = taskAt(to)
        if (!dragged || !target || from === to || target.STATE !== dragged.STATE)
            return
        model.moveItem(from, to)
        selectTaskById(dragged.ID)
    }

    Keys.onPressed: {
        if (event.key === Qt.Key_F2) {
            renameCurrent()
            event.accepted = true
        }
    }
}
