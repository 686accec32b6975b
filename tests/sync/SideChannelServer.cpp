#include "SideChannelServer.h"

#include "shell/Settings.h"
#include "sync/AccountServiceAddress.h"
#include "sync/BaseSyncManager.h"

#include <QJsonDocument>
#include <QSignalSpy>

const QString SideChannelServer::Token = QStringLiteral("9944b09199c62bcf9418ad846dd0e4bbdfc6ee4b");

SideChannelServer::SideChannelServer()
    : m_http(std::make_unique<LoopbackHttpServer>())
{
}

SideChannelServer::~SideChannelServer()
{
    m_http->stop();
    qunsetenv(AccountServiceAddress::Variable);
    signOut();
}

bool SideChannelServer::start()
{
    if (!m_http->start())
        return false;
    qputenv(AccountServiceAddress::Variable, m_http->url(QStringLiteral("/api")).toString().toUtf8());
    signIn();
    return true;
}

void SideChannelServer::enqueue(const QJsonArray& answer)
{
    m_http->enqueue(LoopbackHttpServer::Reply::json(QJsonDocument(answer).toJson(QJsonDocument::Compact)));
}

void SideChannelServer::enqueue(const LoopbackHttpServer::Reply& reply)
{
    m_http->enqueue(reply);
}

QStringList SideChannelServer::calls() const
{
    QStringList calls;
    for (const LoopbackHttpServer::Request& request : m_http->requests())
        calls.append(QString::fromLatin1(request.method + ' ' + request.path));
    return calls;
}

QJsonArray SideChannelServer::sent(int index) const
{
    return QJsonDocument::fromJson(m_http->requests().value(index).body).array();
}

void SideChannelServer::signIn(const QString& token)
{
    Settings::instance()->setClientLogin(QStringLiteral("ann@example.com"));
    Settings::instance()->setClientPassword(QStringLiteral("5f4dcc3b5aa765d61d8327deb882cf99"));
    Settings::instance()->setAuthToken(token);
}

void SideChannelServer::signOut()
{
    Settings::instance()->clearClientLogin();
    Settings::instance()->clearClientPassword();
    Settings::instance()->setAuthToken(QString());
}

bool SideChannelServer::run(BaseSyncManager* channel, int timeoutMs)
{
    QSignalSpy completed(channel, &BaseSyncManager::completed);
    channel->sync();
    return !completed.isEmpty() || completed.wait(timeoutMs);
}
