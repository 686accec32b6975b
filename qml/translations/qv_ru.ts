<?xml version='1.0' encoding='utf-8'?>
<!DOCTYPE TS>
<TS version="2.1" language="ru_RU">
<context>
    <name>AboutPopup</name>
    <message>
        <source>Version %1</source>
        <translation>Версия %1</translation>
    </message>
    <message>
        <source>A calm place to plan your days: tasks in projects and folders, contexts, a daily plan and reminders that never miss.</source>
        <translation>Спокойное место для планирования дней: задачи в проектах и папках, контексты, план на день и напоминания, которые не подведут.</translation>
    </message>
    <message>
        <source>Close</source>
        <translation>Закрыть</translation>
    </message>
</context>
<context>
    <name>AppUpdater</name>
    <message>
        <source>Unable to save downloaded file. Contact the application's support team for more information.</source>
        <translation>Не удалось сохранить загруженный файл. Обратитесь в службу поддержки приложения.</translation>
    </message>
    <message>
        <source>Unable to launch downloaded file. Contact the application's support team for more information.</source>
        <translation>Не удалось запустить загруженный файл. Обратитесь в службу поддержки приложения.</translation>
    </message>
</context>
<context>
    <name>AuthManager</name>
    <message>
        <source>The account service sent a reply that could not be read.</source>
        <translation>Сервис учётных записей прислал ответ, который не удалось прочитать.</translation>
    </message>
</context>
<context>
    <name>DailyPlanPage</name>
    <message>
        <source>Due</source>
        <translation>Срок</translation>
    </message>
    <message>
        <source>Today</source>
        <translation>Сегодня</translation>
    </message>
    <message>
        <source>Tomorrow</source>
        <translation>Завтра</translation>
    </message>
    <message>
        <source>Yesterday</source>
        <translation>Вчера</translation>
    </message>
    <message>
        <source>Hide calendar</source>
        <translation>Скрыть календарь</translation>
    </message>
    <message>
        <source>Show calendar</source>
        <translation>Показать календарь</translation>
    </message>
    <message>
        <source>List options</source>
        <translation>Параметры списка</translation>
    </message>
    <message>
        <source>Here you will find your daily task lists</source>
        <translation>Здесь будут ваши списки задач на день</translation>
    </message>
    <message>
        <source>No tasks for this day yet</source>
        <translation>На этот день задач пока нет</translation>
    </message>
    <message>
        <source>Press + to add a task for Today</source>
        <translation>Нажмите +, чтобы добавить задачу на сегодня</translation>
    </message>
    <message>
        <source>Press + to add a task to this date</source>
        <translation>Нажмите +, чтобы добавить задачу на эту дату</translation>
    </message>
    <message>
        <source>Task</source>
        <translation>Задача</translation>
    </message>
    <message>
        <source>Project</source>
        <translation>Проект</translation>
    </message>
    <message>
        <source>Export to PDF</source>
        <translation>Экспорт в PDF</translation>
    </message>
    <message>
        <source>PDF files (*.pdf)</source>
        <translation>Файлы PDF (*.pdf)</translation>
    </message>
</context>
<context>
    <name>DataHandler</name>
    <message>
        <source>The database has not been opened yet.</source>
        <translation>База данных ещё не открыта.</translation>
    </message>
    <message>
        <source>There is no database file at %1.</source>
        <translation>Файл базы данных %1 не найден.</translation>
    </message>
    <message>
        <source>The database file %1 cannot be read.</source>
        <translation>Не удаётся прочитать файл базы данных %1.</translation>
    </message>
    <message>
        <source>The database file %1 is damaged or is not a Quorvel database.</source>
        <translation>Файл базы данных %1 повреждён или не является базой данных Quorvel.</translation>
    </message>
</context>
<context>
    <name>DataManager</name>
    <message>
        <source>The data worker has stopped.</source>
        <translation>Обработчик данных остановлен.</translation>
    </message>
</context>
<context>
    <name>DateField</name>
    <message>
        <source>None</source>
        <translation>Нет</translation>
    </message>
    <message>
        <source>Clear</source>
        <translation>Очистить</translation>
    </message>
</context>
<context>
    <name>DateTimePopup</name>
    <message>
        <source>Time</source>
        <translation>Время</translation>
    </message>
    <message>
        <source>Hours</source>
        <translation>Часы</translation>
    </message>
    <message>
        <source>Minutes</source>
        <translation>Минуты</translation>
    </message>
    <message>
        <source>Clear</source>
        <translation>Очистить</translation>
    </message>
    <message>
        <source>Cancel</source>
        <translation>Отмена</translation>
    </message>
    <message>
        <source>OK</source>
        <translation>ОК</translation>
    </message>
</context>
<context>
    <name>DayPlanListView</name>
    <message numerus="yes">
        <source>%n task(s)</source>
        <translation><numerusform>%n задача</numerusform><numerusform>%n задачи</numerusform><numerusform>%n задач</numerusform></translation>
    </message>
    <message numerus="yes">
        <source>%n project(s)</source>
        <translation><numerusform>%n проект</numerusform><numerusform>%n проекта</numerusform><numerusform>%n проектов</numerusform></translation>
    </message>
    <message numerus="yes">
        <source>Also available: %n task(s)</source>
        <translation><numerusform>Также доступна %n задача</numerusform><numerusform>Также доступны %n задачи</numerusform><numerusform>Также доступно %n задач</numerusform></translation>
    </message>
    <message numerus="yes">
        <source>Also available: %n project(s)</source>
        <translation><numerusform>Также доступен %n проект</numerusform><numerusform>Также доступны %n проекта</numerusform><numerusform>Также доступно %n проектов</numerusform></translation>
    </message>
    <message>
        <source>Completed</source>
        <translation>Выполненные</translation>
    </message>
</context>
<context>
    <name>ExportHelper</name>
    <message>
        <source>Quorvel: </source>
        <translation>Quorvel: </translation>
    </message>
    <message>
        <source>Sent with Quorvel – task management app for entrepreneurs, startups and creators: </source>
        <translation>Отправлено из Quorvel – приложения для управления задачами для предпринимателей, стартапов и творческих людей: </translation>
    </message>
    <message>
        <source>Unable to create a directory %1. Please, create it manually and then try again.</source>
        <translation>Не удалось создать папку %1. Создайте её вручную и попробуйте ещё раз.</translation>
    </message>
    <message>
        <source>Quorvel</source>
        <translation>Quorvel</translation>
    </message>
</context>
<context>
    <name>GuiManager</name>
    <message>
        <source>Open</source>
        <translation>Открыть</translation>
    </message>
    <message>
        <source>Exit</source>
        <translation>Выход</translation>
    </message>
