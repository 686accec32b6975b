#include "SyncFixture.h"

#include "logging/Logger.h"
#include "shell/AppPaths.h"
#include "shell/Settings.h"
#include "support/TestSandbox.h"
#include "sync/SyncHandler.h"
#include "sync/SyncManager.h"
#include "time/NotificationManager.h"

#include <QSettings>
#include <QSignalSpy>

const QString SyncFixture::Login = QStringLiteral("ann@example.com");
const QString SyncFixture::PasswordHash = QStringLiteral("5f4dcc3b5aa765d61d8327deb882cf99");

SyncFixture::SyncFixture() = default;

SyncFixture::~SyncFixture()
{
    close();
}

bool SyncFixture::open()
{
    close();
    TestSandbox::reset();
    if (!m_store.open())
        return false;
    m_server = std::make_unique<LoopbackHttpServer>();
    if (!m_server->start())
        return false;
    qputenv("QUORVEL_SYNC_URL", m_server->url(QStringLiteral("/api/1/")).toString().toUtf8());
    m_notifications = std::make_unique<NotificationManager>(
        AppPaths::appDataFile(QStringLiteral("ntf.dat")), m_store.repetition());
    signIn();
    m_store.markLog();
    return true;
}

void SyncFixture::close()
{
    m_manager.reset();
    m_handler.reset();
    m_notifications.reset();
    if (m_server)
        m_server->stop();
    m_server.reset();
    m_store.close();
}

namespace {
SyncHandler::Services servicesOf(StoreFixture& store, NotificationManager* notifications)
{
    SyncHandler::Services services;
    services.store = store.store();
    services.repetition = store.repetition();
    services.notifications = notifications;
    services.settings = store.settings();
    services.clock = [] { return QDateTime::fromSecsSinceEpoch(SyncFixture::Now, Qt::UTC); };
    return services;
}
} // namespace

void SyncFixture::makeHandler()
{
    m_manager.reset();
    m_handler = std::make_unique<SyncHandler>(servicesOf(m_store, m_notifications.get()));
}

void SyncFixture::makeManager()
{
    m_handler.reset();
    m_manager = std::make_unique<SyncManager>(servicesOf(m_store, m_notifications.get()));
}

DatabaseHandler* SyncFixture::store() const
{
    return m_store.store();
}

Settings* SyncFixture::settings() const
{
    return m_store.settings();
}

SyncHandler* SyncFixture::handler() const
{
    return m_manager ? m_manager->handler() : m_handler.get();
}

void SyncFixture::signIn()
{
    settings()->setClientLogin(Login);
    settings()->setClientPassword(PasswordHash);
}

void SyncFixture::signOut()
{
    settings()->clearClientLogin();
    settings()->clearClientPassword();
}

int SyncFixture::storedRevision() const
{
    const QString value = syncFileValue(QStringLiteral("LastClientRevision"));
    return value.isNull() ? -1 : value.toInt();
}

void SyncFixture::setStoredRevision(int revision)
{
    QSettings file(SyncHandler::syncFilePath(), QSettings::IniFormat);
    file.setValue(QStringLiteral("Sync/LastClientRevision"), revision);
}

QString SyncFixture::syncFileValue(const QString& key) const
{
    QSettings file(SyncHandler::syncFilePath(), QSettings::IniFormat);
    const QVariant value = file.value(QStringLiteral("Sync/") + key);
    return value.isValid() ? value.toString() : QString();
}

void SyncFixture::reply(const QByteArray& xml)
{
    m_server->enqueue(LoopbackHttpServer::Reply::xml(xml));
}

QByteArray SyncFixture::changes(int revision, const QList<QVariantMap>& objects, qint64 clockOffset)
{
    return SyncReplies::changes(revision, objects, uint(Now + clockOffset));
}

QByteArray SyncFixture::accepted(int revision)
{
    return SyncReplies::accepted(revision, uint(Now));
}

bool SyncFixture::runSync()
{
    QSignalSpy finished(handler(), &SyncHandler::finished);
    if (!handler()->start())
        return false;
    return finished.count() > 0 || finished.wait(30000);
}

QStringList SyncFixture::methods() const
{
    return SyncReplies::methods(m_server->requests());
}

bool SyncFixture::logged(const QString& levelAndStart) const
{
    Logging::Logger::instance().flush();
    return m_store.logged(levelAndStart);
}
