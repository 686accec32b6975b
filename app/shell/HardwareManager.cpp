#include "shell/HardwareManager.h"

#include "logging/Log.h"

#include <QDBusConnection>
#include <QNetworkConfigurationManager>

// The bearer classes are deprecated in Qt 5.15 but remain its only portable
// online notice.
QT_WARNING_PUSH
QT_WARNING_DISABLE_DEPRECATED

struct HardwareManager::Private
{
    QNetworkConfigurationManager* networkConfigurations = nullptr;
};

HardwareManager* HardwareManager::instance()
{
    static HardwareManager* manager = new HardwareManager();
    return manager;
}

HardwareManager::HardwareManager(QObject* parent)
    : QObject(parent)
    , d(std::make_unique<Private>())
{
    watchNetwork();
    watchSleep();
}

HardwareManager::~HardwareManager() = default;

void HardwareManager::watchNetwork()
{
    d->networkConfigurations = new QNetworkConfigurationManager(this);
    connect(d->networkConfigurations, &QNetworkConfigurationManager::onlineStateChanged, this,
        [this](bool online) {
            if (online)
                emit internetConnectionOnline();
        });
}

QT_WARNING_POP

void HardwareManager::watchSleep()
{
    QDBusConnection bus = QDBusConnection::systemBus();
    const bool watching = bus.isConnected()
        && bus.connect(QStringLiteral("org.freedesktop.login1"), QStringLiteral("/org/freedesktop/login1"),
            QStringLiteral("org.freedesktop.login1.Manager"), QStringLiteral("PrepareForSleep"), this,
            SLOT(onPrepareForSleep(bool)));
    if (!watching)
        QLOG_INFO() << "Wake-up notices are unavailable: the login manager cannot be reached on the system bus.";
}

void HardwareManager::onPrepareForSleep(bool goingToSleep)
{
    if (!goingToSleep) {
        QLOG_INFO() << "The computer woke up.";
        emit computerWokeUp();
    }
}