</context>
<context>
    <name>Helper</name>
    <message>
        <source>Today</source>
        <translation>Сегодня</translation>
    </message>
    <message>
        <source>Tomorrow</source>
        <translation>Завтра</translation>
    </message>
    <message>
        <source>Yesterday</source>
        <translation>Вчера</translation>
    </message>
</context>
<context>
    <name>ListExportText</name>
    <message numerus="yes">
        <source>%n task(s)</source>
        <translation>
            <numerusform>%n задача</numerusform>
            <numerusform>%n задачи</numerusform>
            <numerusform>%n задач</numerusform>
        </translation>
    </message>
    <message numerus="yes">
        <source>%n project(s)</source>
        <translation>
            <numerusform>%n проект</numerusform>
            <numerusform>%n проекта</numerusform>
            <numerusform>%n проектов</numerusform>
        </translation>
    </message>
    <message numerus="yes">
        <source>Also available: %n task(s)</source>
        <translation>
            <numerusform>Также доступно: %n задача</numerusform>
            <numerusform>Также доступно: %n задачи</numerusform>
            <numerusform>Также доступно: %n задач</numerusform>
        </translation>
    </message>
    <message numerus="yes">
        <source>Also available: %n project(s)</source>
        <translation>
            <numerusform>Также доступно: %n проект</numerusform>
            <numerusform>Также доступно: %n проекта</numerusform>
            <numerusform>Также доступно: %n проектов</numerusform>
        </translation>
    </message>
    <message>
        <source>Completed:</source>
        <translation>Выполнено:</translation>
    </message>
    <message>
        <source>Active tasks:</source>
        <translation>Активные задачи:</translation>
    </message>
    <message>
        <source>Completed tasks:</source>
        <translation>Выполненные задачи:</translation>
    </message>
</context>
<context>
    <name>MessagePopup</name>
    <message>
        <source>OK</source>
        <translation>ОК</translation>
    </message>
</context>
<context>
    <name>MethodPage</name>
    <message>
        <source>Collect everything in the Quorvel Box</source>
        <translation>Собирайте всё в Quorvel Box</translation>
    </message>
    <message>
        <source>Whatever comes to mind during the day — a call to make, an idea, a promise — goes into the Quorvel Box at once, with Ctrl+Shift+N from anywhere in the window. Do not sort it yet: the point is to get it out of your head in a few seconds.

Once a day, empty the box: give each task a project, a context and a date, or delete it. A box that is emptied every day is a box you can trust.</source>
        <translation>Всё, что приходит в голову за день — звонок, идея, обещание, — сразу отправляйте в Quorvel Box сочетанием Ctrl+Shift+N из любого места окна. Не сортируйте пока: главное — за пару секунд выбросить это из головы.

Раз в день разбирайте ящик: дайте каждой задаче проект, контекст и дату или удалите её. Ящику, который разбирается каждый день, можно доверять.</translation>
    </message>
    <message>
        <source>Plan each day the evening before</source>
        <translation>Планируйте день накануне вечером</translation>
    </message>
    <message>
        <source>The daily plan shows the tasks due on a day, the overdue ones and those that could be done then. Spend five minutes in the evening choosing what tomorrow really holds, and drag the rest onto other days of the calendar.

A short plan you finish is better than a long one you abandon: leave room for the unexpected.</source>
        <translation>План на день показывает задачи со сроком в этот день, просроченные и те, что можно сделать тогда же. Потратьте вечером пять минут, чтобы выбрать, что на самом деле войдёт в завтрашний день, а остальное перетащите на другие дни календаря.

Короткий выполненный план лучше длинного заброшенного: оставляйте место для неожиданного.</translation>
    </message>
    <message>
        <source>Projects, folders and the next step</source>
        <translation>Проекты, папки и следующий шаг</translation>
    </message>
    <message>
        <source>A project is any outcome that takes more than one step. Keep projects in folders by area of life — work, home, health — and make sure every active project has a next step you could do today.

Tasks that need only one step belong in One Step Actions.</source>
        <translation>Проект — это любой результат, для которого нужно больше одного шага. Держите проекты в папках по сферам жизни — работа, дом, здоровье — и следите, чтобы у каждого активного проекта был следующий шаг, который можно сделать сегодня.

Задачам в один шаг место в «Одношаговых действиях».</translation>
    </message>
    <message>
        <source>Contexts: where and how</source>
        <translation>Контексты: где и как</translation>
    </message>
    <message>
        <source>A context says what you need to do a task: a place (office, home, shop), a tool (phone, computer) or a person. When you are in a context, its list shows everything you can do there, across all your projects.</source>
        <translation>Контекст говорит, что нужно для выполнения задачи: место (офис, дом, магазин), инструмент (телефон, компьютер) или человек. Когда вы в контексте, его список показывает всё, что можно сделать там, по всем вашим проектам.</translation>
    </message>
    <message>
        <source>Repeating tasks and reminders</source>
        <translation>Повторяющиеся задачи и напоминания</translation>
    </message>
    <message>
        <source>Routines — paying the rent, watering the plants, a weekly review — repeat by a rule: every few days, on chosen weekdays, monthly or yearly. Completing a repeated task moves it to its next date.

Reminders fire even when the window is closed, as long as Quorvel runs in the tray. Snooze puts a reminder off for fifteen minutes.</source>
        <translation>Рутинные дела — оплата аренды, полив цветов, еженедельный обзор — повторяются по правилу: раз в несколько дней, по выбранным дням недели, ежемесячно или ежегодно. Выполненная повторяющаяся задача переходит на следующую дату.

Напоминания срабатывают даже при закрытом окне, пока Quorvel работает в трее. «Отложить» переносит напоминание на пятнадцать минут.</translation>
    </message>
    <message>
        <source>Sync between your devices</source>
        <translation>Синхронизация между устройствами</translation>
    </message>
    <message>
        <source>Sign in to your account in Settings to keep your tasks on every device. Quorvel syncs in the background when it starts, when the window comes back and after your changes; the status bar shows when it last synced.

You can work offline at any time: your changes wait on this device and go out with the next sync.</source>
        <translation>Войдите в свою учётную запись в настройках, чтобы задачи были на всех ваших устройствах. Quorvel синхронизируется в фоне при запуске, при возвращении окна и после ваших изменений; строка состояния показывает, когда прошла последняя синхронизация.

Работать без сети можно в любой момент: изменения ждут на этом устройстве и уйдут со следующей синхронизацией.</translation>
    </message>
    <message>
        <source>Method</source>
        <translation>Метод</translation>
    </message>
