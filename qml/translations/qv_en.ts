<?xml version='1.0' encoding='utf-8'?>
<!DOCTYPE TS>
<TS version="2.1" language="en_US">
<context>
    <name>AboutPopup</name>
    <message>
        <source>Version %1</source>
        <translation type="unfinished" />
    </message>
    <message>
        <source>A calm place to plan your days: tasks in projects and folders, contexts, a daily plan and reminders that never miss.</source>
        <translation type="unfinished" />
    </message>
    <message>
        <source>Close</source>
        <translation type="unfinished" />
    </message>
</context>
<context>
    <name>AppUpdater</name>
    <message>
        <source>Unable to save downloaded file. Contact the application's support team for more information.</source>
        <translation type="unfinished" />
    </message>
    <message>
        <source>Unable to launch downloaded file. Contact the application's support team for more information.</source>
        <translation type="unfinished" />
    </message>
</context>
<context>
    <name>AuthManager</name>
    <message>
        <source>The account service sent a reply that could not be read.</source>
        <translation type="unfinished" />
    </message>
</context>
<context>
    <name>DateTimePopup</name>
    <message>
        <source>Time</source>
        <translation type="unfinished" />
    </message>
    <message>
        <source>Hours</source>
        <translation type="unfinished" />
    </message>
    <message>
        <source>Minutes</source>
        <translation type="unfinished" />
    </message>
    <message>
        <source>Clear</source>
        <translation type="unfinished" />
    </message>
    <message>
        <source>Cancel</source>
        <translation type="unfinished" />
    </message>
    <message>
        <source>OK</source>
        <translation type="unfinished" />
    </message>
</context>
<context>
    <name>ExportHelper</name>
    <message>
        <source>Quorvel: </source>
        <translation type="unfinished" />
    </message>
    <message>
        <source>Sent with Quorvel – task management app for entrepreneurs, startups and creators: </source>
        <translation type="unfinished" />
    </message>
    <message>
        <source>Unable to create a directory %1. Please, create it manually and then try again.</source>
        <translation type="unfinished" />
    </message>
    <message>
        <source>Quorvel</source>
        <translation type="unfinished" />
    </message>
</context>
<context>
    <name>GuiManager</name>
    <message>
        <source>Open</source>
        <translation type="unfinished" />
    </message>
    <message>
        <source>Exit</source>
        <translation type="unfinished" />
    </message>
</context>
<context>
    <name>Helper</name>
    <message>
        <source>Today</source>
        <translation type="unfinished" />
    </message>
    <message>
        <source>Tomorrow</source>
        <translation type="unfinished" />
    </message>
    <message>
        <source>Yesterday</source>
        <translation type="unfinished" />
    </message>
</context>
<context>
    <name>ListExportText</name>
    <message numerus="yes">
        <source>%n task(s)</source>
        <translation><numerusform>%n task</numerusform><numerusform>%n tasks</numerusform></translation>
    </message>
    <message numerus="yes">
        <source>%n project(s)</source>
        <translation><numerusform>%n project</numerusform><numerusform>%n projects</numerusform></translation>
    </message>
    <message numerus="yes">
        <source>Also available: %n task(s)</source>
        <translation><numerusform>Also available: %n task</numerusform><numerusform>Also available: %n tasks</numerusform></translation>
    </message>
    <message numerus="yes">
        <source>Also available: %n project(s)</source>
        <translation><numerusform>Also available: %n project</numerusform><numerusform>Also available: %n projects</numerusform></translation>
    </message>
    <message>
        <source>Completed:</source>
        <translation type="unfinished" />
    </message>
    <message>
        <source>Active tasks:</source>
        <translation type="unfinished" />
    </message>
    <message>
        <source>Completed tasks:</source>
        <translation type="unfinished" />
    </message>
</context>
<context>
    <name>MessagePopup</name>
    <message>
        <source>OK</source>
        <translation type="unfinished" />
    </message>
</context>
<context>
    <name>MonthGrid</name>
    <message>
        <source>Previous month</source>
        <translation type="unfinished" />
    </message>
    <message>
        <source>Next month</source>
        <translation type="unfinished" />
    </message>
