<?xml version="1.0" encoding="utf-8"?>
<!DOCTYPE TS>
<TS version="2.1" language="en_US">
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
</context>
<context>
    <name>StyledPdfPage</name>
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
    <message numerus="yes">
        <source>%n context(s)</source>
        <translation>
            <numerusform>%n context</numerusform>
            <numerusform>%n contexts</numerusform>
        </translation>
    </message>
</context>
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