</context>
<context>
    <name>MonthGrid</name>
    <message>
        <source>Previous month</source>
        <translation>Предыдущий месяц</translation>
    </message>
    <message>
        <source>Next month</source>
        <translation>Следующий месяц</translation>
    </message>
</context>
<context>
    <name>PageHeader</name>
    <message>
        <source>List options</source>
        <translation>Параметры списка</translation>
    </message>
</context>
<context>
    <name>PasscodeCheckPopup</name>
    <message>
        <source>Quorvel is locked</source>
        <translation>Quorvel заблокирован</translation>
    </message>
    <message>
        <source>Enter your passcode to continue.</source>
        <translation>Введите код доступа, чтобы продолжить.</translation>
    </message>
    <message>
        <source>Passcode</source>
        <translation>Код доступа</translation>
    </message>
    <message>
        <source>The passcode is incorrect. Try again.</source>
        <translation>Неверный код доступа. Попробуйте ещё раз.</translation>
    </message>
    <message>
        <source>Unlock</source>
        <translation>Разблокировать</translation>
    </message>
</context>
<context>
    <name>PlaceholderPage</name>
    <message>
        <source>This part of Quorvel is on its way. Until then, collect your tasks in the Quorvel Box.</source>
        <translation>Этот раздел Quorvel скоро появится. А пока собирайте задачи в Quorvel Box.</translation>
    </message>
</context>
<context>
    <name>ProjectRow</name>
    <message>
        <source>Mark as not complete</source>
        <translation>Отметить как невыполненное</translation>
    </message>
    <message>
        <source>Mark as completed</source>
        <translation>Отметить как выполненное</translation>
    </message>
    <message>
        <source>One Step Actions</source>
        <translation>Одношаговые действия</translation>
    </message>
    <message numerus="yes">
        <source>%n task(s)</source>
        <translation><numerusform>%n задача</numerusform><numerusform>%n задачи</numerusform><numerusform>%n задач</numerusform></translation>
    </message>
    <message>
        <source>start date:</source>
        <translation>начало:</translation>
    </message>
    <message>
        <source>due date:</source>
        <translation>срок:</translation>
    </message>
</context>
<context>
    <name>ProxyAuthDialog</name>
    <message>
        <source>Authentication Required</source>
        <translation>Требуется аутентификация</translation>
    </message>
    <message>
        <source>Connect to proxy %1 using:</source>
        <translation>Подключение к прокси-серверу %1 с учётными данными:</translation>
    </message>
    <message>
        <source>Remember my password</source>
        <translation>Запомнить пароль</translation>
    </message>
    <message>
        <source>Username:</source>
        <translation>Имя пользователя:</translation>
    </message>
    <message>
        <source>Password:</source>
        <translation>Пароль:</translation>
    </message>
</context>
<context>
    <name>QObject</name>
    <message>
        <source>5 minutes</source>
        <translation>5 минут</translation>
    </message>
    <message>
        <source>15 minutes</source>
        <translation>15 минут</translation>
    </message>
    <message>
        <source>30 minutes</source>
        <translation>30 минут</translation>
    </message>
    <message>
        <source>1 hour</source>
        <translation>1 час</translation>
    </message>
    <message>
        <source>2 hours</source>
        <translation>2 часа</translation>
    </message>
    <message>
        <source>3 hours</source>
        <translation>3 часа</translation>
    </message>
    <message>
        <source>1 day</source>
        <translation>1 день</translation>
    </message>
    <message>
        <source>2 days</source>
        <translation>2 дня</translation>
    </message>
    <message>
        <source>Task is active</source>
        <translation>Задача активна</translation>
    </message>
    <message>
        <source>Task is overdue</source>
        <translation>Задача просрочена</translation>
    </message>
    <message>
        <source>%1 before start</source>
        <translation>%1 до начала</translation>
    </message>
    <message>
        <source>%1 before deadline</source>
        <translation>%1 до срока</translation>
    </message>
    <message>
        <source>Don't forget about this task</source>
        <translation>Не забудьте об этой задаче</translation>
    </message>
</context>
<context>
    <name>QuorvelBoxPage</name>
    <message>
        <source>Quorvel Box</source>
        <translation>Quorvel Box</translation>
    </message>
    <message numerus="yes">
        <source>%n task(s)</source>
        <translation>
            <numerusform>%n задача</numerusform>
            <numerusform>%n задачи</numerusform>
            <numerusform>%n задач</numerusform>
        </translation>
    </message>
    <message>
        <source>Quorvel Box is a special inbox for incoming tasks, quick notes and spontaneous ideas that appear during the day</source>
        <translation>Quorvel Box — это особый список входящих задач, быстрых заметок и спонтанных идей, которые появляются в течение дня</translation>
    </message>
    <message>
        <source>Press + to add a task into Quorvel Box</source>
        <translation>Нажмите +, чтобы добавить задачу в Quorvel Box</translation>
    </message>
    <message>
        <source>Press + to add a task</source>
        <translation>Нажмите +, чтобы добавить задачу</translation>
    </message>
</context>
<context>
    <name>RecoveryPopup</name>
    <message>
        <source>Your tasks could not be opened</source>
        <translation>Не удалось открыть ваши задачи</translation>
    </message>
    <message>
        <source>A backup from %1 can be restored. Changes made after it are not in it.</source>
        <translation>Можно восстановить резервную копию от %1. Изменений, сделанных после неё, в ней нет.</translation>
    </message>
    <message>
        <source>There is no backup to restore. You can start again with an empty database.</source>
        <translation>Резервной копии для восстановления нет. Можно начать заново с пустой базой данных.</translation>
    </message>
    <message>
        <source>The file that could not be opened is kept aside under another name; nothing is deleted.</source>
        <translation>Файл, который не удалось открыть, сохранён под другим именем; ничего не удаляется.</translation>
    </message>
    <message>
        <source>You are signed in, so everything in your account will be downloaded again afterwards.</source>
        <translation>Вы вошли в учётную запись, поэтому после этого все данные учётной записи будут загружены заново.</translation>
    </message>
    <message>
        <source>That did not work. Please see the log for details.</source>
        <translation>Не получилось. Подробности смотрите в журнале.</translation>
    </message>
    <message>
        <source>Not now</source>
        <translation>Не сейчас</translation>
    </message>
    <message>
        <source>Start with an empty database</source>
        <translation>Начать с пустой базой данных</translation>
    </message>
    <message>
        <source>Restore the backup</source>
        <translation>Восстановить копию</translation>
    </message>