</context>
<context>
    <name>NewTaskPopup</name>
    <message>
        <source>None</source>
        <translation type="unfinished" />
    </message>
    <message>
        <source>New task</source>
        <translation type="unfinished" />
    </message>
    <message>
        <source>What needs to be done?</source>
        <translation type="unfinished" />
    </message>
    <message>
        <source>Task name</source>
        <translation type="unfinished" />
    </message>
    <message>
        <source>Project</source>
        <translation type="unfinished" />
    </message>
    <message>
        <source>due date:</source>
        <translation type="unfinished" />
    </message>
    <message>
        <source>Clear</source>
        <translation type="unfinished" />
    </message>
    <message>
        <source>Cancel</source>
        <translation type="unfinished" />
    </message>
    <message>
        <source>Add</source>
        <translation type="unfinished" />
    </message>
</context>
<context>
    <name>PageHeader</name>
    <message>
        <source>List options</source>
        <translation type="unfinished" />
    </message>
</context>
<context>
    <name>PasscodeCheckPopup</name>
    <message>
        <source>Quorvel is locked</source>
        <translation type="unfinished" />
    </message>
    <message>
        <source>Enter your passcode to continue.</source>
        <translation type="unfinished" />
    </message>
    <message>
        <source>Passcode</source>
        <translation type="unfinished" />
    </message>
    <message>
        <source>The passcode is incorrect. Try again.</source>
        <translation type="unfinished" />
    </message>
    <message>
        <source>Unlock</source>
        <translation type="unfinished" />
    </message>
</context>
<context>
    <name>PlaceholderPage</name>
    <message>
        <source>This part of Quorvel is on its way. Until then, collect your tasks in the Quorvel Box.</source>
        <translation type="unfinished" />
    </message>
</context>
<context>
    <name>ProxyAuthDialog</name>
    <message>
        <source>Authentication Required</source>
        <translation type="unfinished" />
    </message>
    <message>
        <source>Connect to proxy %1 using:</source>
        <translation type="unfinished" />
    </message>
    <message>
        <source>Remember my password</source>
        <translation type="unfinished" />
    </message>
    <message>
        <source>Username:</source>
        <translation type="unfinished" />
    </message>
    <message>
        <source>Password:</source>
        <translation type="unfinished" />
    </message>
</context>
<context>
    <name>QObject</name>
    <message>
        <source>5 minutes</source>
        <translation type="unfinished" />
    </message>
    <message>
        <source>15 minutes</source>
        <translation type="unfinished" />
    </message>
    <message>
        <source>30 minutes</source>
        <translation type="unfinished" />
    </message>
    <message>
        <source>1 hour</source>
        <translation type="unfinished" />
    </message>
    <message>
        <source>2 hours</source>
        <translation type="unfinished" />
    </message>
    <message>
        <source>3 hours</source>
        <translation type="unfinished" />
    </message>
    <message>
        <source>1 day</source>
        <translation type="unfinished" />
    </message>
    <message>
        <source>2 days</source>
        <translation type="unfinished" />
    </message>
    <message>
        <source>Task is active</source>
        <translation type="unfinished" />
    </message>
    <message>
        <source>Task is overdue</source>
        <translation type="unfinished" />
    </message>
    <message>
        <source>%1 before start</source>
        <translation type="unfinished" />
    </message>
    <message>
        <source>%1 before deadline</source>
        <translation type="unfinished" />
    </message>
    <message>
        <source>Don't forget about this task</source>
        <translation type="unfinished" />
    </message>
</context>
<context>
    <name>QuorvelBoxPage</name>
    <message>
        <source>Quorvel Box</source>
        <translation type="unfinished" />
    </message>
    <message numerus="yes">
        <source>%n task(s)</source>
        <translation><numerusform>%n task</numerusform><numerusform>%n tasks</numerusform></translation>
    </message>
    <message>
        <source>Quorvel Box is a special inbox for incoming tasks, quick notes and spontaneous ideas that appear during the day</source>
        <translation type="unfinished" />
    </message>
    <message>
        <source>Press + to add a task into Quorvel Box</source>
        <translation type="unfinished" />
    </message>
    <message>
        <source>Press + to add a task</source>
        <translation type="unfinished" />
    </message>
