#include "CommandSink.h"

#include <QLocalSocket>
#include <memory>

CommandSink::CommandSink(QObject *parent)
    : QObject(parent)
{
    connect(&m_server, &QLocalServer::newConnection, this, [this] {
        while (QLocalSocket *socket = m_server.nextPendingConnection()) {
            auto received = std::make_shared<QByteArray>();
            connect(socket, &QLocalSocket::readyRead, socket, [socket, received] { *received += socket->readAll(); });
            connect(socket, &QLocalSocket::disconnected, this, [this, socket, received] {
                *received += socket->readAll();
                m_commands << QString::fromUtf8(*received);
                socket->deleteLater();
            });
        }
    });
}

bool CommandSink::listen()
{
    QLocalServer::removeServer(QStringLiteral("quorvel"));
    return m_server.listen(QStringLiteral("quorvel"));
}

QStringList CommandSink::commands() const
{
    return m_commands;
}
