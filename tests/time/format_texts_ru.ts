<?xml version="1.0" encoding="utf-8"?>
<!DOCTYPE TS>
<TS version="2.1" language="ru_RU">
<context>
    <name>RepetitionFormatHelper</name>
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
        <source>start</source>
        <translation>начала</translation>
    </message>
    <message>
        <source>deadline</source>
        <translation>срока</translation>
    </message>
    <message>
        <source>When task is active</source>
        <translation>Когда задача становится активной</translation>
    </message>
    <message>
        <source>When task is overdue</source>
        <translation>Когда задача просрочена</translation>
    </message>
</context>
</TS>