</context>
<context>
    <name>ReminderFormatHelper</name>
    <message>
        <source>5 min before %1</source>
        <translation>За 5 минут до %1</translation>
    </message>
    <message>
        <source>15 min before %1</source>
        <translation>За 15 минут до %1</translation>
    </message>
    <message>
        <source>30 min before %1</source>
        <translation>За 30 минут до %1</translation>
    </message>
    <message>
        <source>1 hour before %1</source>
        <translation>За 1 час до %1</translation>
    </message>
    <message>
        <source>2 hours before %1</source>
        <translation>За 2 часа до %1</translation>
    </message>
    <message>
        <source>3 hours before %1</source>
        <translation>За 3 часа до %1</translation>
    </message>
    <message>
        <source>1 day before %1</source>
        <translation>За 1 день до %1</translation>
    </message>
    <message>
        <source>2 days before %1</source>
        <translation>За 2 дня до %1</translation>
    </message>
    <message>
        <source>When task is active</source>
        <translation>Когда задача начинается</translation>
    </message>
    <message>
        <source>When task is overdue</source>
        <translation>Когда задача просрочена</translation>
    </message>
    <message>
        <source>start</source>
        <translation>начала</translation>
    </message>
    <message>
        <source>deadline</source>
        <translation>срока</translation>
    </message>
</context>
<context>
    <name>ReminderWindow</name>
    <message>
        <source>Snooze</source>
        <translation>Отложить</translation>
    </message>
    <message>
        <source>Close</source>
        <translation>Закрыть</translation>
    </message>
</context>
<context>
    <name>RepetitionEditor</name>
    <message>
        <source>None</source>
        <translation>Нет</translation>
    </message>
    <message>
        <source>Day</source>
        <translation>День</translation>
    </message>
    <message>
        <source>Week</source>
        <translation>Неделя</translation>
    </message>
    <message>
        <source>Month</source>
        <translation>Месяц</translation>
    </message>
    <message>
        <source>Mon</source>
        <translation>Пн</translation>
    </message>
    <message>
        <source>Tue</source>
        <translation>Вт</translation>
    </message>
    <message>
        <source>Wed</source>
        <translation>Ср</translation>
    </message>
    <message>
        <source>Thu</source>
        <translation>Чт</translation>
    </message>
    <message>
        <source>Fri</source>
        <translation>Пт</translation>
    </message>
    <message>
        <source>Sat</source>
        <translation>Сб</translation>
    </message>
    <message>
        <source>Sun</source>
        <translation>Вс</translation>
    </message>
    <message numerus="yes">
        <source>Every %n day(s)</source>
        <translation><numerusform>Каждый %n день</numerusform><numerusform>Каждые %n дня</numerusform><numerusform>Каждые %n дней</numerusform></translation>
    </message>
    <message numerus="yes">
        <source>Every %n week(s)</source>
        <translation><numerusform>Каждую %n неделю</numerusform><numerusform>Каждые %n недели</numerusform><numerusform>Каждые %n недель</numerusform></translation>
    </message>
    <message numerus="yes">
        <source>Every %n month(s)</source>
        <translation><numerusform>Каждый %n месяц</numerusform><numerusform>Каждые %n месяца</numerusform><numerusform>Каждые %n месяцев</numerusform></translation>
    </message>
    <message>
        <source>No repetition</source>
        <translation>Без повторения</translation>
    </message>
    <message>
        <source>Repeat</source>
        <translation>Повтор</translation>
    </message>
    <message>
        <source>Interval</source>
        <translation>Интервал</translation>
    </message>
    <message>
        <source>Next: %1</source>
        <translation>Далее: %1</translation>
    </message>
</context>
<context>
    <name>RepetitionFormatHelper</name>
    <message>
        <source>Monday</source>
        <comment>повторения в превью</comment>
        <translation>понедельникам</translation>
    </message>
    <message>
        <source>Tuesday</source>
        <comment>повторения в превью</comment>
        <translation>вторникам</translation>
    </message>
    <message>
        <source>Wednesday</source>
        <comment>повторения в превью</comment>
        <translation>средам</translation>
    </message>
    <message>
        <source>Thursday</source>
        <comment>повторения в превью</comment>
        <translation>четвергам</translation>
    </message>
    <message>
        <source>Friday</source>
        <comment>повторения в превью</comment>
        <translation>пятницам</translation>
    </message>
    <message>
        <source>Saturday</source>
        <comment>повторения в превью</comment>
        <translation>субботам</translation>
    </message>
    <message>
        <source>Sunday</source>
        <comment>повторения в превью</comment>
        <translation>воскресеньям</translation>
    </message>
    <message>
        <source>on Monday</source>
        <comment>следующая дата повторений</comment>
        <translation>в понедельник</translation>
    </message>
    <message>
        <source>on Tuesday</source>
        <comment>следующая дата повторений</comment>
        <translation>во вторник</translation>
    </message>
    <message>
        <source>on Wednesday</source>
        <comment>следующая дата повторений</comment>
        <translation>в среду</translation>
    </message>
    <message>
        <source>on Thursday</source>
        <comment>следующая дата повторений</comment>
        <translation>в четверг</translation>
    </message>
    <message>
        <source>on Friday</source>
        <comment>следующая дата повторений</comment>
        <translation>в пятницу</translation>
    </message>
    <message>
        <source>on Saturday</source>
        <comment>следующая дата повторений</comment>
        <translation>в субботу</translation>
    </message>
    <message>
        <source>on Sunday</source>
        <comment>следующая дата повторений</comment>
        <translation>в воскресенье</translation>
    </message>
    <message numerus="yes">
        <source>Do every %n days</source>
        <translation>
            <numerusform>Выполнять каждый %n день</numerusform>
            <numerusform>Выполнять каждые %n дня</numerusform>
            <numerusform>Выполнять каждые %n дней</numerusform>
        </translation>
    </message>
    <message numerus="yes">
        <source>Do every %n weeks</source>
        <translation>
            <numerusform>Выполнять каждую %n неделю</numerusform>
            <numerusform>Выполнять каждые %n недели</numerusform>
            <numerusform>Выполнять каждые %n недель</numerusform>
        </translation>
    </message>
    <message numerus="yes">
        <source>Do every %n months</source>
        <translation>
            <numerusform>Выполнять каждый %n месяц</numerusform>
            <numerusform>Выполнять каждые %n месяца</numerusform>
            <numerusform>Выполнять каждые %n месяцев</numerusform>
        </translation>
    </message>
    <message>
        <source> on %1</source>
        <translation> по %1</translation>
    </message>
    <message>
        <source>%1 and %2</source>
        <translation>%1 и %2</translation>
    </message>
