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
    <name>DailyPlanPage</name>
    <message>
        <source>Due</source>
        <translation type="unfinished" />
    </message>
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
    <message>
        <source>Hide calendar</source>
        <translation type="unfinished" />
    </message>
    <message>
        <source>Show calendar</source>
        <translation type="unfinished" />
    </message>
    <message>
        <source>List options</source>
        <translation type="unfinished" />
    </message>
    <message>
        <source>Here you will find your daily task lists</source>
        <translation type="unfinished" />
    </message>
    <message>
        <source>No tasks for this day yet</source>
        <translation type="unfinished" />
    </message>
    <message>
        <source>Press + to add a task for Today</source>
        <translation type="unfinished" />
    </message>
    <message>
        <source>Press + to add a task to this date</source>
        <translation type="unfinished" />
    </message>
    <message>
        <source>Task</source>
        <translation type="unfinished" />
    </message>
    <message>
        <source>Project</source>
        <translation type="unfinished" />
    </message>
    <message>
        <source>Export to PDF</source>
        <translation type="unfinished" />
    </message>
    <message>
        <source>PDF files (*.pdf)</source>
        <translation type="unfinished" />
    </message>
</context>
<context>
    <name>DataHandler</name>
    <message>
        <source>The database has not been opened yet.</source>
        <translation type="unfinished" />
    </message>
    <message>
        <source>There is no database file at %1.</source>
        <translation type="unfinished" />
    </message>
    <message>
        <source>The database file %1 cannot be read.</source>
        <translation type="unfinished" />
    </message>
    <message>
        <source>The database file %1 is damaged or is not a Quorvel database.</source>
        <translation type="unfinished" />
    </message>
</context>
<context>
    <name>DataManager</name>
    <message>
        <source>The data worker has stopped.</source>
        <translation type="unfinished" />
    </message>
</context>
<context>
    <name>DateField</name>
    <message>
        <source>None</source>
        <translation type="unfinished" />
    </message>
    <message>
        <source>Clear</source>
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
    <name>DayPlanListView</name>
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
        <translation>
            <numerusform>%n task</numerusform>
            <numerusform>%n tasks</numerusform>
        </translation>
    </message>
    <message numerus="yes">
        <source>%n project(s)</source>
        <translation>
            <numerusform>%n project</numerusform>
            <numerusform>%n projects</numerusform>
        </translation>
    </message>
    <message numerus="yes">
        <source>Also available: %n task(s)</source>
        <translation>
            <numerusform>Also available: %n task</numerusform>
            <numerusform>Also available: %n tasks</numerusform>
        </translation>
    </message>
    <message numerus="yes">
        <source>Also available: %n project(s)</source>
        <translation>
            <numerusform>Also available: %n project</numerusform>
            <numerusform>Also available: %n projects</numerusform>
        </translation>
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
    <name>MethodPage</name>
    <message>
        <source>Collect everything in the Quorvel Box</source>
        <translation type="unfinished" />
    </message>
    <message>
        <source>Whatever comes to mind during the day — a call to make, an idea, a promise — goes into the Quorvel Box at once, with Ctrl+Shift+N from anywhere in the window. Do not sort it yet: the point is to get it out of your head in a few seconds.

Once a day, empty the box: give each task a project, a context and a date, or delete it. A box that is emptied every day is a box you can trust.</source>
        <translation type="unfinished" />
    </message>
    <message>
        <source>Plan each day the evening before</source>
        <translation type="unfinished" />
    </message>
    <message>
        <source>The daily plan shows the tasks due on a day, the overdue ones and those that could be done then. Spend five minutes in the evening choosing what tomorrow really holds, and drag the rest onto other days of the calendar.

A short plan you finish is better than a long one you abandon: leave room for the unexpected.</source>
        <translation type="unfinished" />
    </message>
    <message>
        <source>Projects, folders and the next step</source>
        <translation type="unfinished" />
    </message>
    <message>
        <source>A project is any outcome that takes more than one step. Keep projects in folders by area of life — work, home, health — and make sure every active project has a next step you could do today.

Tasks that need only one step belong in One Step Actions.</source>
        <translation type="unfinished" />
    </message>
    <message>
        <source>Contexts: where and how</source>
        <translation type="unfinished" />
    </message>
    <message>
        <source>A context says what you need to do a task: a place (office, home, shop), a tool (phone, computer) or a person. When you are in a context, its list shows everything you can do there, across all your projects.</source>
        <translation type="unfinished" />
    </message>
    <message>
        <source>Repeating tasks and reminders</source>
        <translation type="unfinished" />
    </message>
    <message>
        <source>Routines — paying the rent, watering the plants, a weekly review — repeat by a rule: every few days, on chosen weekdays, monthly or yearly. Completing a repeated task moves it to its next date.

