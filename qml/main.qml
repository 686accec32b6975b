import QtQuick 2.15
import QtQuick.Window 2.15
import QtQuick.Controls 2.15
import QtQuick.Layouts 1.15
import com.velmora.managers 1.0
import com.velmora.helpers 1.0
import "Components"
import "Popups"

ApplicationWindow {
    id: mainWindow
    objectName: "mainWindow"

    // Closing the window only hides it: Quorvel keeps running in the tray so
    // that reminders and sync go on.
    signal hideOnClose()

    readonly property var sections: [
        { "title": qsTr("Quorvel Box"), "icon": "inbox", "page": "QuorvelBoxPage", "cached": false },
        { "title": qsTr("Daily Plan"), "icon": "calendar", "page": "DailyPlanPage", "cached": false },
        { "title": qsTr("Projects"), "icon": "projects", "page": "ProjectsPage", "cached": true },
        { "title": qsTr("Contexts"), "icon": "contexts", "page": "ContextsPage", "cached": true },
        { "title": qsTr("Favorites"), "icon": "star", "page": "FavoritesPage", "cached": false },
        { "title": qsTr("Method"), "icon": "method", "page": "MethodPage", "cached": false },
        { "title": qsTr("Settings"), "icon": "settings", "page": "SettingsPage", "cached": false }
    ]
    // Pages that are still to come: what the placeholder says about them.
    readonly property var comingPages: ({
        "ProjectsPage": qsTr("Your projects, in folders as deep as you like, with their tasks."),
        "ContextsPage": qsTr("Contexts: where or how work is done, with the tasks and projects tagged with them."),
        "FavoritesPage": qsTr("Your most important projects, tasks and contexts in one list."),
        "SettingsPage": qsTr("Account, sync, appearance, passcode and calendar settings.")
    })
    property int currentSection: -1
    property var lastUpdatedObject: null
    property bool trashAvailable: false
    readonly property bool currentPageExportable: pages.currentPage !== null
                                                  && typeof pages.currentPage.printableObjects === "function"
    property bool anyPopupOpen: taskEditor.opened || messagePopup.opened || dateTimePopup.opened
                                || treePicker.opened || passcodeCheck.opened || sortingPopup.opened
                                || aboutPopup.opened || welcomePopup.opened || recoveryPopup.opened

    width: 1100
    height: 720
    minimumWidth: 640
    minimumHeight: 480
    title: "Quorvel"
    color: Theme.windowBackground
    font.pixelSize: Theme.bodySize

    palette.window: Theme.windowBackground
    palette.base: Theme.surface
    palette.alternateBase: Theme.raisedSurface
    palette.text: Theme.text
    palette.windowText: Theme.text
    palette.buttonText: Theme.text
    palette.button: Theme.raisedSurface
    palette.highlight: Theme.accent
    palette.highlightedText: Theme.accentText
    palette.mid: Theme.line
    palette.light: Theme.surface
    // Controls draw their primary (highlighted) buttons in the dark role.
    palette.dark: Theme.accent
    palette.brightText: Theme.accentText
    palette.toolTipBase: Theme.raisedSurface
    palette.toolTipText: Theme.text

    onClosing: {
        close.accepted = false
        if (Settings.showMessageOnClose) {
            Settings.showMessageOnClose = false
            showMessage("Quorvel", qsTr("Please note that the app is still running in the background. ")
                        + qsTr("In order to close it please use the icon in the system tray."), function() {
                            hideOnClose()
                        })
            return
        }
        hideOnClose()
    }

    // Start-up: the notifier's state first, then the sync, the welcome or
    // the update check, and the passcode last so that it covers the window.
    Component.onCompleted: {
        GuiManager.startTrackUserActions()
        openSection(1)
        var notifierActive = typeof NOTIFIER_APP_ACTIVE === "undefined" || NOTIFIER_APP_ACTIVE
        if (!notifierActive) {
            showMessage(qsTr("Application Error"),
                        qsTr("It seems like the notification service is blocked by a firewall ")
                        + qsTr("or anitivirus software. Please add %1 to blocking exceptions ").arg(APP_DIR_PATH + "/QuorvelNotifier")
                        + qsTr("in order to make notifications work again."))
        } else {
            if (DataManager.isUserLoggedIn && Settings.cloudSyncEnabled)
                DataManager.startSyncSilent()
            if (Settings.showWelcomeScreen)
                welcomePopup.open()
            else
                AppUpdater.check()
        }
        if (!DataManager.isDataPrepared())
            recoveryPopup.offer()
        if (PasscodeManager.isPasscodeSet)
            passcodeCheck.ask()
        refreshCounters()
        updateTrashAvailability()
    }

    onVisibilityChanged: {
        var shown = visibility !== Window.Hidden && visibility !== Window.Minimized
        if (!shown)
            return
        refreshCounters()
        if (DataManager.isUserLoggedIn && Settings.cloudSyncEnabled)
            DataManager.startSyncSilent()
        // In the stricter lock mode the passcode is asked again each time
        // the window comes back from the tray or the task bar.
        if (!passcodeCheck.opened && PasscodeManager.isPasscodeSet
                && PasscodeManager.requirePasscodeOption === PasscodeEnums.WhenAppWindowBecomesActive)
            passcodeCheck.ask()
    }

    // --- Sections and pages

    function pageUrl(name) {
        return "qrc:/Pages/" + name + ".qml"
    }
    function openSection(index) {
        openSectionFrom(index, "")
    }
    // historyItem records where the user came from, for the page's back
    // button.
    function openSectionFrom(index, historyItem) {
        if (index < 0 || index >= sections.length)
            return
        updater.confirmPending()
        var section = sections[index]
        currentSection = index
        var page
        if (comingPages[section.page] !== undefined) {
            page = pages.replace(pageUrl("PlaceholderPage"), false, {
                "pageName": section.page, "title": section.title,
                "description": comingPages[section.page], "iconName": section.icon })
        } else {
            page = pages.replace(pageUrl(section.page), section.cached)
        }
        if (page && page.historyItem !== undefined)
            page.historyItem = historyItem || ""
        if (index === 4)
            Settings.showFavoritesNewBadge = false
        if (index === 5)
            Settings.showMethodNewBadge = false
        if (index === 0) {
            Settings.recentProjects = Helper.handleRecentProjectList(
                        Settings.recentProjects, { "ID": PredefinedDataHelper.quorvelBoxId, "NAME": "Quorvel Box" })
        }
        updateTrashAvailability()
    }
    function openMethodArticle(key) {
        openSection(5)
        callPageWith("openArticle", key)
    }
    function openTrash() {
        updater.confirmPending()
        currentSection = -1
        pages.replace(pageUrl("TrashPage"), false)
        updateTrashAvailability()
    }
    function currentPage() {
        return pages.currentPage
    }

    // --- Back and forward

    readonly property bool canGoBack: pages.stack.length > 1
                                      || (pages.currentPage !== null && pages.currentPage.history !== undefined
                                          && pages.currentPage.history !== null && pages.currentPage.history.canGoBack)
                                      || (pages.currentPage !== null && !!pages.currentPage.historyItem)
    readonly property bool canGoForward: pages.stack.length === 1 && pages.currentPage !== null
                                         && pages.currentPage.history !== undefined && pages.currentPage.history !== null
                                         && pages.currentPage.history.canGoForward
    function goBack() {
        var page = pages.currentPage
        if (anyPopupOpen || !canGoBack)
            return
        if (pages.stack.length > 1) {
            if (page.pageName === "searchpage")
                SearchHelper.abort()
            else
                pages.pop()
        } else if (page.history && page.history.canGoBack) {
            page.goBack()
        } else if (page.historyItem) {
            returnTo(page.historyItem)
        }
    }
    function goForward() {
        if (!anyPopupOpen && canGoForward)
            pages.currentPage.goForward()
    }
    // The history item of a jump from a task on the current page.
    function historyItemFor(task) {
        var page = pages.currentPage
        if (!page || !page.pageName || !task || task.ID === undefined)
            return ""
        var day = page.shownDay !== undefined ? page.shownDay : new Date()
        return historyTools.makeItem(page.pageName, day, String(task.ID))
    }
    function returnTo(item) {
        var parsed = historyTools.parseItem(item)
        var sectionOfPage = { "qbpage": 0, "dppage": 1, "prjpage": 2, "ctxpage": 3, "favpage": 4 }
        if (parsed.page === undefined)
            return
        openSection(sectionOfPage[parsed.page])
        var page = pages.currentPage
        if (parsed.page === "dppage" && page && typeof page.showDay === "function")
            page.showDay(parsed.date)
        if (parsed.taskId && page && typeof page.selectTask === "function")
            page.selectTask({ "ID": parsed.taskId })
    }
    function goToTaskProject(task) {
        var item = historyItemFor(task)
        openSectionFrom(task.PARENT === PredefinedDataHelper.quorvelBoxId ? 0 : 2, item)
        if (task.PARENT === PredefinedDataHelper.quorvelBoxId)
            callPageWith("selectTask", task)
    }
    function goToTaskContext(task) {
        openSectionFrom(3, historyItemFor(task))
    }
    function callPageWith(name, argument) {
        var page = pages.currentPage
        if (page && typeof page[name] === "function")
            return page[name](argument)
        return undefined
    }
    PageHistory { id: historyTools }
    function callPage(name) {
        var page = pages.currentPage
        if (page && typeof page[name] === "function")
            return page[name]()
        return undefined
    }
    function refreshPages() {
        var page = pages.currentPage
        if (page && typeof page.refresh === "function")
            page.refresh()
    }
    function refreshCounters() {
        var inbox = PredefinedDataHelper.quorvelBoxId
        sidePanel.inboxTotal = TaskHandler.getProjectTaskCount(inbox)
        sidePanel.inboxOverdue = TaskHandler.getProjectOverdueTaskCount(inbox)
        var now = new Date()
        var today = new Date(Date.UTC(now.getFullYear(), now.getMonth(), now.getDate()))
        sidePanel.todayActive = TaskHandler.getActiveDayTaskCount(today)
        sidePanel.todayOverdue = TaskHandler.getOverdueDayTaskCount(today)
    }
    function updateTrashAvailability() {
        var page = pages.currentPage
        var last = lastUpdatedObject
        trashAvailable = (page && page.pageName === "trashpage")
                || (last !== null && (last.STATE === DELETED_OBJECT_STATE || last.STATE === COMPLETED_AND_DELETED_OBJECT_STATE))
                || TaskHandler.hasDeletedTasks() || ProjectHandler.hasDeletedFolders()
                || ProjectHandler.hasDeletedProjects() || ContextHandler.hasDeletedContexts()
    }
    function onDataChanged(object) {
        if (object)
            lastUpdatedObject = object
        refreshPages()
        refreshCounters()
        updateTrashAvailability()
    }

    // --- Actions of menus, tool bar and keys

    function addAction() {
        if (anyPopupOpen)
            return
        var page = pages.currentPage
        if (page && page.editing)
            return
        if (page && page.pageName === "searchpage") {
            AnalyticsManager.sendEvent("SEARCH_BAR_ADD", "CREATE_NEW_TASK")
            showNewTaskPopup({ "PARENT": PredefinedDataHelper.quorvelBoxId })
            return
        }
        if (page && page.pageName === "qbpage")
            AnalyticsManager.sendEvent("QB_BAR_ADD", "CREATE_NEW_TASK")
        callPage("addAction")
    }
    function addInboxTask() {
        if (!anyPopupOpen)
            showNewTaskPopup({ "PARENT": PredefinedDataHelper.quorvelBoxId })
    }
    function confirmAction() {
        if (passcodeCheck.opened) {
            passcodeCheck.tryUnlock()
        } else if (messagePopup.opened) {
            messagePopup.accept()
        } else if (dateTimePopup.opened) {
            dateTimePopup.accept()
        } else if (treePicker.opened) {
            treePicker.confirm()
        } else if (taskEditor.opened) {
            taskEditor.save()
        } else if (welcomePopup.opened) {
            welcomePopup.accept()
        } else if (!anyPopupOpen) {
            callPage("confirm")
        }
    }
    // Escape: a popup first (never the passcode check), then an active
    // search, then an edit in progress, then the selection.
    function discardAction() {
        if (passcodeCheck.opened)
            return
        var popups = [messagePopup, dateTimePopup, treePicker, taskEditor, sortingPopup, aboutPopup, welcomePopup]
        for (var i = 0; i < popups.length; ++i) {
            if (popups[i].opened) {
                popups[i].close()
                return
            }
        }
        if (searchField.text.length > 0) {
            SearchHelper.abort()
            return
        }
        callPage("discard")
    }
    function deleteSelected() {
        if (anyPopupOpen)
            return
        var page = pages.currentPage
        if (!page || typeof page.selectedObjects !== "function")
            return
        var tasks = page.selectedObjects()
        if (tasks.length > 0)
            updater.deleteTasks(tasks)
    }
    function copySelected(cut) {
        var page = pages.currentPage
        if (!page || typeof page.selectedObjects !== "function")
            return
        var objects = page.selectedObjects()
        if (objects.length === 0)
            return
        if (cut) {
            Clipboard.setCutObject(objects[0])
            TaskHandler.markTaskAsDeleted(objects[0])
            TaskHandler.confirmTaskUpdate(objects[0])
            onDataChanged(null)
        } else {
            Clipboard.setObject(objects[0])
        }
    }
    function pasteIntoPage() {
        callPage("paste")
    }
    function undoAction() {
        updater.undo()
    }
    function moveSelection(step, extend) {
        var page = pages.currentPage
        if (!anyPopupOpen && page && page.list && typeof page.list.moveSelection === "function")
            page.list.moveSelection(step, extend)
    }
    function startSyncFromButton() {
        if (!DataManager.isUserLoggedIn || !Settings.cloudSyncEnabled) {
            openSection(6)
            return
        }
        DataManager.startSync()
    }
    function printList() {
        if (!currentPageExportable)
            return
        var page = pages.currentPage
        if (!ExportHelper.hasAvailablePrinters()) {
            showMessage(qsTr("Print Error"), qsTr("No printers were found."))
            return
        }
        ExportHelper.printList(page.printableObjects(), page.sectionHeader, page.exportType)
    }
    function emailList() {
        var page = pages.currentPage
        if (currentPageExportable)
            ExportHelper.exportObjectsToEmail(page.printableObjects(), page.sectionHeader, page.exportType)
    }
    function exportListToPdf(page) {
        if (page && typeof page.exportToPdf === "function" && !PdfExportHelper.inProgress)
            page.exportToPdf()
    }

    // --- Task operations asked for by the rows and pages

    function createTask(task) {
        if (TaskHandler.createTask(task)) {
            if (Settings.playActionSounds)
                ActionSoundsHelper.playObjectCreationSound()
        }
    }
    function completeTask(task) { updater.complete(task) }
    function uncompleteTask(task) {
        var record = TaskEditRules.uncompleted(task)
        if (TaskHandler.updateTask(record) && Settings.playActionSounds)
            ActionSoundsHelper.playCompletionCancelSound()
    }
    function renameTask(task, name) {
        var record = TaskEditRules.renamed(task, name)
        if (record.NAME !== task.NAME) {
            TaskHandler.updateTask(record)
            switchCurrentListToManual()
        }
    }
    function switchCurrentListToManual() {
        var page = pages.currentPage
        if (page && page.list && page.list.model && typeof page.list.model.switchToManualSortingMode === "function")
            page.list.model.switchToManualSortingMode()
    }
    function editTaskDate(task, field) {
        if (task.PERIOD && String(task.PERIOD).length > 0) {
            showTaskEditor(task)
            return
        }
        var start = TaskEditRules.dateTimePopupValue(task, field === "DUE")
        pickDate(start, field === "START" ? qsTr("start date:") : qsTr("due date:"), function(date) {
            var record = TaskEditRules.withEditedDate(task, field === "DUE", date)
            TaskEditRules.moveRemindersToNewDates(task, record)
            TaskHandler.updateTask(record)
        })
    }
    function pickTaskProject(task) {
        pickProject(task.PARENT, function(project) {
            var record = Object.assign({}, task)
            record.PARENT = project.ID
            TaskHandler.updateTask(record)
        })
    }
    function pickTaskContext(task) {
        treePicker.openFor("context", task.CONTEXT, function(context) {
            var record = Object.assign({}, task)
            record.CONTEXT = context.ID || ""
            TaskHandler.updateTask(record)
        })
    }
    function toggleTaskFavorite(task) {
        if (TaskHandler.inFavorites(task))
            TaskHandler.removeFromFavorites(task)
        else
            TaskHandler.addToFavorites(task)
        refreshPages()
    }
    // A dragged task over the side panel: the inbox and the daily plan take
    // it (to the inbox, or due today); true while it is over one of them.
    function dragOverSidePanel(windowX, windowY) {
        var index = windowX >= 0 ? sidePanel.sectionAt(windowX, windowY) : -1
        sidePanel.dropIndex = index === 0 || index === 1 ? index : -1
        return sidePanel.dropIndex >= 0
    }
    // Whether the drop landed on the side panel (then the list leaves it).
    function dropOnSidePanel(task, windowX, windowY) {
        var index = windowX >= 0 ? sidePanel.sectionAt(windowX, windowY) : -1
        sidePanel.dropIndex = -1
        if (index === 0) {
            var moved = TaskEditRules.droppedOnInbox(task, PredefinedDataHelper.quorvelBoxId)
            if (moved.ID !== undefined)
                TaskHandler.updateTask(moved)
            return true
        }
        if (index === 1) {
            if (TaskEditRules.calendarAcceptsDrop(task)) {
                var now = new Date()
                var dated = TaskEditRules.droppedOnDay(task, new Date(now.getFullYear(), now.getMonth(), now.getDate()))
                TaskEditRules.moveRemindersToNewDates(task, dated)
                TaskHandler.updateTask(dated)
            }
            return true
        }
        return index >= 0
    }
    // While a row is dragged the wheel scrolls the list under it.
    function setWheelRedirect(item) {
        WheelEventsRedirector.redirectTo = item
    }
    // The rows' favorite and reminder marks, kept as plain maps of task
    // identifiers: a row that scrolls into view reads them without a call
    // into the native side.
    readonly property int favoriteTaskKind: 0
    property var favoriteTaskIds: idSet(FavoritesManager.ids(favoriteTaskKind))
    property var reminderTaskIds: idSet(DataManager.taskIdsWithReminders())
    function idSet(ids) {
        var set = {}
        for (var i = 0; i < ids.length; ++i)
            set[ids[i]] = true
        return set
    }
    function refreshFavoriteMarks() { favoriteTaskIds = idSet(FavoritesManager.ids(favoriteTaskKind)) }
    function refreshReminderMarks() { reminderTaskIds = idSet(DataManager.taskIdsWithReminders()) }
    function isFavoriteTask(taskId) {
        return taskId !== undefined && favoriteTaskIds[taskId] === true
    }
    Connections {
        target: FavoritesManager
        function onObjectAdded() { refreshFavoriteMarks() }
        function onObjectRemoved() { refreshFavoriteMarks() }
        function onObjectsChanged() { refreshFavoriteMarks() }
    }
    Connections {
        target: DataManager
        function onRemindersChanged() { refreshReminderMarks() }
    }
    function isFavorite(task) {
        return TaskHandler.inFavorites(task)
    }
    function taskHasReminders(task) {
        return DataManager.hasScheduledReminders(task.ID)
    }
    function projectDisplayName(projectId) {
        if (projectId === PredefinedDataHelper.quorvelBoxId)
            return qsTr("Quorvel Box")
        if (projectId === PredefinedDataHelper.oneStepActionsId)
            return qsTr("One Step Actions")
        var chain = ProjectHandler.getProjectNameChain(projectId)
        return chain.length > 0 ? chain[chain.length - 1] : qsTr("Quorvel Box")
    }
    function applyPasteResult(result) {
        if (!result.accepted) {
            if (result.errorText)
                showMessage(result.errorTitle, result.errorText)
            return
        }
        if (result.move) {
            var updated = result.isTask ? TaskHandler.updateTask(result.record) : ProjectHandler.updateProject(result.record)
            if (updated)
                Clipboard.object = ({})
        } else if (result.isTask) {
            TaskHandler.createTask(result.record)
        } else {
            ProjectHandler.updateProject(result.record)
        }
    }

    // --- Popups

    function showMessage(title, text, acceptCallback) {
        messagePopup.title = title
        messagePopup.text = text
        messagePopup.rejectText = ""
        messagePopup.acceptText = qsTr("OK")
        messagePopup.acceptCallback = acceptCallback || null
        messagePopup.open()
    }
    function askQuestion(title, text, acceptText, acceptCallback) {
        messagePopup.title = title
        messagePopup.text = text
        messagePopup.rejectText = qsTr("Cancel")
        messagePopup.acceptText = acceptText
        messagePopup.acceptCallback = acceptCallback
        messagePopup.open()
    }
    function showNewTaskPopup(defaults) {
        taskEditor.openNew(defaults)
    }
    function showTaskEditor(task) {
        if (task && task.ID !== undefined)
            taskEditor.openEdit(task)
    }
    function closeDatePicker() {
        if (dateTimePopup.opened)
            dateTimePopup.close()
    }
    // A pending completion or deletion is settled before anything else is
    // written.
    function confirmPendingChange() {
        updater.confirmPending()
    }
    function pickDate(date, title, callback) {
        dateTimePopup.chosenCallback = null
        dateTimePopup.openOn(date, title)
        dateTimePopup.chosenCallback = callback
    }
    function pickProject(currentId, callback) {
        treePicker.openFor("project", currentId, callback)
    }
    function pickContext(currentId, callback) {
        treePicker.openFor("context", currentId, callback)
    }
    function showListMenu(page, anchorItem) {
        listMenu.page = page
        listMenu.popup(anchorItem, 0, anchorItem.height)
    }
    function showTaskMenu(list, task, rowItem, x, y) {
        taskMenu.list = list
        taskMenu.task = task
        taskMenu.popup(rowItem, x, y)
    }

    // Called by the native side.
    // Each reminder gets a window of its own; the stack places them.
    function showNotificationPopup(message, task) {
        var reminder = reminderWindow.createObject(null, {
            "task": task || ({}), "message": message !== undefined ? String(message) : "" })
        ReminderWindowStack.push(reminder)
    }
    function showTaskEditItem(project, task) {
        GuiManager.showMainWindow()
        if (project && project.ID === PredefinedDataHelper.quorvelBoxId)
            openSection(0)
        var page = pages.currentPage
        if (page && typeof page.selectTask === "function")
            page.selectTask(task, true)
        showTaskEditor(task)
    }
    // The daily plan of the task's day with the task selected.
    function openDailyPlanPage(task) {
        openSection(1)
        var page = pages.currentPage
        if (page && typeof page.selectTask === "function")
            page.selectTask(task, true)
    }
    // A click on a reminder: its task in the plan, the window in front.
    function openReminderTask(task) {
        if (welcomePopup.opened)
            welcomePopup.close()
        openDailyPlanPage(task)
        GuiManager.showMainWindow()
        mainWindow.requestActivate()
    }

    // --- The one updater of completions and deletions, with undo

    QtObject {
        id: updater
        objectName: "objectUpdater"

        property var pending: null
        readonly property int undoTime: 9700

        function show(message) {
            statusBar.showUndo(message)
            undoTimer.restart()
        }
        // Tasks and projects (a project record carries FOLDER, not PERIOD).
        function complete(task) {
            confirmPending()
            var isProject = task.PERIOD === undefined && task.FOLDER !== undefined
            if (isProject ? !ProjectHandler.markProjectAsCompleted(task) : !TaskHandler.markTaskAsCompleted(task))
                return
            pending = { "kind": isProject ? "project" : "task", "objects": [task] }
            if (Settings.playActionSounds)
                ActionSoundsHelper.playCompletionSound()
            show(isProject ? qsTr("You completed a project") + " 💪" : qsTr("You completed a task") + " 👍")
        }
        function deleteTasks(tasks) {
            confirmPending()
            var done = []
            // One refresh for the whole selection instead of one per task.
            for (var i = 0; i < tasks.length; ++i) {
                if (TaskHandler.markTaskAsDeleted(tasks[i], false))
                    done.push(tasks[i])
            }
            if (done.length === 0)
                return
            pending = { "kind": "task", "objects": done }
            if (Settings.playActionSounds)
                ActionSoundsHelper.playObjectDeletionSound()
            show(done.length === 1 ? qsTr("The task was moved to the trash")
                                   : qsTr("%n task(s) moved to the trash", "", done.length))
            var deleted = Object.assign({}, done[0])
            deleted.STATE = DELETED_OBJECT_STATE
            mainWindow.onDataChanged(deleted)
        }
        function confirmPending() {
            if (!pending)
                return
            var change = pending
            pending = null
            undoTimer.stop()
            statusBar.hideUndo()
            for (var i = 0; i < change.objects.length; ++i) {
                if (change.kind === "project")
                    ProjectHandler.confirmProjectUpdate(change.objects[i])
                else
                    TaskHandler.confirmTaskUpdate(change.objects[i])
            }
            DataManager.cleanSortedLists()
            mainWindow.onDataChanged(null)
        }
        function undo() {
            if (!pending)
                return
            var change = pending
            pending = null
            undoTimer.stop()
            statusBar.hideUndo()
            // Each revert signals taskUpdated, which refreshes the window.
            for (var i = change.objects.length - 1; i >= 0; --i) {
                if (change.kind === "project")
                    ProjectHandler.revertProjectState(change.objects[i])
                else
                    TaskHandler.revertTaskState(change.objects[i])
            }
            var page = pages.currentPage
            if (page && typeof page.selectTask === "function")
                page.selectTask(change.objects[0], true)
        }
    }
    Timer {
        id: undoTimer
        interval: updater.undoTime
        onTriggered: updater.confirmPending()
    }

    Connections {
        target: GuiManager
        function onUserPerformedAction() { updater.confirmPending() }
        function onWindowDidShow() { refreshCounters() }
    }
    Connections {
        target: TaskHandler
        function onTaskAdded(task) { mainWindow.onDataChanged(task) }
        function onTaskUpdated(task) { mainWindow.onDataChanged(task) }
    }
    Connections {
        target: ProjectHandler
        function onProjectAdded(project) { mainWindow.onDataChanged(project) }
        function onProjectUpdated(project) { mainWindow.onDataChanged(project) }
    }
    Connections {
        target: ContextHandler
        function onContextAdded(context) { mainWindow.onDataChanged(context) }
        function onContextUpdated(context) { mainWindow.onDataChanged(context) }
    }
    Connections {
        target: DataManager
        function onSyncActiveChanged(active) {
            if (active)
                return
            mainWindow.onDataChanged(null)
        }
        function onUserLoggedInChanged() { updateTrashAvailability() }
        function onUserIsAboutToLogout() { pages.dropCache() }
        // Reminders from other devices change the rows' marks; their manual
        // orders change the order of the lists.
        function onRemindersSyncComplete() { refreshPages() }
        function onSortingSyncComplete() { callPage("resort") }
        function onSyncNetworkError() {
            showMessage(qsTr("Network error"), qsTr("The server could not be reached. Make sure the internet connection is working and try again."))
        }
        function onSyncServerError(title, displayMessage) { showMessage(title, displayMessage) }
        function onPasswordChangedOutside() {
            openSection(6)
            showMessage(qsTr("Sync error"), qsTr("It seems like you changed your password on another device. Please login to your account with the new password."))
        }
    }
    Connections {
        target: Settings
        function onTrashCleanupTimestampChanged() { updateTrashAvailability() }
    }
    Connections {
        target: ExportHelper
        function onError(errorText) { showMessage(qsTr("Export error"), errorText) }
    }
    Connections {
        target: PdfExportHelper
        function onError(errorText) { showMessage(qsTr("Export error"), errorText) }
    }
    Connections {
        target: AppUpdater
        function onNetworkError() {
            showMessage(qsTr("Network error"), qsTr("The server could not be reached. Make sure the internet connection is working and try again."))
        }
        function onError(errorText) { showMessage(qsTr("Update error"), errorText) }
        function onNewVersionAvailable() {
            askQuestion(qsTr("Update available"),
                        qsTr("Quorvel %1 is available. %2").arg(AppUpdater.version).arg(AppUpdater.description),
                        qsTr("Download"), function() { AppUpdater.startDownload() })
        }
        function onNoUpdatesAvailable() { showMessage(qsTr("Check Updates"), qsTr("You are using the latest version of Quorvel.")) }
    }
    Connections {
        target: SearchHelper
        function onSearchAborted() {
            searchField.text = ""
            pages.popToRoot()
        }
    }
    Connections {
        target: KeyboardHelper
        function onSaveRequested() { if (taskEditor.opened) taskEditor.save() }
        function onConfirmRequested() { confirmAction() }
        function onDiscardRequested() { discardAction() }
        function onDeleteRequested() { if (menuEdit.enabled) deleteSelected() }
        function onSearchRequested() { searchField.forceActiveFocus() }
        function onNewTaskRequested() { if (menuFile.enabled) addAction() }
        function onNewQuorvelBoxTaskRequested() { if (menuFile.enabled) addInboxTask() }
        function onUpActionRequested() { moveSelection(-1, false) }
        function onDownActionRequested() { moveSelection(1, false) }
        function onSelectUpperItemActionRequested() { moveSelection(-1, true) }
        function onSelectLowerItemActionRequested() { moveSelection(1, true) }
        function onUndoActionRequested() { undoAction() }
    }

    // --- Menus

    // Actions of sub-menus get no shortcuts of their own until the sub-menu
    // has been opened once, so their keys live on the window.
    Shortcut {
        sequence: "Ctrl+Shift+N"
        enabled: menuFile.enabled
        onActivated: addInboxTask()
    }
    Shortcut {
        sequences: [StandardKey.Back]
        onActivated: goBack()
    }
    Shortcut {
        sequences: [StandardKey.Forward]
        onActivated: goForward()
    }
    Repeater {
        model: 4
        Item {
            Shortcut {
                sequence: "Ctrl+" + (index + 1)
                enabled: menuView.enabled
                onActivated: openSection(index)
            }
        }
    }

    menuBar: MenuBar {
        id: menuBar
        objectName: "menuBar"
        Menu {
            id: menuFile
            objectName: "menuFile"
            title: qsTr("&File")
            enabled: !mainWindow.anyPopupOpen
            Menu {
                title: qsTr("Create")
                Action {
                    objectName: "actionAddInboxTask"
                    text: qsTr("Add Task to Quorvel Box...")
                    onTriggered: addInboxTask()
                }
                Action {
                    objectName: "actionAddTask"
                    text: qsTr("Add New Task...")
                    onTriggered: addAction()
                }
                Action {
                    objectName: "actionAddProject"
                    text: qsTr("Add New Project...")
                    enabled: false
                }
                Action {
                    objectName: "actionAddFolder"
                    text: qsTr("Add New Folder...")
                    enabled: false
                }
                Action {
                    objectName: "actionAddContext"
                    text: qsTr("Add New Context...")
                    enabled: false
                }
            }
            Menu {
                id: recentMenu
                title: qsTr("Recent Projects")
                enabled: Settings.recentProjects.length > 0
                Repeater {
                    model: Settings.recentProjects
                    MenuItem {
                        text: modelData.ID === PredefinedDataHelper.quorvelBoxId ? qsTr("Quorvel Box") : modelData.NAME
                        onTriggered: if (modelData.ID === PredefinedDataHelper.quorvelBoxId) openSection(0)
                    }
                }
            }
            Action {
                objectName: "actionSync"
                text: qsTr("Sync")
                enabled: !DataManager.isSyncActive
                onTriggered: startSyncFromButton()
            }
            Action {
                objectName: "actionSettings"
                text: qsTr("Settings...")
                shortcut: "Ctrl+Shift+S"
                onTriggered: openSection(6)
            }
            Action {
                objectName: "actionPrint"
                text: qsTr("Print...")
                shortcut: "Ctrl+P"
                enabled: mainWindow.currentPageExportable
                onTriggered: printList()
            }
            Action {
                objectName: "actionEmail"
                text: qsTr("Send by E-mail...")
                enabled: mainWindow.currentPageExportable
                onTriggered: emailList()
            }
            MenuSeparator {}
            Action {
                objectName: "actionCloseWindow"
                text: qsTr("Close Window")
                shortcut: "Ctrl+W"
                onTriggered: mainWindow.close()
            }
        }
        Menu {
            id: menuEdit
            objectName: "menuEdit"
            title: qsTr("&Edit")
            enabled: !mainWindow.anyPopupOpen
            Action {
                objectName: "actionDelete"
                text: qsTr("Delete Selected Object")
                onTriggered: deleteSelected()
            }
            MenuSeparator {}
            Action {
                objectName: "actionCut"
                text: qsTr("Cut")
                shortcut: StandardKey.Cut
                onTriggered: copySelected(true)
            }
            Action {
                objectName: "actionCopy"
                text: qsTr("Copy")
                shortcut: StandardKey.Copy
                onTriggered: copySelected(false)
            }
            Action {
                objectName: "actionPaste"
                text: qsTr("Paste")
                shortcut: StandardKey.Paste
                onTriggered: pasteIntoPage()
            }
            Action {
                objectName: "actionSelectAll"
                text: qsTr("Select All")
                shortcut: StandardKey.SelectAll
                onTriggered: callPage("selectAll")
            }
        }
        Menu {
            id: menuView
            objectName: "menuView"
            title: qsTr("&View")
            enabled: !mainWindow.anyPopupOpen
            Menu {
                title: qsTr("Go to")
                Action {
                    objectName: "actionGoInbox"
                    text: qsTr("Quorvel Box")
                    onTriggered: openSection(0)
                }
                Action {
                    objectName: "actionGoDailyPlan"
                    text: qsTr("Daily Plan")
                    onTriggered: openSection(1)
                }
                Action {
                    objectName: "actionGoProjects"
                    text: qsTr("Projects")
                    onTriggered: openSection(2)
                }
                Action {
                    objectName: "actionGoContexts"
                    text: qsTr("Contexts")
                    onTriggered: openSection(3)
                }
            }
            Action {
                objectName: "actionToggleProperties"
                text: qsTr("Show/Hide Object Properties")
                shortcut: "Ctrl+Shift+I"
                onTriggered: callPage("toggleProperties")
            }
            Action {
                objectName: "actionToggleTree"
                text: qsTr("Show/Hide Navigation Tree")
                shortcut: "Ctrl+Shift+T"
                onTriggered: callPage("toggleTree")
            }
            Action {
                objectName: "actionToggleMemo"
                text: qsTr("Show/Hide Object Description")
                shortcut: "Ctrl+Shift+M"
                onTriggered: callPage("toggleMemo")
            }
        }
        Menu {
            id: menuHelp
            objectName: "menuHelp"
            title: qsTr("&Help")
            enabled: !mainWindow.anyPopupOpen
            Action {
                objectName: "actionAbout"
                text: qsTr("About Quorvel")
                onTriggered: aboutPopup.open()
            }
            Action {
                objectName: "actionCheckUpdates"
                text: qsTr("Check Updates")
                onTriggered: AppUpdater.check(true)
            }
            MenuSeparator {}
            Action {
                text: qsTr("Report an Error...")
                onTriggered: Qt.openUrlExternally("https://quorvel.velmora.app/support")
            }
            Action {
                text: qsTr("Terms of Use")
                onTriggered: Qt.openUrlExternally("https://quorvel.velmora.app/terms")
            }
            Action {
                text: qsTr("Privacy Policy")
                onTriggered: Qt.openUrlExternally("https://quorvel.velmora.app/privacy")
            }
            Action {
                text: qsTr("Quorvel on the Web")
                onTriggered: Qt.openUrlExternally("https://quorvel.velmora.app")
            }
        }
    }

    // --- Tool bar

    header: ToolBar {
        id: toolBar
        objectName: "toolBar"
        height: Theme.toolBarHeight
        background: Rectangle {
            color: Theme.surface
            Rectangle {
                anchors.bottom: parent.bottom
                width: parent.width
                height: 1
                color: Theme.line
            }
        }
        RowLayout {
            anchors.fill: parent
            anchors.leftMargin: Theme.spacing
            anchors.rightMargin: Theme.spacing
            spacing: 4

            IconButton {
                objectName: "backButton"
                iconName: "back"
                toolTipText: qsTr("Back")
                enabled: mainWindow.canGoBack
                onClicked: goBack()
            }
            IconButton {
                objectName: "forwardButton"
                iconName: "forward"
                toolTipText: qsTr("Forward")
                enabled: mainWindow.canGoForward
                onClicked: goForward()
            }
            Item { Layout.preferredWidth: Theme.spacing }
            IconButton {
                objectName: "addButton"
                iconName: "plus"
                iconColor: Theme.accent
                iconSize: 24
                toolTipText: qsTr("Add New Task...")
                onClicked: addAction()
            }
            Item { Layout.fillWidth: true }
            IconButton {
                objectName: "trashButton"
                visible: mainWindow.trashAvailable
                iconName: "bin"
                toolTipText: qsTr("Trash")
                onClicked: openTrash()
            }
            TextField {
                id: searchField
                objectName: "searchField"
                Layout.preferredWidth: 260
                placeholderText: qsTr("Search")
                selectByMouse: true
                leftPadding: 30
                rightPadding: clearSearch.visible ? 30 : 8
                Accessible.name: qsTr("Search")
                onTextChanged: searchTimer.restart()
                Image {
                    x: 8
                    anchors.verticalCenter: parent.verticalCenter
                    width: 16
                    height: 16
                    sourceSize: Qt.size(32, 32)
                    source: Theme.icon("search", Theme.secondaryText)
                }
                IconButton {
                    id: clearSearch
                    objectName: "clearSearch"
                    anchors.right: parent.right
                    anchors.verticalCenter: parent.verticalCenter
                    width: 28
                    height: 28
                    iconSize: 14
                    visible: searchField.text.length > 0
                    iconName: "close"
                    toolTipText: qsTr("Clear search")
                    onClicked: SearchHelper.abort()
                }
            }
            IconButton {
                id: syncButton
                objectName: "syncButton"
                iconName: "sync"
                toolTipText: DataManager.isSyncActive ? qsTr("Sync in progress…") : qsTr("Sync")
                onClicked: startSyncFromButton()
                RotationAnimator on rotation {
                    running: DataManager.isSyncActive
                    from: 0
                    to: 360
                    duration: 1200
                    loops: Animation.Infinite
                    onRunningChanged: if (!running) syncButton.rotation = 0
                }
            }
        }
    }
    Timer {
        id: searchTimer
        interval: 200
        onTriggered: {
            SearchHelper.searchString = searchField.text
            if (searchField.text.length > 0) {
                var page = pages.currentPage
                if (!page || page.pageName !== "searchpage")
                    pages.push(pageUrl("SearchPage"))
            }
        }
    }

    // --- Body: side panel and page

    RowLayout {
        anchors.fill: parent
        spacing: 0

        SidePanel {
            id: sidePanel
            Layout.fillHeight: true
            Layout.preferredWidth: mainWindow.width < 900 ? Theme.sidePanelCompactWidth : Theme.sidePanelWidth
            compact: mainWindow.width < 900
            sections: mainWindow.sections
            currentIndex: mainWindow.currentSection
            onSectionClicked: openSection(index)
        }
        PageLoader {
            id: pages
            objectName: "pageLoader"
            Layout.fillWidth: true
            Layout.fillHeight: true
            onPageChanged: updateTrashAvailability()
        }
    }

    footer: StatusBar {
        id: statusBar
        onRestoreClicked: updater.undo()
        onSyncStatusClicked: if (!DataManager.isUserLoggedIn) openMethodArticle("sync")
    }

    // --- Popups and menus

    Menu {
        id: taskMenu
        objectName: "taskMenu"
        property var list: null
        property var task: ({})
        readonly property bool completed: task.STATE === COMPLETED_OBJECT_STATE
        MenuItem {
            objectName: "menuToggleCompleted"
            text: taskMenu.completed ? qsTr("Mark as not complete") : qsTr("Mark as completed")
            onTriggered: taskMenu.completed ? uncompleteTask(taskMenu.task) : completeTask(taskMenu.task)
        }
        MenuItem {
            objectName: "menuToggleFavorite"
            text: isFavorite(taskMenu.task) ? qsTr("Remove from Favorites") : qsTr("Add to Favorites")
            onTriggered: toggleTaskFavorite(taskMenu.task)
        }
        MenuItem {
            text: qsTr("Go to this project")
            objectName: "menuGoToProject"
            onTriggered: goToTaskProject(taskMenu.task)
        }
        MenuItem {
            text: qsTr("Go to this context")
            objectName: "menuGoToContext"
            onTriggered: goToTaskContext(taskMenu.task)
        }
        MenuItem {
            objectName: "menuRename"
            text: qsTr("Rename")
            onTriggered: if (taskMenu.list) taskMenu.list.renameCurrent()
        }
        MenuItem {
            objectName: "menuDelete"
            text: taskMenu.list && taskMenu.list.selectionCount > 1 ? qsTr("Delete selected items") : qsTr("Delete Task")
            onTriggered: updater.deleteTasks(taskMenu.list && taskMenu.list.selectionCount > 1
                                             ? taskMenu.list.selectedTasks() : [taskMenu.task])
        }
        MenuSeparator {}
        MenuItem {
            objectName: "menuCut"
            text: qsTr("Cut")
            onTriggered: copySelected(true)
        }
        MenuItem {
            objectName: "menuCopy"
            text: qsTr("Copy")
            onTriggered: copySelected(false)
        }
    }
    Menu {
        id: listMenu
        objectName: "listMenu"
        property var page: null
        MenuItem {
            objectName: "menuSort"
            text: qsTr("Sorting...")
            onTriggered: sortingPopup.openFor(listMenu.page)
        }
        MenuItem {
            objectName: "menuExportPdf"
            text: qsTr("Export to PDF...")
            enabled: !PdfExportHelper.inProgress && listMenu.page !== null
                     && typeof listMenu.page.exportToPdf === "function"
            onTriggered: exportListToPdf(listMenu.page)
        }
    }

    SortingPopup { id: sortingPopup }
    TaskEditor { id: taskEditor }
    DateTimePopup { id: dateTimePopup }
    TreePickerPopup { id: treePicker }
    MessagePopup { id: messagePopup }
    AboutPopup { id: aboutPopup }
    RecoveryPopup {
        id: recoveryPopup
        // Every page was built over the closed store.
        onRecovered: {
            pages.dropCache()
            openSection(currentSection >= 0 ? currentSection : 1)
            refreshCounters()
        }
    }
    Connections {
        target: DataManager
        function onDatabaseOpenFailed() { recoveryPopup.offer() }
    }
    WelcomePopup {
        id: welcomePopup
        onSignInRequested: openSection(6)
        onClosed: {
            Settings.showWelcomeScreen = false
            AppUpdater.check()
        }
    }
    PasscodeCheckPopup {
        id: passcodeCheck
        darkTheme: Theme.dark
        accentColor: Theme.accent
    }

    Component {
        id: reminderWindow
        ReminderWindow {
            onOpenRequested: mainWindow.openReminderTask(task)
        }
    }
}
