#include "shell/QuorvelServer.h"

#include "data/DataManager.h"
#include "logging/Log.h"
#include "logging/LogText.h"
#include "shell/AppInfo.h"
#include "shell/GuiManager.h"
#include "time/NotificationManager.h"

#include <QCoreApplication>
#include <QLocalServer>
#include <QLocalSocket>
#include <QTextCodec>

namespace {

const QByteArray ShowAppWindowCommand = QByteArrayLiteral("show_app_window");
const QString ShowNotificationPrefix = QStringLiteral("show_notification:");
const QString StartDateKind = QStringLiteral("STARTDATE");
const QString DueDateKind = QStringLiteral("DUEDATE");
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

// The text of a command, or a null string when its bytes are not UTF-8.
QString decodeUtf8(const QByteArray& bytes)
{
    QTextCodec::ConverterState state;
    const QString text
        = QTextCodec::codecForName("UTF-8")->toUnicode(bytes.constData(), bytes.size(), &state);
    if (state.invalidChars > 0 || state.remainingChars > 0)
        return QString();
    return text.isNull() ? QString(QLatin1String("")) : text;
}

// Only ASCII digits: toLongLong() would also take blanks and a sign.
bool isDecimal(const QString &text)
{
    if (text.isEmpty())
        return false;
    for (const QChar c : text) {
        if (c < QLatin1Char('0') || c > QLatin1Char('9'))
            return false;
    }
    return true;
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
    if (command == ShowAppWindowCommand) {
        QLOG_DEBUG() << "Received a request to show the window";
        emit showAppWindowRequested();
        return;
    }
    const QString text = decodeUtf8(command);
    if (text.startsWith(ShowNotificationPrefix) && showNotification(text.mid(ShowNotificationPrefix.size())))
        return;
    // Not a command of this channel (or a malformed one); its text may be
    // anything, so only its size is logged.
    QLOG_DEBUG() << "Ignored a local command of " << command.size() << " bytes.";
}

// False when the key is malformed; an unknown task is logged and is no
// malformed key.
bool QuorvelServer::showNotification(const QString& key)
{
    const QStringList fields = key.split(QLatin1Char('_'));
    if (fields.size() != 3)
        return false;
    const QString& taskId = fields.at(0);
    const QString& kind = fields.at(1);
    bool isNumber = isDecimal(fields.at(2));
    const qint64 moment = isNumber ? fields.at(2).toLongLong(&isNumber) : 0;
    if (!isNumber || (kind != StartDateKind && kind != DueDateKind && kind != SnoozeKind))
        return false;

    QLOG_INFO() << "Requesting a task by ID: " << LogText::printable(taskId);
    const DOTask task = DataManager::instance()->getTaskById(taskId);
    if (task.isEmpty()) {
        QLOG_WARN() << "No tasks found with passed ID!";
        return true;
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
    return true;
}