Reminders fire even when the window is closed, as long as Quorvel runs in the tray. Snooze puts a reminder off for fifteen minutes.</source>
        <translation type="unfinished" />
    </message>
    <message>
        <source>Sync between your devices</source>
        <translation type="unfinished" />
    </message>
    <message>
        <source>Sign in to your account in Settings to keep your tasks on every device. Quorvel syncs in the background when it starts, when the window comes back and after your changes; the status bar shows when it last synced.

You can work offline at any time: your changes wait on this device and go out with the next sync.</source>
        <translation type="unfinished" />
    </message>
    <message>
        <source>Method</source>
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
    <name>ProjectRow</name>
    <message>
        <source>Mark as not complete</source>
        <translation type="unfinished" />
    </message>
    <message>
        <source>Mark as completed</source>
        <translation type="unfinished" />
    </message>
    <message>
        <source>One Step Actions</source>
        <translation type="unfinished" />
    </message>
    <message numerus="yes">
        <source>%n task(s)</source>
        <translation><numerusform>%n task</numerusform><numerusform>%n tasks</numerusform></translation>
    </message>
    <message>
        <source>start date:</source>
        <translation type="unfinished" />
    </message>
    <message>
        <source>due date:</source>
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
        <translation>
            <numerusform>%n task</numerusform>
            <numerusform>%n tasks</numerusform>
        </translation>
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
    <name>RecoveryPopup</name>
    <message>
        <source>Your tasks could not be opened</source>
        <translation type="unfinished" />
    </message>
    <message>
        <source>A backup from %1 can be restored. Changes made after it are not in it.</source>
        <translation type="unfinished" />
    </message>
    <message>
        <source>There is no backup to restore. You can start again with an empty database.</source>
        <translation type="unfinished" />
    </message>
    <message>
        <source>The file that could not be opened is kept aside under another name; nothing is deleted.</source>
        <translation type="unfinished" />
    </message>
    <message>
        <source>You are signed in, so everything in your account will be downloaded again afterwards.</source>
        <translation type="unfinished" />
    </message>
    <message>
        <source>That did not work. Please see the log for details.</source>
        <translation type="unfinished" />
    </message>
    <message>
        <source>Not now</source>
        <translation type="unfinished" />
    </message>
    <message>
        <source>Start with an empty database</source>
        <translation type="unfinished" />
    </message>
    <message>
        <source>Restore the backup</source>
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
    <name>ReminderWindow</name>
    <message>
        <source>Snooze</source>
        <translation type="unfinished" />
    </message>
    <message>
        <source>Close</source>
        <translation type="unfinished" />
    </message>
