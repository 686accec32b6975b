#include "shell/Helper.h"

#include "data/DataManager.h"
#include "data/DatabaseHandler.h"
#include "data/PredefinedDataHelper.h"
#include "logging/Log.h"
#include "shell/MailClientLookup.h"
#include "shell/Settings.h"

#include <QClipboard>
#include <QGuiApplication>
#include <QLocale>
#include <QQmlEngine>
#include <QTimer>
#include <QTouchDevice>

namespace {

const QString TwelveHourFormat = QStringLiteral("h:mm AP");
const QString TwentyFourHourFormat = QStringLiteral("h:mm");

} // namespace

Helper* Helper::instance()
{
    static Helper* helper = new Helper();
    return helper;
}

Helper::Helper(QObject* parent)
    : QObject(parent)
    , m_clock([] { return QDateTime::currentDateTime(); })
{
    if (qobject_cast<QGuiApplication*>(QCoreApplication::instance())) {
        connect(QGuiApplication::clipboard(), &QClipboard::dataChanged, this, &Helper::clipboardHasTextChanged);
    }
}

Helper::~Helper() = default;

QString Helper::databasePath() const
{
    return DatabaseHandler::databasePath();
}

bool Helper::recreateDatabase()
{
    const bool open = dataManager()->recreateDatabase();
    // The store queues the same reset to this thread; doing it here as well
    // means the interface sees the initial list identifiers as soon as the
    // call returns, not only after the next turn of the event loop.
    PredefinedDataHelper::instance()->resetBuiltInListIds();
    return open;
}

QString Helper::toUtcString(const QDateTime& dateTime) const
{
    const QDateTime wallClock = dateTime.toUTC();
    const QString language = settings()->applicationLanguage();
    const QLocale locale(language);
    const QString timeFormat = locale.timeFormat(QLocale::ShortFormat) == TwelveHourFormat
        ? TwelveHourFormat
        : TwentyFourHourFormat;

    const QDate today = m_clock().date();
    QString prefix;
    if (wallClock.date() == today)
        prefix = tr("Today");
    else if (wallClock.date() == today.addDays(1))
        prefix = tr("Tomorrow");
    else if (wallClock.date() == today.addDays(-1))
        prefix = tr("Yesterday");
    if (!prefix.isEmpty())
        return QStringLiteral("%1, %2").arg(prefix, locale.toString(wallClock.time(), timeFormat));

    const QString dateFormat = language == QLatin1String("ru") ? QStringLiteral("d MMMM, yyyy")
                                                               : QStringLiteral("MMMM d, yyyy");
    return locale.toString(wallClock, dateFormat + QLatin1Char(' ') + timeFormat);
}

QDateTime Helper::toUtcDateTime(const QDateTime& dateTime) const
{
    const QDateTime wallClock = dateTime.toUTC();
    return QDateTime(wallClock.date(), wallClock.time(), Qt::LocalTime);
}

QVariantList Helper::handleRecentProjectList(const QVariantList& list, const QVariantMap& newProject) const
{
    QVariantList recent = list;
    const QString id = newProject.value(QStringLiteral("ID")).toString();
    if (id.isEmpty()) {
        // A record without an ID would show as a nameless entry that opens nothing.
        QLOG_WARN() << "A project without an ID was not added to the recent projects.";
    } else {
        int existing = -1;
        for (int i = 0; i < recent.size() && existing < 0; ++i) {
            if (recent.at(i).toMap().value(QStringLiteral("ID")).toString() == id)
                existing = i;
        }
        if (existing >= 0)
            recent.move(existing, 0);
        else
            recent.prepend(newProject);
    }
    while (recent.size() > RecentProjectCount)
        recent.removeLast();
    return recent;
}

QTimer* Helper::getTemporaryTimer()
{
    auto* timer = new QTimer(this);
    timer->setSingleShot(true);
    connect(timer, &QTimer::timeout, timer, &QObject::deleteLater);
    // Left to the script engine, an idle timer could be collected before it fires.
    QQmlEngine::setObjectOwnership(timer, QQmlEngine::CppOwnership);
    return timer;
}

bool Helper::hasDefaultMailClient() const
{
    return MailClientLookup::hasDefaultMailClient();
}

void Helper::setBadgeLabelTaskCount(int count)
{
    Q_UNUSED(count)
}

bool Helper::isTouchDeviceAvailable() const
{
    return !QTouchDevice::devices().isEmpty();
}

bool Helper::clipboardHasText() const
{
    if (!qobject_cast<QGuiApplication*>(QCoreApplication::instance()))
        return false;
    return !QGuiApplication::clipboard()->text().isEmpty();
}

void Helper::setDataManager(DataManager* dataManager)
{
    m_dataManager = dataManager;
}

void Helper::setSettings(Settings* settings)
{
    m_settings = settings;
}

void Helper::setClock(const std::function<QDateTime()>& clock)
{
    m_clock = clock ? clock : [] { return QDateTime::currentDateTime(); };
}

DataManager* Helper::dataManager() const
{
    return m_dataManager ? m_dataManager : DataManager::instance();
}

Settings* Helper::settings() const
{
    return m_settings ? m_settings : Settings::instance();
}