</context>
<context>
    <name>SearchPage</name>
    <message>
        <source>Search</source>
        <translation>Поиск</translation>
    </message>
    <message>
        <source>No items found</source>
        <translation>Ничего не найдено</translation>
    </message>
    <message>
        <source>Quorvel Box</source>
        <translation>Quorvel Box</translation>
    </message>
</context>
<context>
    <name>SearchSortFilterModel</name>
    <message>
        <source>No context</source>
        <translation>Без контекста</translation>
    </message>
    <message>
        <source>No folder</source>
        <translation>Без папки</translation>
    </message>
    <message>
        <source>Quorvel Box</source>
        <translation>Quorvel Box</translation>
    </message>
    <message>
        <source>One Step Actions</source>
        <translation>Одношаговые действия</translation>
    </message>
</context>
<context>
    <name>SidePanel</name>
    <message>
        <source>New</source>
        <translation>Новое</translation>
    </message>
</context>
<context>
    <name>SortingPopup</name>
    <message>
        <source>Sort the list</source>
        <translation>Сортировка списка</translation>
    </message>
    <message>
        <source>Manually</source>
        <translation>Вручную</translation>
    </message>
    <message>
        <source>By name</source>
        <translation>По названию</translation>
    </message>
    <message>
        <source>Oldest first</source>
        <translation>Сначала старые</translation>
    </message>
    <message>
        <source>Newest first</source>
        <translation>Сначала новые</translation>
    </message>
    <message>
        <source>Group by date</source>
        <translation>Группировать по дате</translation>
    </message>
    <message>
        <source>Cancel</source>
        <translation>Отмена</translation>
    </message>
    <message>
        <source>Apply</source>
        <translation>Применить</translation>
    </message>
</context>
<context>
    <name>StatusBar</name>
    <message>
        <source>Sync in progress…</source>
        <translation>Идёт синхронизация…</translation>
    </message>
    <message>
        <source>Sync hasn't been performed yet</source>
        <translation>Синхронизация ещё не выполнялась</translation>
    </message>
    <message>
        <source>Last synced: today %1</source>
        <translation>Синхронизировано: сегодня в %1</translation>
    </message>
    <message>
        <source>Last synced: %1</source>
        <translation>Синхронизировано: %1</translation>
    </message>
    <message>
        <source>Restore</source>
        <translation>Восстановить</translation>
    </message>
</context>
<context>
    <name>StyledPdfPage</name>
    <message>
        <source>No tasks</source>
        <translation>Нет задач</translation>
    </message>
    <message>
        <source>Daily Plan</source>
        <translation>План на день</translation>
    </message>
    <message numerus="yes">
        <source>%n task(s)</source>
        <translation>
            <numerusform>%n задача</numerusform>
            <numerusform>%n задачи</numerusform>
            <numerusform>%n задач</numerusform>
        </translation>
    </message>
    <message numerus="yes">
        <source>%n project(s)</source>
        <translation>
            <numerusform>%n проект</numerusform>
            <numerusform>%n проекта</numerusform>
            <numerusform>%n проектов</numerusform>
        </translation>
    </message>
    <message numerus="yes">
        <source>Also available: %n task(s)</source>
        <translation>
            <numerusform>Также доступно: %n задача</numerusform>
            <numerusform>Также доступно: %n задачи</numerusform>
            <numerusform>Также доступно: %n задач</numerusform>
        </translation>
    </message>
    <message numerus="yes">
        <source>Also available: %n project(s)</source>
        <translation>
            <numerusform>Также доступно: %n проект</numerusform>
            <numerusform>Также доступно: %n проекта</numerusform>
            <numerusform>Также доступно: %n проектов</numerusform>
        </translation>
    </message>
    <message>
        <source>Completed</source>
        <translation>Выполнено</translation>
    </message>
    <message>
        <source>Quorvel Box</source>
        <translation>Quorvel Box</translation>
    </message>
    <message numerus="yes">
        <source>%n context(s)</source>
        <translation>
            <numerusform>%n контекст</numerusform>
            <numerusform>%n контекста</numerusform>
            <numerusform>%n контекстов</numerusform>
        </translation>
    </message>
    <message>
        <source>Favorites</source>
        <translation>Избранное</translation>
    </message>
    <message>
        <source>Project</source>
        <translation>Проект</translation>
    </message>
    <message>
        <source>Context</source>
        <translation>Контекст</translation>
    </message>
    <message>
        <source>Favorite</source>
        <translation>В избранном</translation>
    </message>
    <message>
        <source>Next occurrence:</source>
        <translation>Следующее повторение:</translation>
    </message>
    <message>
        <source>Reminders</source>
        <translation>Напоминания</translation>
    </message>
    <message>
        <source>Task details</source>
        <translation>Подробности задачи</translation>
    </message>
    <message>
        <source>One Step Actions</source>
        <translation>Одношаговые действия</translation>
    </message>
</context>
<context>
    <name>SyncManager</name>
    <message>
        <source>Change Password Error</source>
        <translation>Ошибка смены пароля</translation>
    </message>
    <message>
        <source>Your current password is incorrect, please check.</source>
        <translation>Текущий пароль введён неверно, проверьте его.</translation>
    </message>
    <message>
        <source>Warning</source>
        <translation>Внимание</translation>
    </message>
    <message>
        <source>The app version you are using is too old. In order to perform sync, please update the app.</source>
        <translation>Версия приложения устарела. Чтобы синхронизировать данные, обновите приложение.</translation>
    </message>
    <message>
        <source>Login Error</source>
        <translation>Ошибка входа</translation>
    </message>
    <message>
        <source>The email you have entered does not belong to any account.</source>
        <translation>Введённый адрес электронной почты не принадлежит ни одной учётной записи.</translation>
    </message>
    <message>
        <source>The password you have entered is incorrect.</source>
        <translation>Введён неверный пароль.</translation>
    </message>
    <message>
        <source>Registration Error</source>
        <translation>Ошибка регистрации</translation>
    </message>
    <message>
        <source>A user with this email already exists.</source>
        <translation>Пользователь с таким адресом электронной почты уже существует.</translation>
    </message>
    <message>
        <source>Internal Server Error</source>
        <translation>Внутренняя ошибка сервера</translation>
    </message>
    <message>
        <source>We are sorry. The server encountered an internal error and was unable to complete your request. Please try again.</source>
        <translation>Извините, на сервере произошла внутренняя ошибка, и запрос не был выполнен. Попробуйте ещё раз.</translation>
    </message>
    <message>
        <source>Application Error</source>
        <translation>Ошибка приложения</translation>
    </message>
    <message>
        <source>Unknown error occurred during logout. Contact the application's support team for more information.</source>
        <translation>При выходе из учётной записи произошла неизвестная ошибка. Обратитесь в службу поддержки приложения.</translation>
    </message>
    <message>
        <source>Sync Error</source>
        <translation>Ошибка синхронизации</translation>
    </message>
    <message>
        <source>Sync error (code %1). Please logout from your account and login again to resolve the issue.</source>
        <translation>Ошибка синхронизации (код %1). Чтобы устранить её, выйдите из учётной записи и войдите снова.</translation>
    </message>