</context>
<context>
    <name>RepetitionEditor</name>
    <message>
        <source>None</source>
        <translation type="unfinished" />
    </message>
    <message>
        <source>Day</source>
        <translation type="unfinished" />
    </message>
    <message>
        <source>Week</source>
        <translation type="unfinished" />
    </message>
    <message>
        <source>Month</source>
        <translation type="unfinished" />
    </message>
    <message>
        <source>Mon</source>
        <translation type="unfinished" />
    </message>
    <message>
        <source>Tue</source>
        <translation type="unfinished" />
    </message>
    <message>
        <source>Wed</source>
        <translation type="unfinished" />
    </message>
    <message>
        <source>Thu</source>
        <translation type="unfinished" />
    </message>
    <message>
        <source>Fri</source>
        <translation type="unfinished" />
    </message>
    <message>
        <source>Sat</source>
        <translation type="unfinished" />
    </message>
    <message>
        <source>Sun</source>
        <translation type="unfinished" />
    </message>
    <message numerus="yes">
        <source>Every %n day(s)</source>
        <translation><numerusform>Every %n day</numerusform><numerusform>Every %n days</numerusform></translation>
    </message>
    <message numerus="yes">
        <source>Every %n week(s)</source>
        <translation><numerusform>Every %n week</numerusform><numerusform>Every %n weeks</numerusform></translation>
    </message>
    <message numerus="yes">
        <source>Every %n month(s)</source>
        <translation><numerusform>Every %n month</numerusform><numerusform>Every %n months</numerusform></translation>
    </message>
    <message>
        <source>No repetition</source>
        <translation type="unfinished" />
    </message>
    <message>
        <source>Repeat</source>
        <translation type="unfinished" />
    </message>
    <message>
        <source>Interval</source>
        <translation type="unfinished" />
    </message>
    <message>
        <source>Next: %1</source>
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
        <translation>
            <numerusform>Do every %n day</numerusform>
            <numerusform>Do every %n days</numerusform>
        </translation>
    </message>
    <message numerus="yes">
        <source>Do every %n weeks</source>
        <translation>
            <numerusform>Do every %n week</numerusform>
            <numerusform>Do every %n weeks</numerusform>
        </translation>
    </message>
    <message numerus="yes">
        <source>Do every %n months</source>
        <translation>
            <numerusform>Do every %n month</numerusform>
            <numerusform>Do every %n months</numerusform>
        </translation>
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
    <name>SidePanel</name>
    <message>
        <source>New</source>
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
        <translation>
            <numerusform>%n task</numerusform>
            <numerusform>%n tasks</numerusform>
        </translation>
    </message>
    <message numerus="yes">
        <source>%n project(s)</source>
        <translation>
            <numerusform>%n project</numerusform>
            <numerusform>%n projects</numerusform>
        </translation>
    </message>
    <message numerus="yes">
        <source>Also available: %n task(s)</source>
        <translation>
            <numerusform>Also available: %n task</numerusform>
            <numerusform>Also available: %n tasks</numerusform>
        </translation>
    </message>
    <message numerus="yes">
        <source>Also available: %n project(s)</source>
        <translation>
            <numerusform>Also available: %n project</numerusform>
            <numerusform>Also available: %n projects</numerusform>
        </translation>
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
        <translation>
            <numerusform>%n context</numerusform>
            <numerusform>%n contexts</numerusform>
        </translation>
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
    <name>TaskEditor</name>
    <message>
        <source>Due date</source>
        <translation type="unfinished" />
    </message>
    <message>
        <source>Start date</source>
        <translation type="unfinished" />
    </message>
    <message>
        <source>Date</source>
        <translation type="unfinished" />
    </message>
    <message>
        <source>No context</source>
        <translation type="unfinished" />
    </message>
    <message>
        <source>Save Error</source>
        <translation type="unfinished" />
    </message>
    <message>
        <source>The task could not be saved. Please see the log for details.</source>
        <translation type="unfinished" />
    </message>
    <message>
        <source>New task</source>
        <translation type="unfinished" />
    </message>
    <message>
        <source>Edit</source>
        <translation type="unfinished" />
    </message>
    <message>
        <source>General</source>
        <translation type="unfinished" />
    </message>
    <message>
        <source>Metadata</source>
        <translation type="unfinished" />
    </message>
    <message>
        <source>Reminders</source>
        <translation type="unfinished" />
    </message>
    <message>
        <source>Memo</source>
        <translation type="unfinished" />
    </message>
    <message>
        <source>Task name</source>
        <translation type="unfinished" />
    </message>
    <message>
        <source>Enter task name</source>
        <translation type="unfinished" />
    </message>
    <message>
        <source>Project</source>
        <translation type="unfinished" />
    </message>
    <message>
        <source>from</source>
        <translation type="unfinished" />
    </message>
    <message>
        <source>Start time</source>
        <translation type="unfinished" />
    </message>
    <message>
        <source>to</source>
        <translation type="unfinished" />
    </message>
    <message>
        <source>Due time</source>
        <translation type="unfinished" />
    </message>
    <message>
        <source>Status</source>
        <translation type="unfinished" />
    </message>
    <message>
        <source>Active</source>
        <translation type="unfinished" />
    </message>
    <message>
        <source>Complete</source>
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
        <source>Remind before start</source>
        <translation type="unfinished" />
    </message>
    <message>
        <source>Remind before deadline</source>
        <translation type="unfinished" />
    </message>
    <message>
        <source>Task has already started or overdue.
Please adjust its dates to add a reminder</source>
        <translation type="unfinished" />
    </message>
    <message>
        <source>To add a reminder for this task please add
a start or due date first</source>
        <translation type="unfinished" />
    </message>
    <message>
        <source>Setup dates</source>
        <translation type="unfinished" />
    </message>
    <message>
        <source>Notes, links, details</source>
        <translation type="unfinished" />
    </message>
    <message>
        <source>Cancel</source>
        <translation type="unfinished" />
    </message>
    <message>
        <source>Save</source>
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
        <translation>
            <numerusform>%n day</numerusform>
            <numerusform>%n days</numerusform>
        </translation>
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
    <name>WelcomePopup</name>
    <message>
        <source>Welcome to Quorvel</source>
        <translation type="unfinished" />
    </message>
    <message>
        <source>Your tasks on every device</source>
        <translation type="unfinished" />
    </message>
    <message>
        <source>Collect what comes to mind in the Quorvel Box, sort it into projects and contexts, and plan each day beside the calendar. Reminders reach you even when the window is closed.</source>
        <translation type="unfinished" />
    </message>
    <message>
        <source>Sign in to keep your tasks in sync between your computers and phone. You can also go on offline and sign in later in Settings.</source>
        <translation type="unfinished" />
    </message>
    <message>
        <source>Continue offline</source>
        <translation type="unfinished" />
    </message>
    <message>
        <source>Get started</source>
        <translation type="unfinished" />
    </message>
    <message>
        <source>Sign in</source>
        <translation type="unfinished" />
    </message>
</context>
<context>
    <name>main</name>
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
        <translation>
            <numerusform>%n task moved to the trash</numerusform>
            <numerusform>%n tasks moved to the trash</numerusform>
        </translation>
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
    <message>
        <source>You completed a project</source>
        <translation type="unfinished" />
    </message>
</context>
</TS>