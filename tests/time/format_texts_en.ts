<?xml version="1.0" encoding="utf-8"?>
<!DOCTYPE TS>
<TS version="2.1" language="en_US">
<context>
    <name>RepetitionFormatHelper</name>
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
</context>
</TS>