</context>
<context>
    <name>TaskEditor</name>
    <message>
        <source>Due date</source>
        <translation>Срок</translation>
    </message>
    <message>
        <source>Start date</source>
        <translation>Начало</translation>
    </message>
    <message>
        <source>Date</source>
        <translation>Дата</translation>
    </message>
    <message>
        <source>No context</source>
        <translation>Без контекста</translation>
    </message>
    <message>
        <source>Save Error</source>
        <translation>Ошибка сохранения</translation>
    </message>
    <message>
        <source>The task could not be saved. Please see the log for details.</source>
        <translation>Не удалось сохранить задачу. Подробности в журнале.</translation>
    </message>
    <message>
        <source>New task</source>
        <translation>Новая задача</translation>
    </message>
    <message>
        <source>Edit</source>
        <translation>Редактирование</translation>
    </message>
    <message>
        <source>General</source>
        <translation>Основное</translation>
    </message>
    <message>
        <source>Metadata</source>
        <translation>Метаданные</translation>
    </message>
    <message>
        <source>Reminders</source>
        <translation>Напоминания</translation>
    </message>
    <message>
        <source>Memo</source>
        <translation>Заметка</translation>
    </message>
    <message>
        <source>Task name</source>
        <translation>Название задачи</translation>
    </message>
    <message>
        <source>Enter task name</source>
        <translation>Введите название задачи</translation>
    </message>
    <message>
        <source>Project</source>
        <translation>Проект</translation>
    </message>
    <message>
        <source>from</source>
        <translation>с</translation>
    </message>
    <message>
        <source>Start time</source>
        <translation>Время начала</translation>
    </message>
    <message>
        <source>to</source>
        <translation>до</translation>
    </message>
    <message>
        <source>Due time</source>
        <translation>Время окончания</translation>
    </message>
    <message>
        <source>Status</source>
        <translation>Статус</translation>
    </message>
    <message>
        <source>Active</source>
        <translation>Активна</translation>
    </message>
    <message>
        <source>Complete</source>
        <translation>Выполнена</translation>
    </message>
    <message>
        <source>Context</source>
        <translation>Контекст</translation>
    </message>
    <message>
        <source>Favorite</source>
        <translation>Избранное</translation>
    </message>
    <message>
        <source>Remind before start</source>
        <translation>Напомнить до начала</translation>
    </message>
    <message>
        <source>Remind before deadline</source>
        <translation>Напомнить до срока</translation>
    </message>
    <message>
        <source>Task has already started or overdue.
Please adjust its dates to add a reminder</source>
        <translation>Задача уже началась или просрочена.
Измените её даты, чтобы добавить напоминание</translation>
    </message>
    <message>
        <source>To add a reminder for this task please add
a start or due date first</source>
        <translation>Чтобы добавить напоминание,
сначала задайте дату начала или срок</translation>
    </message>
    <message>
        <source>Setup dates</source>
        <translation>Задать даты</translation>
    </message>
    <message>
        <source>Notes, links, details</source>
        <translation>Заметки, ссылки, подробности</translation>
    </message>
    <message>
        <source>Cancel</source>
        <translation>Отмена</translation>
    </message>
    <message>
        <source>Save</source>
        <translation>Сохранить</translation>
    </message>
</context>
<context>
    <name>TaskEditorRules</name>
    <message>
        <source>Warning</source>
        <translation>Внимание</translation>
    </message>
    <message>
        <source>Unfortunately with monthly repeating tasks it's impossible to set due date to 29, 30 and 31.</source>
        <translation>К сожалению, для задач с ежемесячным повторением нельзя установить срок на 29, 30 и 31 число.</translation>
    </message>
    <message>
        <source>Save Error</source>
        <translation>Ошибка сохранения</translation>
    </message>
    <message>
        <source>Please input task name</source>
        <translation>Введите название задачи</translation>
    </message>
</context>
<context>
    <name>TaskListView</name>
    <message>
        <source>Completed</source>
        <translation>Выполнено</translation>
    </message>
    <message>
        <source>Quorvel Box</source>
        <translation>Quorvel Box</translation>
    </message>
    <message>
        <source>One Step Actions</source>
        <translation>Одношаговые действия</translation>
    </message>
</context>
<context>
    <name>TaskPasteRules</name>
    <message>
        <source>Paste error</source>
        <translation>Ошибка вставки</translation>
    </message>
    <message>
        <source>One can paste only tasks or projects into this list.</source>
        <translation>В этот список можно вставлять только задачи или проекты.</translation>
    </message>
    <message>
        <source>One can paste only tasks into this list.</source>
        <translation>В этот список можно вставлять только задачи.</translation>
    </message>
</context>
<context>
    <name>TaskRow</name>
    <message>
        <source>Mark as not complete</source>
        <translation>Отметить как невыполненную</translation>
    </message>
    <message>
        <source>Mark as completed</source>
        <translation>Отметить как выполненную</translation>
    </message>
    <message>
        <source>start date:</source>
        <translation>начало:</translation>
    </message>
    <message>
        <source>None</source>
        <translation>Нет</translation>
    </message>
    <message>
        <source>due date:</source>
        <translation>срок:</translation>
    </message>
    <message>
        <source>Repeats</source>
        <translation>Повторяется</translation>
    </message>
    <message>
        <source>Has reminders</source>
        <translation>Есть напоминания</translation>
    </message>
    <message>
        <source>Remove from Favorites</source>
        <translation>Убрать из избранного</translation>
    </message>
    <message>
        <source>Add to Favorites</source>
        <translation>Добавить в избранное</translation>
    </message>
