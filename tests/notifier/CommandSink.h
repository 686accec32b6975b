#pragma once

#include <QLocalServer>
#include <QObject>
#include <QStringList>

// Stands in for the main program's command channel: listens on "quorvel" and
// records each connection's bytes as one command once the peer hung up.
class CommandSink : public QObject
{
    Q_OBJECT

public:
    explicit CommandSink(QObject *parent = nullptr);

    bool listen();
    QStringList commands() const;

private:
    QLocalServer m_server;
    QStringList m_commands;
};
