#pragma once

#include <QObject>
#include <QString>

// The program log as the interface writes to it. Not the logging module's
// Logging::Logger: this one only stamps the lines as coming from QML.
class Logger : public QObject
{
    Q_OBJECT

public:
    explicit Logger(QObject* parent = nullptr);

    Q_INVOKABLE void info(const QString& message);
    Q_INVOKABLE void warning(const QString& message);
    Q_INVOKABLE void error(const QString& message);

    // The message as one log line: control characters and line separators
    // written as \uXXXX escapes.
    static QString logLine(const QString& message);
};
