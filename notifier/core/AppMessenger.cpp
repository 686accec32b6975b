#include "core/AppMessenger.h"

#include "logging/Log.h"

#include <QLocalSocket>

bool AppMessenger::sendNotification(const QString &key)
{
    QLOG_INFO() << "Checking if the app is active";
    QLocalSocket socket;
    socket.connectToServer(serverName(), QIODevice::ReadWrite);
    if (!socket.waitForConnected(ConnectWaitMs)) {
        QLOG_WARN() << "Unable to connect to the Quorvel app";
        socket.abort();
        return false;
    }
    const QByteArray command = QStringLiteral("show_notification:%1").arg(key).toUtf8();
    bool written = socket.write(command) == command.size();
    while (written && socket.bytesToWrite() > 0) {
        if (!socket.waitForBytesWritten(WriteWaitMs))
            written = false;
    }
    if (!written) {
        QLOG_WARN() << "Unable to send the notification to the Quorvel app: " << socket.errorString();
        socket.abort();
        return false;
    }
    QLOG_INFO() << "Notification has sent";
    socket.disconnectFromServer();
    socket.close();
    return true;
}