</context>
<context>
    <name>ReminderFormatHelper</name>
    <message>
        <source>5 min before %1</source>
        <translation type="unfinished" />
    </message>
    <message>
        <source>15 min before %1</source>
        <translation type="unfinished" />
    </message>
    <message>
        <source>30 min before %1</source>
        <translation type="unfinished" />
    </message>
    <message>
        <source>1 hour before %1</source>
        <translation type="unfinished" />
    </message>
    <message>
        <source>2 hours before %1</source>
        <translation type="unfinished" />
    </message>
    <message>
        <source>3 hours before %1</source>
        <translation type="unfinished" />
    </message>
    <message>
        <source>1 day before %1</source>
        <translation type="unfinished" />
    </message>
    <message>
        <source>2 days before %1</source>
        <translation type="unfinished" />
    </message>
    <message>
        <source>When task is active</source>
        <translation type="unfinished" />
    </message>
    <message>
        <source>When task is overdue</source>
        <translation type="unfinished" />
    </message>
    <message>
        <source>start</source>
        <translation type="unfinished" />
    </message>
    <message>
        <source>deadline</source>
        <translation type="unfinished" />
    </message>
</context>
<context>
    <name>RepetitionFormatHelper</name>
    <message>
        <source>Monday</source>
        <comment>повторения в превью</comment>
        <translation type="unfinished" />
    </message>
    <message>
        <source>Tuesday</source>
        <comment>повторения в превью</comment>
        <translation type="unfinished" />
    </message>
    <message>
        <source>Wednesday</source>
        <comment>повторения в превью</comment>
        <translation type="unfinished" />
    </message>
    <message>
        <source>Thursday</source>
        <comment>повторения в превью</comment>
        <translation type="unfinished" />
    </message>
    <message>
        <source>Friday</source>
        <comment>повторения в превью</comment>
        <translation type="unfinished" />
    </message>
    <message>
        <source>Saturday</source>
        <comment>повторения в превью</comment>
        <translation type="unfinished" />
    </message>
    <message>
        <source>Sunday</source>
        <comment>повторения в превью</comment>
        <translation type="unfinished" />
    </message>
    <message>
        <source>on Monday</source>
        <comment>следующая дата повторений</comment>
        <translation type="unfinished" />
    </message>
    <message>
        <source>on Tuesday</source>
        <comment>следующая дата повторений</comment>
        <translation type="unfinished" />
    </message>
    <message>
        <source>on Wednesday</source>
        <comment>следующая дата повторений</comment>
        <translation type="unfinished" />
    </message>
    <message>
        <source>on Thursday</source>
        <comment>следующая дата повторений</comment>
        <translation type="unfinished" />
    </message>
    <message>
        <source>on Friday</source>
        <comment>следующая дата повторений</comment>
        <translation type="unfinished" />
    </message>
    <message>
        <source>on Saturday</source>
        <comment>следующая дата повторений</comment>
        <translation type="unfinished" />
    </message>
    <message>
        <source>on Sunday</source>
        <comment>следующая дата повторений</comment>
        <translation type="unfinished" />
    </message>
    <message numerus="yes">
        <source>Do every %n days</source>
        <translation><numerusform>Do every %n day</numerusform><numerusform>Do every %n days</numerusform></translation>
    </message>
    <message numerus="yes">
        <source>Do every %n weeks</source>
        <translation><numerusform>Do every %n week</numerusform><numerusform>Do every %n weeks</numerusform></translation>
    </message>
    <message numerus="yes">
        <source>Do every %n months</source>
        <translation><numerusform>Do every %n month</numerusform><numerusform>Do every %n months</numerusform></translation>
    </message>
    <message>
        <source> on %1</source>
        <translation type="unfinished" />
    </message>
    <message>
        <source>%1 and %2</source>
        <translation type="unfinished" />
    </message>
</context>
<context>
    <name>SearchPage</name>
    <message>
        <source>Search</source>
        <translation type="unfinished" />
    </message>
    <message>
        <source>No items found</source>
        <translation type="unfinished" />
    </message>
    <message>
        <source>Quorvel Box</source>
        <translation type="unfinished" />
    </message>
</context>
<context>
    <name>SearchSortFilterModel</name>
    <message>
        <source>No context</source>
        <translation type="unfinished" />
    </message>
    <message>
        <source>No folder</source>
        <translation type="unfinished" />
    </message>
    <message>
        <source>Quorvel Box</source>
        <translation type="unfinished" />
    </message>
    <message>
        <source>One Step Actions</source>
        <translation type="unfinished" />
    </message>