</context>
<context>
    <name>TrashPage</name>
    <message>
        <source>Tasks</source>
        <translation>Задачи</translation>
    </message>
    <message>
        <source>Projects</source>
        <translation>Проекты</translation>
    </message>
    <message>
        <source>Folders</source>
        <translation>Папки</translation>
    </message>
    <message>
        <source>Contexts</source>
        <translation>Контексты</translation>
    </message>
    <message>
        <source>Trash</source>
        <translation>Корзина</translation>
    </message>
    <message>
        <source>You can restore tasks, projects, folders and contexts within 14 days after deletion date</source>
        <translation>Задачи, проекты, папки и контексты можно восстановить в течение 14 дней после удаления</translation>
    </message>
    <message>
        <source>Empty Trash</source>
        <translation>Очистить корзину</translation>
    </message>
    <message>
        <source>Are you sure you want to delete everything for good?</source>
        <translation>Удалить всё безвозвратно?</translation>
    </message>
    <message>
        <source>Delete all</source>
        <translation>Удалить всё</translation>
    </message>
    <message>
        <source>Completed</source>
        <translation>Выполнено</translation>
    </message>
    <message>
        <source>The trash is empty</source>
        <translation>Корзина пуста</translation>
    </message>
    <message>
        <source>Deleted tasks, projects, folders and contexts stay here for 14 days</source>
        <translation>Удалённые задачи, проекты, папки и контексты хранятся здесь 14 дней</translation>
    </message>
</context>
<context>
    <name>TrashRow</name>
    <message numerus="yes">
        <source>%n day(s)</source>
        <translation>
            <numerusform>%n день</numerusform>
            <numerusform>%n дня</numerusform>
            <numerusform>%n дней</numerusform>
        </translation>
    </message>
    <message>
        <source>Restore</source>
        <translation>Восстановить</translation>
    </message>
</context>
<context>
    <name>TreePickerPopup</name>
    <message>
        <source>Choose a context</source>
        <translation>Выберите контекст</translation>
    </message>
    <message>
        <source>Choose a project</source>
        <translation>Выберите проект</translation>
    </message>
    <message>
        <source>No context</source>
        <translation>Без контекста</translation>
    </message>
    <message>
        <source>Quorvel Box</source>
        <translation>Quorvel Box</translation>
    </message>
</context>
<context>
    <name>WelcomePopup</name>
    <message>
        <source>Welcome to Quorvel</source>
        <translation>Добро пожаловать в Quorvel</translation>
    </message>
    <message>
        <source>Your tasks on every device</source>
        <translation>Ваши задачи на всех устройствах</translation>
    </message>
    <message>
        <source>Collect what comes to mind in the Quorvel Box, sort it into projects and contexts, and plan each day beside the calendar. Reminders reach you even when the window is closed.</source>
        <translation>Собирайте то, что приходит в голову, в Quorvel Box, раскладывайте по проектам и контекстам и планируйте каждый день рядом с календарём. Напоминания дойдут до вас, даже когда окно закрыто.</translation>
    </message>
    <message>
        <source>Sign in to keep your tasks in sync between your computers and phone. You can also go on offline and sign in later in Settings.</source>
        <translation>Войдите, чтобы задачи синхронизировались между вашими компьютерами и телефоном. Можно продолжить и без сети, а войти позже в настройках.</translation>
    </message>
    <message>
        <source>Continue offline</source>
        <translation>Продолжить без сети</translation>
    </message>
    <message>
        <source>Get started</source>
        <translation>Начать</translation>
    </message>
    <message>
        <source>Sign in</source>
        <translation>Войти</translation>
    </message>
