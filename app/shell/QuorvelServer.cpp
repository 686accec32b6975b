#include "shell/QuorvelServer.h"

#include "logging/Log.h"
#include "shell/AppInfo.h"

#include <QLocalServer>
#include <QLocalSocket>

namespace {
const QByteArray ShowAppWindowCommand = QByteArrayLiteral("show_app_window");
}

QuorvelServer::QuorvelServer(QObject *parent)
    : QObject(parent)
    , m_server(new QLocalServer(this))
{
    m_server->setSocketOptions(QLocalServer::UserAccessOption);
    connect(m_server, &QLocalServer::newConnection, this, &QuorvelServer::onNewConnection);
}

QuorvelServer::~QuorvelServer()
{
    m_server->close();
}

bool QuorvelServer::listen()
{
    const QString name = AppInfo::serverName();
    QLocalServer::removeServer(name);
    if (m_server->listen(name))
        return true;
    QLOG_ERROR() << "Unable to start local server! Error message: " << m_server->errorString()
                 << "; Server name: " << name;
    return false;
}

bool QuorvelServer::isListening() const
{
    return m_server->isListening();
}

bool QuorvelServer::notifyRunningInstance(int timeoutMs)
{
    QLocalSocket socket;
    socket.connectToServer(AppInfo::serverName(), QIODevice::ReadWrite);
    if (!socket.waitForConnected(timeoutMs))
        return false;
    QLOG_WARN() << "Another instance of Quorvel found. Closing current process..";
    socket.write(ShowAppWindowCommand);
    // The process ends right after this; make sure the bytes left it.
    socket.waitForBytesWritten(1000);
    socket.disconnectFromServer();
    return true;
}

void QuorvelServer::onNewConnection()
{
    while (QLocalSocket *socket = m_server->nextPendingConnection()) {
        connect(socket, &QLocalSocket::readyRead, this, [this, socket] { handleCommand(socket); });
        connect(socket, &QLocalSocket::disconnected, socket, &QObject::deleteLater);
    }
}

void QuorvelServer::handleCommand(QLocalSocket *socket)
{
    const QByteArray command = socket->readAll();
    if (command == ShowAppWindowCommand) {
        QLOG_DEBUG() << "Received a request to show the window";
        emit showAppWindowRequested();
    }
    // Anything else is not a command of this channel and is ignored.
}