</context>
<context>
    <name>SortingPopup</name>
    <message>
        <source>Sort the list</source>
        <translation type="unfinished" />
    </message>
    <message>
        <source>Manually</source>
        <translation type="unfinished" />
    </message>
    <message>
        <source>By name</source>
        <translation type="unfinished" />
    </message>
    <message>
        <source>Oldest first</source>
        <translation type="unfinished" />
    </message>
    <message>
        <source>Newest first</source>
        <translation type="unfinished" />
    </message>
    <message>
        <source>Group by date</source>
        <translation type="unfinished" />
    </message>
    <message>
        <source>Cancel</source>
        <translation type="unfinished" />
    </message>
    <message>
        <source>Apply</source>
        <translation type="unfinished" />
    </message>
</context>
<context>
    <name>StatusBar</name>
    <message>
        <source>Sync in progress…</source>
        <translation type="unfinished" />
    </message>
    <message>
        <source>Sync hasn't been performed yet</source>
        <translation type="unfinished" />
    </message>
    <message>
        <source>Last synced: today %1</source>
        <translation type="unfinished" />
    </message>
    <message>
        <source>Last synced: %1</source>
        <translation type="unfinished" />
    </message>
    <message>
        <source>Restore</source>
        <translation type="unfinished" />
    </message>
</context>
<context>
    <name>StyledPdfPage</name>
    <message>
        <source>No tasks</source>
        <translation type="unfinished" />
    </message>
    <message>
        <source>Daily Plan</source>
        <translation type="unfinished" />
    </message>
    <message numerus="yes">
        <source>%n task(s)</source>
        <translation><numerusform>%n task</numerusform><numerusform>%n tasks</numerusform></translation>
    </message>
    <message numerus="yes">
        <source>%n project(s)</source>
        <translation><numerusform>%n project</numerusform><numerusform>%n projects</numerusform></translation>
    </message>
    <message numerus="yes">
        <source>Also available: %n task(s)</source>
        <translation><numerusform>Also available: %n task</numerusform><numerusform>Also available: %n tasks</numerusform></translation>
    </message>
    <message numerus="yes">
        <source>Also available: %n project(s)</source>
        <translation><numerusform>Also available: %n project</numerusform><numerusform>Also available: %n projects</numerusform></translation>
    </message>
    <message>
        <source>Completed</source>
        <translation type="unfinished" />
    </message>
    <message>
        <source>Quorvel Box</source>
        <translation type="unfinished" />
    </message>
    <message numerus="yes">
        <source>%n context(s)</source>
        <translation><numerusform>%n context</numerusform><numerusform>%n contexts</numerusform></translation>
    </message>
    <message>
        <source>Favorites</source>
        <translation type="unfinished" />
    </message>
    <message>
        <source>Project</source>
        <translation type="unfinished" />
    </message>
    <message>
        <source>Context</source>
        <translation type="unfinished" />
    </message>
    <message>
        <source>Favorite</source>
        <translation type="unfinished" />
    </message>
    <message>
        <source>Next occurrence:</source>
        <translation type="unfinished" />
    </message>
    <message>
        <source>Reminders</source>
        <translation type="unfinished" />
    </message>
    <message>
        <source>Task details</source>
        <translation type="unfinished" />
    </message>
    <message>
        <source>One Step Actions</source>
        <translation type="unfinished" />
    </message>
</context>
<context>
    <name>SyncManager</name>
    <message>
        <source>Change Password Error</source>
        <translation type="unfinished" />
    </message>
    <message>
        <source>Your current password is incorrect, please check.</source>
        <translation type="unfinished" />
    </message>
    <message>
        <source>Warning</source>
        <translation type="unfinished" />
    </message>
    <message>
        <source>The app version you are using is too old. In order to perform sync, please update the app.</source>
        <translation type="unfinished" />
    </message>
    <message>
        <source>Login Error</source>
        <translation type="unfinished" />
    </message>
    <message>
        <source>The email you have entered does not belong to any account.</source>
        <translation type="unfinished" />
    </message>
    <message>
        <source>The password you have entered is incorrect.</source>
        <translation type="unfinished" />
    </message>
    <message>
        <source>Registration Error</source>
        <translation type="unfinished" />
    </message>
    <message>
        <source>A user with this email already exists.</source>
        <translation type="unfinished" />
    </message>
    <message>
        <source>Internal Server Error</source>
        <translation type="unfinished" />
    </message>
    <message>
        <source>We are sorry. The server encountered an internal error and was unable to complete your request. Please try again.</source>
        <translation type="unfinished" />
    </message>
    <message>
        <source>Application Error</source>
        <translation type="unfinished" />
    </message>
    <message>
        <source>Unknown error occurred during logout. Contact the application's support team for more information.</source>
        <translation type="unfinished" />
    </message>
    <message>
        <source>Sync Error</source>
        <translation type="unfinished" />
    </message>
    <message>
        <source>Sync error (code %1). Please logout from your account and login again to resolve the issue.</source>
        <translation type="unfinished" />
    </message>