</context>
<context>
    <name>main</name>
    <message>
        <source>Quorvel Box</source>
        <translation>Quorvel Box</translation>
    </message>
    <message>
        <source>Daily Plan</source>
        <translation>План на день</translation>
    </message>
    <message>
        <source>Projects</source>
        <translation>Проекты</translation>
    </message>
    <message>
        <source>Contexts</source>
        <translation>Контексты</translation>
    </message>
    <message>
        <source>Favorites</source>
        <translation>Избранное</translation>
    </message>
    <message>
        <source>Method</source>
        <translation>Метод</translation>
    </message>
    <message>
        <source>Settings</source>
        <translation>Настройки</translation>
    </message>
    <message>
        <source>Your projects, in folders as deep as you like, with their tasks.</source>
        <translation>Ваши проекты в папках любой вложенности вместе с их задачами.</translation>
    </message>
    <message>
        <source>Contexts: where or how work is done, with the tasks and projects tagged with them.</source>
        <translation>Контексты: где и как выполняется работа, с отмеченными ими задачами и проектами.</translation>
    </message>
    <message>
        <source>Your most important projects, tasks and contexts in one list.</source>
        <translation>Самые важные проекты, задачи и контексты в одном списке.</translation>
    </message>
    <message>
        <source>Account, sync, appearance, passcode and calendar settings.</source>
        <translation>Учётная запись, синхронизация, оформление, код доступа и календарь.</translation>
    </message>
    <message>
        <source>Please note that the app is still running in the background. </source>
        <translation>Обратите внимание: приложение продолжает работать в фоновом режиме. </translation>
    </message>
    <message>
        <source>In order to close it please use the icon in the system tray.</source>
        <translation>Чтобы закрыть его, воспользуйтесь значком в системном трее.</translation>
    </message>
    <message>
        <source>Application Error</source>
        <translation>Ошибка приложения</translation>
    </message>
    <message>
        <source>It seems like the notification service is blocked by a firewall </source>
        <translation>Похоже, служба уведомлений заблокирована брандмауэром </translation>
    </message>
    <message>
        <source>or anitivirus software. Please add %1 to blocking exceptions </source>
        <translation>или антивирусом. Добавьте %1 в исключения </translation>
    </message>
    <message>
        <source>in order to make notifications work again.</source>
        <translation>, чтобы уведомления снова заработали.</translation>
    </message>
    <message>
        <source>Print Error</source>
        <translation>Ошибка печати</translation>
    </message>
    <message>
        <source>start date:</source>
        <translation>начало:</translation>
    </message>
    <message>
        <source>due date:</source>
        <translation>срок:</translation>
    </message>
    <message>
        <source>One Step Actions</source>
        <translation>Одношаговые действия</translation>
    </message>
    <message>
        <source>OK</source>
        <translation>ОК</translation>
    </message>
    <message>
        <source>Cancel</source>
        <translation>Отмена</translation>
    </message>
    <message>
        <source>You completed a task</source>
        <translation>Вы выполнили задачу</translation>
    </message>
    <message>
        <source>The task was moved to the trash</source>
        <translation>Задача перемещена в корзину</translation>
    </message>
    <message numerus="yes">
        <source>%n task(s) moved to the trash</source>
        <translation>
            <numerusform>%n задача перемещена в корзину</numerusform>
            <numerusform>%n задачи перемещены в корзину</numerusform>
            <numerusform>%n задач перемещено в корзину</numerusform>
        </translation>
    </message>
    <message>
        <source>Network error</source>
        <translation>Ошибка сети</translation>
    </message>
    <message>
        <source>The server could not be reached. Make sure the internet connection is working and try again.</source>
        <translation>Не удалось связаться с сервером. Проверьте подключение к интернету и попробуйте ещё раз.</translation>
    </message>
    <message>
        <source>Sync error</source>
        <translation>Ошибка синхронизации</translation>
    </message>
    <message>
        <source>It seems like you changed your password on another device. Please login to your account with the new password.</source>
        <translation>Похоже, вы изменили пароль на другом устройстве. Войдите в учётную запись с новым паролем.</translation>
    </message>
    <message>
        <source>Update error</source>
        <translation>Ошибка обновления</translation>
    </message>
    <message>
        <source>Update available</source>
        <translation>Доступно обновление</translation>
    </message>
    <message>
        <source>Quorvel %1 is available. %2</source>
        <translation>Доступна версия Quorvel %1. %2</translation>
    </message>
    <message>
        <source>Download</source>
        <translation>Загрузить</translation>
    </message>
    <message>
        <source>Check Updates</source>
        <translation>Проверить обновления</translation>
    </message>
    <message>
        <source>You are using the latest version of Quorvel.</source>
        <translation>У вас последняя версия Quorvel.</translation>
    </message>
    <message>
        <source>&amp;File</source>
        <translation>&amp;Файл</translation>
    </message>
    <message>
        <source>Create</source>
        <translation>Создать</translation>
    </message>
    <message>
        <source>Add Task to Quorvel Box...</source>
        <translation>Добавить задачу в Quorvel Box...</translation>
    </message>
    <message>
        <source>Add New Task...</source>
        <translation>Новая задача...</translation>
    </message>
    <message>
        <source>Add New Project...</source>
        <translation>Новый проект...</translation>
    </message>
    <message>
        <source>Add New Folder...</source>
        <translation>Новая папка...</translation>
    </message>
    <message>
        <source>Add New Context...</source>
        <translation>Новый контекст...</translation>
    </message>
    <message>
        <source>Recent Projects</source>
        <translation>Недавние проекты</translation>
    </message>
    <message>
        <source>Sync</source>
        <translation>Синхронизировать</translation>
    </message>
    <message>
        <source>Settings...</source>
        <translation>Настройки...</translation>
    </message>
    <message>
        <source>Print...</source>
        <translation>Печать...</translation>
    </message>
    <message>
        <source>Close Window</source>
        <translation>Закрыть окно</translation>
    </message>
    <message>
        <source>&amp;Edit</source>
        <translation>&amp;Правка</translation>
    </message>
    <message>
        <source>Delete Selected Object</source>
        <translation>Удалить выбранный объект</translation>
    </message>
    <message>
        <source>Cut</source>
        <translation>Вырезать</translation>
    </message>
    <message>
        <source>Copy</source>
        <translation>Копировать</translation>
    </message>
    <message>
        <source>Paste</source>
        <translation>Вставить</translation>
    </message>
    <message>
        <source>Select All</source>
        <translation>Выделить всё</translation>
    </message>
    <message>
        <source>&amp;View</source>
        <translation>&amp;Вид</translation>
    </message>
    <message>
        <source>Go to</source>
        <translation>Перейти</translation>
    </message>
    <message>
        <source>Show/Hide Object Properties</source>
        <translation>Показать/скрыть свойства объекта</translation>
    </message>
    <message>
        <source>Show/Hide Navigation Tree</source>
        <translation>Показать/скрыть дерево навигации</translation>
    </message>
    <message>
        <source>Show/Hide Object Description</source>
        <translation>Показать/скрыть описание объекта</translation>
    </message>
    <message>
        <source>&amp;Help</source>
        <translation>&amp;Справка</translation>
    </message>
    <message>
        <source>About Quorvel</source>
        <translation>О программе Quorvel</translation>
    </message>
    <message>
        <source>Report an Error...</source>
        <translation>Сообщить об ошибке...</translation>
    </message>
    <message>
        <source>Terms of Use</source>
        <translation>Условия использования</translation>
    </message>
    <message>
        <source>Privacy Policy</source>
        <translation>Политика конфиденциальности</translation>
    </message>
    <message>
        <source>Quorvel on the Web</source>
        <translation>Quorvel в интернете</translation>
    </message>
    <message>
        <source>Back</source>
        <translation>Назад</translation>
    </message>
    <message>
        <source>Forward</source>
        <translation>Вперёд</translation>
    </message>
    <message>
        <source>Trash</source>
        <translation>Корзина</translation>
    </message>
    <message>
        <source>Search</source>
        <translation>Поиск</translation>
    </message>
    <message>
        <source>Clear search</source>
        <translation>Очистить поиск</translation>
    </message>
    <message>
        <source>Sync in progress…</source>
        <translation>Идёт синхронизация…</translation>
    </message>
    <message>
        <source>Mark as not complete</source>
        <translation>Отметить как невыполненную</translation>
    </message>
    <message>
        <source>Mark as completed</source>
        <translation>Отметить как выполненную</translation>
    </message>
    <message>
        <source>Remove from Favorites</source>
        <translation>Убрать из избранного</translation>
    </message>
    <message>
        <source>Add to Favorites</source>
        <translation>Добавить в избранное</translation>
    </message>
    <message>
        <source>Go to this project</source>
        <translation>Перейти к проекту</translation>
    </message>
    <message>
        <source>Go to this context</source>
        <translation>Перейти к контексту</translation>
    </message>
    <message>
        <source>Rename</source>
        <translation>Переименовать</translation>
    </message>
    <message>
        <source>Delete selected items</source>
        <translation>Удалить выбранные</translation>
    </message>
    <message>
        <source>Delete Task</source>
        <translation>Удалить задачу</translation>
    </message>
    <message>
        <source>Sorting...</source>
        <translation>Сортировка...</translation>
    </message>
    <message>
        <source>Export to PDF...</source>
        <translation>Экспорт в PDF...</translation>
    </message>
    <message>
        <source>No printers were found.</source>
        <translation>Принтеры не найдены.</translation>
    </message>
    <message>
        <source>Export error</source>
        <translation>Ошибка экспорта</translation>
    </message>
    <message>
        <source>Send by E-mail...</source>
        <translation>Отправить по почте...</translation>
    </message>
    <message>
        <source>You completed a project</source>
        <translation>Вы завершили проект</translation>
    </message>
</context>
</TS>