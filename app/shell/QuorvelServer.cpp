#include "shell/QuorvelServer.h"

#include "data/DataManager.h"
#include "logging/Log.h"
#include "logging/LogText.h"
#include "shell/AppInfo.h"
#include "shell/GuiManager.h"
#include "shell/LocalCommand.h"
#include "time/NotificationManager.h"

#include <QCoreApplication>
#include <QLocalServer>
#include <QLocalSocket>

namespace {

const QByteArray ShowAppWindowCommand = QByteArrayLiteral("show_app_window");
const QString StartDateKind = QStringLiteral("STARTDATE");
const QString SnoozeKind = QStringLiteral("SNOOZE");
const char* const TranslationContext = "QObject";

// How long before the date each reminder type comes, as the reminder says it.
const char* const ReminderSpans[] = {
    nullptr,
    QT_TRANSLATE_NOOP("QObject", "5 minutes"),
    QT_TRANSLATE_NOOP("QObject", "15 minutes"),
    QT_TRANSLATE_NOOP("QObject", "30 minutes"),
    QT_TRANSLATE_NOOP("QObject", "1 hour"),
    QT_TRANSLATE_NOOP("QObject", "2 hours"),
    QT_TRANSLATE_NOOP("QObject", "3 hours"),
    QT_TRANSLATE_NOOP("QObject", "1 day"),
    QT_TRANSLATE_NOOP("QObject", "2 days"),
};

QString translated(const char* text)
{
    return QCoreApplication::translate(TranslationContext, text);
}

} // namespace

QuorvelServer::QuorvelServer(QObject* parent)
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

QString QuorvelServer::reminderMessage(bool isStartReminder, int type)
{
    if (type <= NotificationManager::AtTimeOfEvent || type > NotificationManager::TwoDays)
        return translated(isStartReminder ? QT_TRANSLATE_NOOP("QObject", "Task is active")
                                          : QT_TRANSLATE_NOOP("QObject", "Task is overdue"));
    const QString span = translated(ReminderSpans[type]);
    return translated(isStartReminder ? QT_TRANSLATE_NOOP("QObject", "%1 before start")
                                      : QT_TRANSLATE_NOOP("QObject", "%1 before deadline"))
        .arg(span);
}

void QuorvelServer::onNewConnection()
{
    while (QLocalSocket* socket = m_server->nextPendingConnection()) {
        m_received.insert(socket, QByteArray());
        connect(socket, &QLocalSocket::readyRead, this, [this, socket] { onReadyRead(socket); });
        connect(socket, &QLocalSocket::disconnected, this, [this, socket] { onDisconnected(socket); });
        connect(socket, &QLocalSocket::disconnected, socket, &QObject::deleteLater);
    }
}

void QuorvelServer::onReadyRead(QLocalSocket* socket)
{
    auto received = m_received.find(socket);
    if (received == m_received.end()) {
        // Already dropped as too long: nothing of it is kept.
        socket->readAll();
        return;
    }
    received->append(socket->readAll());
    if (received->size() <= MaxCommandSize)
        return;
    QLOG_WARN() << "A local connection sent more than " << MaxCommandSize
                << " bytes, which is no command; it is closed.";
    m_received.erase(received);
    socket->abort();
    socket->deleteLater();
}

// The sender closes its end after writing, so the command is whole now.
void QuorvelServer::onDisconnected(QLocalSocket* socket)
{
    auto received = m_received.find(socket);
    if (received == m_received.end())
        return;
    QByteArray command = received.value() + socket->readAll();
    m_received.erase(received);
    if (command.size() > MaxCommandSize) {
        QLOG_WARN() << "A local connection sent more than " << MaxCommandSize
                    << " bytes, which is no command.";
        return;
    }
    runCommand(command);
}

void QuorvelServer::runCommand(const QByteArray& command)
{
    const LocalCommand parsed = LocalCommand::parse(command);
    switch (parsed.kind) {
    case LocalCommand::Kind::ShowWindow:
        QLOG_DEBUG() << "Received a request to show the window";
        emit showAppWindowRequested();
        return;
    case LocalCommand::Kind::ShowNotification:
        showNotification(parsed);
        return;
    case LocalCommand::Kind::Ignored:
        break;
    }
    // Not a command of this channel (or a malformed one); its text may be
    // anything, so only its size is logged.
    QLOG_DEBUG() << "Ignored a local command of " << command.size() << " bytes.";
}

// An unknown task is logged.
void QuorvelServer::showNotification(const LocalCommand& command)
{
    const QString& taskId = command.taskId;
    const QString& kind = command.notificationKind;
    const qint64 moment = command.moment;

    QLOG_INFO() << "Requesting a task by ID: " << LogText::printable(taskId);
    const DOTask task = DataManager::instance()->getTaskById(taskId);
    if (task.isEmpty()) {
        QLOG_WARN() << "No tasks found with passed ID!";
        return;
    }

    QString message;
    if (kind == SnoozeKind) {
        message = translated(QT_TRANSLATE_NOOP("QObject", "Don't forget about this task"));
    } else {
        const bool isStart = kind == StartDateKind;
        // The task's dates are wall-clock fields labelled UTC; the moment is
        // a real instant, so it is read on the local wall clock first.
        const QDateTime local = QDateTime::fromMSecsSinceEpoch(moment);
        const QDateTime wall(local.date(), local.time(), Qt::UTC);
        const QDateTime taskDate
            = task.value(isStart ? QStringLiteral("START") : QStringLiteral("DUE")).toDateTime();
        message = reminderMessage(
            isStart, NotificationManager::notificationTypeFromSeconds(wall.secsTo(taskDate)));
    }
    GuiManager::instance()->showReminderPopup(message, task);
}