</context>
<context>
    <name>TaskEditorRules</name>
    <message>
        <source>Warning</source>
        <translation type="unfinished" />
    </message>
    <message>
        <source>Unfortunately with monthly repeating tasks it's impossible to set due date to 29, 30 and 31.</source>
        <translation type="unfinished" />
    </message>
    <message>
        <source>Save Error</source>
        <translation type="unfinished" />
    </message>
    <message>
        <source>Please input task name</source>
        <translation type="unfinished" />
    </message>
</context>
<context>
    <name>TaskListView</name>
    <message>
        <source>Completed</source>
        <translation type="unfinished" />
    </message>
    <message>
        <source>Quorvel Box</source>
        <translation type="unfinished" />
    </message>
    <message>
        <source>One Step Actions</source>
        <translation type="unfinished" />
    </message>
</context>
<context>
    <name>TaskPasteRules</name>
    <message>
        <source>Paste error</source>
        <translation type="unfinished" />
    </message>
    <message>
        <source>One can paste only tasks or projects into this list.</source>
        <translation type="unfinished" />
    </message>
    <message>
        <source>One can paste only tasks into this list.</source>
        <translation type="unfinished" />
    </message>
</context>
<context>
    <name>TaskRow</name>
    <message>
        <source>Mark as not complete</source>
        <translation type="unfinished" />
    </message>
    <message>
        <source>Mark as completed</source>
        <translation type="unfinished" />
    </message>
    <message>
        <source>start date:</source>
        <translation type="unfinished" />
    </message>
    <message>
        <source>None</source>
        <translation type="unfinished" />
    </message>
    <message>
        <source>due date:</source>
        <translation type="unfinished" />
    </message>
    <message>
        <source>Repeats</source>
        <translation type="unfinished" />
    </message>
    <message>
        <source>Has reminders</source>
        <translation type="unfinished" />
    </message>
    <message>
        <source>Remove from Favorites</source>
        <translation type="unfinished" />
    </message>
    <message>
        <source>Add to Favorites</source>
        <translation type="unfinished" />
    </message>
</context>
<context>
    <name>TrashPage</name>
    <message>
        <source>Tasks</source>
        <translation type="unfinished" />
    </message>
    <message>
        <source>Projects</source>
        <translation type="unfinished" />
    </message>
    <message>
        <source>Folders</source>
        <translation type="unfinished" />
    </message>
    <message>
        <source>Contexts</source>
        <translation type="unfinished" />
    </message>
    <message>
        <source>Trash</source>
        <translation type="unfinished" />
    </message>
    <message>
        <source>You can restore tasks, projects, folders and contexts within 14 days after deletion date</source>
        <translation type="unfinished" />
    </message>
    <message>
        <source>Empty Trash</source>
        <translation type="unfinished" />
    </message>
    <message>
        <source>Are you sure you want to delete everything for good?</source>
        <translation type="unfinished" />
    </message>
    <message>
        <source>Delete all</source>
        <translation type="unfinished" />
    </message>
    <message>
        <source>Completed</source>
        <translation type="unfinished" />
    </message>
    <message>
        <source>The trash is empty</source>
        <translation type="unfinished" />
    </message>
    <message>
        <source>Deleted tasks, projects, folders and contexts stay here for 14 days</source>
        <translation type="unfinished" />
    </message>
</context>
<context>
    <name>TrashRow</name>
    <message numerus="yes">
        <source>%n day(s)</source>
        <translation><numerusform>%n day</numerusform><numerusform>%n days</numerusform></translation>
    </message>
    <message>
        <source>Restore</source>
        <translation type="unfinished" />
    </message>
</context>
<context>
    <name>TreePickerPopup</name>
    <message>
        <source>Choose a context</source>
        <translation type="unfinished" />
    </message>
    <message>
        <source>Choose a project</source>
        <translation type="unfinished" />
    </message>
    <message>
        <source>No context</source>
        <translation type="unfinished" />
    </message>
    <message>
        <source>Quorvel Box</source>
        <translation type="unfinished" />
    </message>
