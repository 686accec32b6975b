#include "SideChannelServer.h"

#include "data/MetaDataManager.h"
#include "data/PredefinedDataHelper.h"
#include "models/FavoritesManager.h"
#include "shell/AppPaths.h"
#include "support/HostileSettings.h"
#include "support/RecordBuilder.h"
#include "support/StoreFixture.h"
#include "support/TestMain.h"
#include "sync/RemindersSyncManager.h"
#include "sync/SortingManager.h"
#include "time/NotificationManager.h"

#include <QFile>
#include <QJsonArray>
#include <QJsonDocument>
#include <QJsonObject>

#include <memory>
#include <mutex>

namespace {

const QDateTime Due = QDateTime::currentDateTime().addDays(30);

QByteArray readBytes(const QString& path)
{
    QFile file(path);
    return file.open(QIODevice::ReadOnly) ? file.readAll() : QByteArray();
}

bool writeBytes(const QString& path, const QByteArray& bytes)
{
    QFile file(path);
    return file.open(QIODevice::WriteOnly | QIODevice::Truncate) && file.write(bytes) == bytes.size();
}

} // namespace

// The files of the side channels, written by another program while Quorvel
// runs: a value that would make QSettings build what it names is taken out
// before the channel reads or saves the file again, and what was good stays.
class TestSideChannelFiles : public QObject
{
    Q_OBJECT

    StoreFixture m_store;
    std::unique_ptr<SideChannelServer> m_server;
    std::unique_ptr<NotificationManager> m_notifications;
    std::unique_ptr<FavoritesManager> m_favorites;
    std::unique_ptr<SortingManager> m_sorting;
    std::unique_ptr<MetaDataManager> m_meta;
    std::unique_ptr<RemindersSyncManager> m_reminders;

    // The channel on its file, read as at start.
    void open(const QString& channel, const QString& path)
    {
        m_favorites.reset();
        m_sorting.reset();
        m_meta.reset();
        m_reminders.reset();
        if (channel == "favorites")
            m_favorites = std::make_unique<FavoritesManager>(path, nullptr);
        else if (channel == "sorting")
            m_sorting = std::make_unique<SortingManager>(path);
        else if (channel == "meta")
            m_meta = std::make_unique<MetaDataManager>(path);
        else
            m_reminders = std::make_unique<RemindersSyncManager>(
                RemindersSyncManager::Services { m_store.store(), m_notifications.get(), m_store.repetition() },
                path);
    }

    // One change about the object: each channel saves it to its file.
    void change(const QString& objectId)
    {
        if (m_favorites) {
            m_favorites->add(FavoritesManager::TaskKind, objectId);
        } else if (m_sorting) {
            m_sorting->setSortedList(objectId, SortingNamespace::ListTypeProject,
                SortingNamespace::AlphabeticalType, true);
        } else if (m_meta) {
            m_meta->setProjectIcon(QStringLiteral("star"), objectId);
        } else {
            QVERIFY(m_notifications->scheduleNotification(
                { { "ID", objectId }, { "DUEDATE", Due } }, NotificationManager::Hour));
            QVERIFY(SideChannelServer::run(m_reminders.get()));
        }
    }

    // The objects the channel holds something about.
    QStringList objects() const
    {
        QStringList ids;
        if (m_favorites) {
            ids = m_favorites->taskIds();
        } else if (m_sorting) {
            for (const SortingManager::ListKey& list : m_sorting->sortedLists())
                ids << list.first;
        } else if (m_meta) {
            ids = m_meta->projectIcons().keys();
        } else {
            for (const QJsonValue& reminder : m_reminders->reminderList())
                ids << reminder.toObject().value("object_id").toString();
        }
        ids.sort();
        return ids;
    }

    void channels()
    {
        QTest::addColumn<QString>("channel");
        for (const char* channel : { "favorites", "sorting", "meta", "reminders" })
            QTest::newRow(channel) << QString::fromLatin1(channel);
    }

    // The file as another program leaves it: what it held, then every kind
    // of hostile value.
    static void spoil(const QString& path)
    {
        QVERIFY(writeBytes(path, readBytes(path) + HostileSettings::lines(HostileSettings::values())));
    }

private slots:
    void initTestCase() { StoreFixture::setUpLogging(QStringLiteral("tst_sidechannelfiles")); }

    void init()
    {
        TestSandbox::reset();
        QVERIFY(m_store.open());
        const QString inbox = PredefinedDataHelper::initialQuorvelBoxId();
        for (const char* id : { "one", "two" })
            QVERIFY(m_store.seedTask(RecordBuilder::task(id, inbox).withId(id).due(Due).fromSync(1890000000)));
        m_notifications
            = std::make_unique<NotificationManager>(AppPaths::appDataFile("ntf.dat"), m_store.repetition());
        m_server = std::make_unique<SideChannelServer>();
        QVERIFY(m_server->start());
        // The server holds every reminder sent to it and answers with them all.
        auto held = std::make_shared<std::pair<std::mutex, QJsonArray>>();
        m_server->http().setDefaultHandler([held](const LoopbackHttpServer::Request& request) {
            const std::lock_guard<std::mutex> lock(held->first);
            if (request.method == "POST") {
                for (const QJsonValue& reminder : QJsonDocument::fromJson(request.body).array())
                    held->second.append(reminder);
            }
            return LoopbackHttpServer::Reply::json(QJsonDocument(held->second).toJson(QJsonDocument::Compact));
        });
    }

    void cleanup()
    {
        m_favorites.reset();
        m_sorting.reset();
        m_meta.reset();
        m_reminders.reset();
        m_server.reset();
        m_notifications.reset();
        m_store.close();
    }

    void shouldDropHostileValuesWrittenWhileRunning_data() { channels(); }

    void shouldDropHostileValuesWrittenWhileRunning()
    {
        QFETCH(QString, channel);
        const QString path = AppPaths::appDataFile(channel + ".dat");
        open(channel, path);
        change("one");
        spoil(path);
        m_store.markLog();

        change("two");
        QVERIFY2(m_store.logged("WARN The settings file " + path + " held values that cannot be read safely"),
            qPrintable(m_store.logLines().join('\n')));
        QVERIFY(!readBytes(path).contains("hostile_"));
        open(channel, path);
        QCOMPARE(objects(), QStringList({ "one", "two" }));
    }

    // A file name too long for the copy kept aside: the file cannot be
    // repaired, as in a folder Quorvel may not write. It is read from a copy
    // without the hostile values and left exactly as it is.
    void shouldReadAFileThatCannotBeRepairedFromACopy_data() { channels(); }

    void shouldReadAFileThatCannotBeRepairedFromACopy()
    {
        QFETCH(QString, channel);
        const QString path = AppPaths::appDataFile(QString(236, QLatin1Char('f')) + ".dat");
        open(channel, path);
        change("one");
        spoil(path);
        const QByteArray spoiled = readBytes(path);
        m_store.markLog();

        open(channel, path);
        QCOMPARE(objects(), QStringList { "one" });
        change("two");
        QCOMPARE(readBytes(path), spoiled);
        QVERIFY2(m_store.logged("WARN The settings file " + path + " is read from a copy"),
            qPrintable(m_store.logLines().join('\n')));
    }
};

QUORVEL_TEST_MAIN(TestSideChannelFiles)
#include "tst_sidechannelfiles.moc"