</context>
<context>
    <name>main</name>
    <message>
        <source>Snooze</source>
        <translation type="unfinished" />
    </message>
    <message>
        <source>Close</source>
        <translation type="unfinished" />
    </message>
    <message>
        <source>Your tasks could not be opened. Please see the log for details.</source>
        <translation type="unfinished" />
    </message>
    <message>
        <source>Quorvel Box</source>
        <translation type="unfinished" />
    </message>
    <message>
        <source>Daily Plan</source>
        <translation type="unfinished" />
    </message>
    <message>
        <source>Projects</source>
        <translation type="unfinished" />
    </message>
    <message>
        <source>Contexts</source>
        <translation type="unfinished" />
    </message>
    <message>
        <source>Favorites</source>
        <translation type="unfinished" />
    </message>
    <message>
        <source>Method</source>
        <translation type="unfinished" />
    </message>
    <message>
        <source>Settings</source>
        <translation type="unfinished" />
    </message>
    <message>
        <source>Your daily plan: each day's tasks beside a month calendar that marks busy and overdue days.</source>
        <translation type="unfinished" />
    </message>
    <message>
        <source>Your projects, in folders as deep as you like, with their tasks.</source>
        <translation type="unfinished" />
    </message>
    <message>
        <source>Contexts: where or how work is done, with the tasks and projects tagged with them.</source>
        <translation type="unfinished" />
    </message>
    <message>
        <source>Your most important projects, tasks and contexts in one list.</source>
        <translation type="unfinished" />
    </message>
    <message>
        <source>Short articles on planning your days with Quorvel.</source>
        <translation type="unfinished" />
    </message>
    <message>
        <source>Account, sync, appearance, passcode and calendar settings.</source>
        <translation type="unfinished" />
    </message>
    <message>
        <source>Please note that the app is still running in the background. </source>
        <translation type="unfinished" />
    </message>
    <message>
        <source>In order to close it please use the icon in the system tray.</source>
        <translation type="unfinished" />
    </message>
    <message>
        <source>Application Error</source>
        <translation type="unfinished" />
    </message>
    <message>
        <source>It seems like the notification service is blocked by a firewall </source>
        <translation type="unfinished" />
    </message>
    <message>
        <source>or anitivirus software. Please add %1 to blocking exceptions </source>
        <translation type="unfinished" />
    </message>
    <message>
        <source>in order to make notifications work again.</source>
        <translation type="unfinished" />
    </message>
    <message>
        <source>Print Error</source>
        <translation type="unfinished" />
    </message>
    <message>
        <source>start date:</source>
        <translation type="unfinished" />
    </message>
    <message>
        <source>due date:</source>
        <translation type="unfinished" />
    </message>
    <message>
        <source>One Step Actions</source>
        <translation type="unfinished" />
    </message>
    <message>
        <source>OK</source>
        <translation type="unfinished" />
    </message>
    <message>
        <source>Cancel</source>
        <translation type="unfinished" />
    </message>
    <message>
        <source>You completed a task</source>
        <translation type="unfinished" />
    </message>
    <message>
        <source>The task was moved to the trash</source>
        <translation type="unfinished" />
    </message>
    <message numerus="yes">
        <source>%n task(s) moved to the trash</source>
        <translation><numerusform>%n task moved to the trash</numerusform><numerusform>%n tasks moved to the trash</numerusform></translation>
    </message>
    <message>
        <source>Network error</source>
        <translation type="unfinished" />
    </message>
    <message>
        <source>The server could not be reached. Make sure the internet connection is working and try again.</source>
        <translation type="unfinished" />
    </message>
    <message>
        <source>Sync error</source>
        <translation type="unfinished" />
    </message>
    <message>
        <source>It seems like you changed your password on another device. Please login to your account with the new password.</source>
        <translation type="unfinished" />
    </message>
    <message>
        <source>Update error</source>
        <translation type="unfinished" />
    </message>
    <message>
        <source>Update available</source>
        <translation type="unfinished" />
    </message>
    <message>
        <source>Quorvel %1 is available. %2</source>
        <translation type="unfinished" />
    </message>
    <message>
        <source>Download</source>
        <translation type="unfinished" />
    </message>
    <message>
        <source>Check Updates</source>
        <translation type="unfinished" />
    </message>
    <message>
        <source>You are using the latest version of Quorvel.</source>
        <translation type="unfinished" />
    </message>
    <message>
        <source>&amp;File</source>
        <translation type="unfinished" />
    </message>
    <message>
        <source>Create</source>
        <translation type="unfinished" />
    </message>
    <message>
        <source>Add Task to Quorvel Box...</source>
        <translation type="unfinished" />
    </message>
    <message>
        <source>Add New Task...</source>
        <translation type="unfinished" />
    </message>
    <message>
        <source>Add New Project...</source>
        <translation type="unfinished" />
    </message>
    <message>
        <source>Add New Folder...</source>
        <translation type="unfinished" />
    </message>
    <message>
        <source>Add New Context...</source>
        <translation type="unfinished" />
    </message>
    <message>
        <source>Recent Projects</source>
        <translation type="unfinished" />
    </message>
    <message>
        <source>Sync</source>
        <translation type="unfinished" />
    </message>
    <message>
        <source>Settings...</source>
        <translation type="unfinished" />
    </message>
    <message>
        <source>Print...</source>
        <translation type="unfinished" />
    </message>
    <message>
        <source>Close Window</source>
        <translation type="unfinished" />
    </message>
    <message>
        <source>&amp;Edit</source>
        <translation type="unfinished" />
    </message>
    <message>
        <source>Delete Selected Object</source>
        <translation type="unfinished" />
    </message>
    <message>
        <source>Cut</source>
        <translation type="unfinished" />
    </message>
    <message>
        <source>Copy</source>
        <translation type="unfinished" />
    </message>
    <message>
        <source>Paste</source>
        <translation type="unfinished" />
    </message>
    <message>
        <source>Select All</source>
        <translation type="unfinished" />
    </message>
    <message>
        <source>&amp;View</source>
        <translation type="unfinished" />
    </message>
    <message>
        <source>Go to</source>
        <translation type="unfinished" />
    </message>
    <message>
        <source>Show/Hide Object Properties</source>
        <translation type="unfinished" />
    </message>
    <message>
        <source>Show/Hide Navigation Tree</source>
        <translation type="unfinished" />
    </message>
    <message>
        <source>Show/Hide Object Description</source>
        <translation type="unfinished" />
    </message>
    <message>
        <source>&amp;Help</source>
        <translation type="unfinished" />
    </message>
    <message>
        <source>About Quorvel</source>
        <translation type="unfinished" />
    </message>
    <message>
        <source>Report an Error...</source>
        <translation type="unfinished" />
    </message>
    <message>
        <source>Terms of Use</source>
        <translation type="unfinished" />
    </message>
    <message>
        <source>Privacy Policy</source>
        <translation type="unfinished" />
    </message>
    <message>
        <source>Quorvel on the Web</source>
        <translation type="unfinished" />
    </message>
    <message>
        <source>Back</source>
        <translation type="unfinished" />
    </message>
    <message>
        <source>Forward</source>
        <translation type="unfinished" />
    </message>
    <message>
        <source>Trash</source>
        <translation type="unfinished" />
    </message>
    <message>
        <source>Search</source>
        <translation type="unfinished" />
    </message>
    <message>
        <source>Clear search</source>
        <translation type="unfinished" />
    </message>
    <message>
        <source>Sync in progress…</source>
        <translation type="unfinished" />
    </message>
    <message>
        <source>Mark as not complete</source>
        <translation type="unfinished" />
    </message>
    <message>
        <source>Mark as completed</source>
        <translation type="unfinished" />
    </message>
    <message>
        <source>Remove from Favorites</source>
        <translation type="unfinished" />
    </message>
    <message>
        <source>Add to Favorites</source>
        <translation type="unfinished" />
    </message>
    <message>
        <source>Go to this project</source>
        <translation type="unfinished" />
    </message>
    <message>
        <source>Go to this context</source>
        <translation type="unfinished" />
    </message>
    <message>
        <source>Rename</source>
        <translation type="unfinished" />
    </message>
    <message>
        <source>Delete selected items</source>
        <translation type="unfinished" />
    </message>
    <message>
        <source>Delete Task</source>
        <translation type="unfinished" />
    </message>
    <message>
        <source>Sorting...</source>
        <translation type="unfinished" />
    </message>
    <message>
        <source>Export to PDF...</source>
        <translation type="unfinished" />
    </message>
    <message>
        <source>No printers were found.</source>
        <translation type="unfinished" />
    </message>
    <message>
        <source>Export error</source>
        <translation type="unfinished" />
    </message>
    <message>
        <source>Send by E-mail...</source>
        <translation type="unfinished" />
    </message>
</context>
</TS>