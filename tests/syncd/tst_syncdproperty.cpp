// Three Quorvel devices (real client code, stores of their own, each with a
// wall clock of its own) make seeded random changes, some while offline, and
// sync through the real quorvel-syncd; after two quiet sync rounds every
// store must equal the server's view, with no object lost or duplicated.
//
// QUORVEL_SYNC_PROPERTY_SEEDS=200 runs the long mode (20 seeds by default);
// QUORVEL_SYNC_PROPERTY_SEED=N replays one seed. A failure names its seed.

#include "FaultyProxy.h"
#include "HttpCall.h"
#include "PostgresCluster.h"
#include "SyncdDevice.h"
#include "SyncdProcess.h"
#include "support/TestMain.h"

#include <QJsonArray>
#include <QJsonObject>
#include <QNetworkAccessManager>

#include <algorithm>
#include <memory>
#include <random>

namespace {

const QString Password = QStringLiteral("5f4dcc3b5aa765d61d8327deb882cf99");
const int DeviceCount = 3;
const int Rounds = 5;
const qint64 Year = 365 * 24 * 3600;

struct Row
{
    QString kind;
    QString name;
    QString parent;
    QString context;
    int state = 0;
    bool operator==(const Row& other) const
    {
        return kind == other.kind && name == other.name && parent == other.parent && context == other.context
            && state == other.state;
    }
    QString text() const
    {
        return QStringLiteral("%1 \"%2\" parent=%3 context=%4 state=%5").arg(kind, name, parent, context).arg(state);
    }
};

using View = QMap<QString, Row>;

} // namespace

class TestSyncdProperty : public QObject
{
    Q_OBJECT

private:
    SyncdProcess m_server;
    // Where the test registers accounts and reads the server's view.
    QUrl m_readUrl;
    QNetworkAccessManager m_manager;
    int m_accounts = 0;

    QList<unsigned> seeds(unsigned first, int normalCount)
    {
        if (!qEnvironmentVariableIsEmpty("QUORVEL_SYNC_PROPERTY_SEED"))
            return { unsigned(qEnvironmentVariableIntValue("QUORVEL_SYNC_PROPERTY_SEED")) };
        const int count = qEnvironmentVariableIsEmpty("QUORVEL_SYNC_PROPERTY_SEEDS")
            ? normalCount
            : qEnvironmentVariableIntValue("QUORVEL_SYNC_PROPERTY_SEEDS");
        QList<unsigned> list;
        for (int i = 0; i < count; ++i)
            list.append(first + unsigned(i));
        return list;
    }

    QString newAccount()
    {
        HttpCall http(&m_manager);
        const QString login = QStringLiteral("property%1@example.org").arg(++m_accounts);
        return http.sync(m_readUrl, "register_user", { { "VERSION", "1.16.3" }, { "LOGIN", login }, { "PASS", Password } })
                       .status
                == 0
            ? login
            : QString();
    }

    View serverView(const QString& login, QString* inbox, QString* oneStep)
    {
        HttpCall http(&m_manager);
        const HttpCall::SyncAnswer answer = http.sync(m_readUrl, "get_changes_ex",
            { { "VERSION", "1.16.3" }, { "REVISION", "0" }, { "LOGIN", login }, { "PASS", Password } });
        View view;
        QDomElement element = answer.document.documentElement().firstChildElement();
        for (int i = 0; i < 3 && !element.isNull(); ++i)
            element = element.nextSiblingElement();
        for (; !element.isNull(); element = element.nextSiblingElement()) {
            const auto text = [&element](const char* name) { return element.firstChildElement(name).text(); };
            const QString id = text("id");
            if (text("inbox") == "1" || text("inbox") == "2") {
                (text("inbox") == "1" ? *inbox : *oneStep) = id;
                continue;
            }
            QString kind = element.tagName();
            if (kind == "project" && text("folder") == "1")
                kind = "folder";
            view.insert(id, { kind, text("name"), text("parent"), text("context"), text("state").toInt() });
        }
        return view;
    }

    // What a device shares with the server. An object made here and
    // deleted before it was ever sent stays in this device's trash only.
    static View deviceView(SyncdDevice& device, QStringList* unsynced, QSet<QString>* localOnly)
    {
        View view;
        for (const QJsonValue& value : device.dump()) {
            const QJsonObject row = value.toObject();
            const QString id = row.value("id").toString();
            const int state = row.value("state").toInt();
            if (row.value("local").toInt() == 1 && (state == 1 || state == 3)) {
                localOnly->insert(id);
                continue;
            }
            if (row.value("synced").toInt() != 1 || row.value("local").toInt() != 0)
                unsynced->append(id);
            view.insert(id, { row.value("kind").toString(), row.value("name").toString(),
                                row.value("parent").toString(), row.value("context").toString(), row.value("state").toInt() });
        }
        return view;
    }

    // One seeded history; an empty answer when every property holds.
    // Device i talks to urls[i % urls.size()].
    QString runSeed(unsigned seed, const QList<QUrl>& urls, FaultyProxy* proxy)
    {
        std::mt19937 random(seed);
        const auto pick = [&random](int count) { return int(random() % unsigned(qMax(1, count))); };
        const QString login = newAccount();
        if (login.isEmpty())
            return "could not register";
        QList<QUrl> deviceUrls = urls;
        if (proxy) {
            if (!proxy->renew())
                return "the proxy did not start";
            deviceUrls = { proxy->syncUrl() };
        }

        std::vector<std::unique_ptr<SyncdDevice>> devices;
        for (int i = 0; i < DeviceCount; ++i) {
            devices.push_back(std::make_unique<SyncdDevice>());
            // One device keeps the server's time; the others run up to a year off.
            const qint64 shift = i == 0 ? 0 : qint64(random() % (2 * Year)) - Year;
            if (!devices.back()->launch(deviceUrls.at(i % deviceUrls.size()), login, Password, SyncdDevice::clockShift(shift)))
                return "a device did not start";
        }
        for (auto& device : devices) {
            if (!device->waitUntilReady())
                return "a device did not open its store";
        }
        QStringList created;
        int counter = 0;
        const auto name = [&] { return QStringLiteral("s%1n%2").arg(seed).arg(++counter); };

        if (proxy) {
            proxy->reseed(seed);
            proxy->setFaultRate(5);
        }
        for (int round = 0; round < Rounds; ++round) {
            for (auto& device : devices) {
                const bool online = pick(4) != 0;
                QStringList active, deleted, projects, contexts;
                for (const QJsonValue& value : device->dump()) {
                    const QJsonObject row = value.toObject();
                    const QString kind = row.value("kind").toString();
                    const int state = row.value("state").toInt();
                    const QString id = row.value("id").toString();
                    if (kind == "task" && state == 0)
                        active << id;
                    else if (kind == "task" && state == 1)
                        deleted << id;
                    else if (kind == "project" && state == 0)
                        projects << id;
                    else if (kind == "context" && state == 0)
                        contexts << id;
                }
                const auto any = [&](const QStringList& list) { return list.isEmpty() ? QString() : list.at(pick(list.size())); };
                const int operations = 1 + pick(4);
                for (int op = 0; op < operations; ++op) {
                    const int roll = pick(100);
                    const QString task = any(active);
                    // Not null: a roll that finds nothing to do does nothing.
                    QString answer = QLatin1String("");
                    if (roll < 25 || task.isEmpty()) {
                        const QString parent = projects.isEmpty() || pick(2) ? QString("inbox") : any(projects);
                        answer = device->task(name(), parent, pick(3) == 0 ? any(contexts) : QString());
                        created << answer;
                    } else if (roll < 40) {
                        answer = device->command("rename task " + task + " " + name());
                    } else if (roll < 50) {
                        answer = device->command("move " + task + " " + (projects.isEmpty() || pick(3) == 0 ? QString("inbox") : any(projects)));
                    } else if (roll < 57 && !contexts.isEmpty()) {
                        answer = device->command("setcontext " + task + " " + any(contexts));
                    } else if (roll < 72) {
                        const bool complete = pick(2);
                        const bool confirm = pick(2);
                        answer = device->command(complete ? "complete " + task : "delete task " + task);
                        // A sync may start while the change waits for its undo time.
                        const bool syncMeanwhile = online && pick(2);
                        if (!answer.isNull() && syncMeanwhile)
                            answer = device->command("syncstart");
                        if (!answer.isNull())
                            answer = device->command((confirm ? "confirm task " : "undo task ") + task);
                        if (!answer.isNull() && syncMeanwhile)
                            answer = device->command("syncwait");
                        active.removeAll(task);
                    } else if (roll < 78 && !deleted.isEmpty()) {
                        answer = device->command("restore task " + any(deleted));
                    } else if (roll < 86) {
                        answer = device->command("project " + name());
                        created << answer;
                    } else if (roll < 90) {
                        const QString folder = device->command("folder " + name());
                        created << folder;
                        answer = folder.isNull() ? folder : device->command("project " + name() + " " + folder);
                        created << answer;
                    } else if (roll < 96) {
                        answer = device->command("context " + name());
                        created << answer;
                    } else if (!contexts.isEmpty()) {
                        const QString context = any(contexts);
                        answer = device->command("delete context " + context);
                        if (!answer.isNull())
                            answer = device->command("confirm context " + context);
                        contexts.removeAll(context);
                    }
                    if (answer.isNull())
                        return QStringLiteral("round %1: %2").arg(round).arg(device->lastError());
                }
                if (online) {
                    QJsonObject outcome;
                    if (device->command("sync").isNull())
                        return QStringLiteral("round %1: %2").arg(round).arg(device->lastError());
                }
            }
        }

        // Quiet rounds: no changes, no faults, everyone online.
        if (proxy)
            proxy->setFaultRate(0);
        for (int quiet = 0; quiet < 2; ++quiet) {
            for (auto& device : devices) {
                QJsonObject outcome;
                if (!device->sync(&outcome))
                    return QStringLiteral("quiet round %1: %2 %3").arg(quiet).arg(device->lastError(),
                        QString::fromUtf8(QJsonDocument(outcome).toJson(QJsonDocument::Compact)));
            }
        }

        QString inbox, oneStep;
        const View server = serverView(login, &inbox, &oneStep);
        QStringList problems;
        std::vector<View> views;
        QSet<QString> localOnly;
        QStringList unsynced[DeviceCount];
        for (int i = 0; i < DeviceCount; ++i)
            views.push_back(deviceView(*devices[i], &unsynced[i], &localOnly));
        for (const QString& id : qAsConst(created)) {
            if (!server.contains(id) && !localOnly.contains(id))
                problems << "lost on the server: " + id;
        }
        for (int i = 0; i < DeviceCount; ++i) {
            const View& device = views[size_t(i)];
            if (!unsynced[i].isEmpty())
                problems << QStringLiteral("device %1 holds unsent changes: %2").arg(i).arg(unsynced[i].join(", "));
            for (auto it = server.cbegin(); it != server.cend(); ++it) {
                if (!device.contains(it.key()))
                    problems << QStringLiteral("device %1 lacks %2 %3").arg(i).arg(it.key(), it->text());
                else if (!(device.value(it.key()) == it.value()))
                    problems << QStringLiteral("device %1 differs on %2: %3, server %4")
                                    .arg(i)
                                    .arg(it.key(), device.value(it.key()).text(), it->text());
            }
            for (auto it = device.cbegin(); it != device.cend(); ++it) {
                if (!server.contains(it.key()))
                    problems << QStringLiteral("device %1 has %2 that the server lacks: %3").arg(i).arg(it.key(), it->text());
            }
        }
        return problems.join("\n");
    }

    void runSeeds(const QList<unsigned>& list, const QList<QUrl>& urls, FaultyProxy* proxy = nullptr)
    {
        QStringList failures;
        for (const unsigned seed : list) {
            const QString problems = runSeed(seed, urls, proxy);
            if (!problems.isEmpty())
                failures << QStringLiteral("seed %1 (replay: QUORVEL_SYNC_PROPERTY_SEED=%1):\n%2").arg(seed).arg(problems);
        }
        QVERIFY2(failures.isEmpty(), qPrintable(failures.join("\n\n")));
    }

private slots:
    void initTestCase()
    {
        QVERIFY(m_server.start());
        m_readUrl = m_server.syncUrl();
    }

    void cleanupTestCase()
    {
        QCOMPARE(m_server.stop(), 0);
    }

    void shouldRunEachDeviceOnItsOwnClock()
    {
        SyncdDevice device;
        QVERIFY(device.start(m_server.syncUrl(), "clock@example.org", Password, SyncdDevice::clockShift(-Year)));
        const qint64 shifted = device.command("now").toLongLong();
        QVERIFY(qAbs(shifted - (QDateTime::currentSecsSinceEpoch() - Year)) < 60);
    }

    void shouldConvergeWithoutLosingOrDuplicating()
    {
        runSeeds(seeds(1, 20), { m_server.syncUrl() });
    }

    void shouldConvergeThroughAFaultyProxy()
    {
        FaultyProxy proxy(m_server.syncUrl(), 4242);
        QVERIFY(proxy.start());
        runSeeds(seeds(1001, 6), {}, &proxy);
        const FaultyProxy::Counts counts = proxy.counts();
        // Every kind of fault happened.
        QVERIFY(counts.droppedRequests > 0 && counts.unavailable > 0 && counts.duplicated > 0 && counts.droppedReplies > 0);
    }

    // Two server processes share one PostgreSQL database; the devices of an
    // account talk to either.
    void shouldConvergeWithTwoServersOnPostgreSQL()
    {
        PostgresCluster cluster;
        if (!cluster.start())
            QSKIP(qPrintable("PostgreSQL is not available here, so this part is skipped: " + cluster.problem()));
        SyncdProcess first, second;
        QVERIFY(first.start({ "--database", cluster.url() }));
        QVERIFY(second.start({ "--database", cluster.url() }));
        QVERIFY(first.logLines().filter("on PostgreSQL").size() == 1);
        // Changes of one account through both processes at once: every one
        // gets a revision of its own, and none is lost.
        m_readUrl = first.syncUrl();
        const QString login = newAccount();
        QList<QPair<QUrl, QByteArray>> posts;
        for (int i = 0; i < 40; ++i) {
            QUrl url = (i % 2 ? second : first).syncUrl();
            url.setPath(url.path() + "create_task");
            posts.append({ url, HttpCall::form({ { "VERSION", "1.16.3" }, { "REVISION", "1" }, { "ID", QString("t%1").arg(i) },
                                    { "NAME", "x" }, { "PARENT", "" }, { "LOGIN", login }, { "PASS", Password } }) });
        }
        HttpCall http(&m_manager);
        QSet<int> revisions;
        for (const HttpCall::Answer& answer : http.postAll(posts)) {
            QDomDocument document;
            QVERIFY(document.setContent(answer.body));
            QCOMPARE(document.documentElement().firstChildElement().text(), QString("0"));
            revisions.insert(document.documentElement().elementsByTagName("revision").at(0).toElement().text().toInt());
        }
        QCOMPARE(revisions.size(), 40);
        QCOMPARE(*std::min_element(revisions.cbegin(), revisions.cend()), 2);
        QCOMPARE(*std::max_element(revisions.cbegin(), revisions.cend()), 41);
        QString inbox, oneStep;
        QCOMPARE(serverView(login, &inbox, &oneStep).size(), 40);
        m_readUrl = first.syncUrl();
        runSeeds(seeds(2001, 5), { first.syncUrl(), second.syncUrl() });
        m_readUrl = m_server.syncUrl();
        QCOMPARE(first.stop(), 0);
        QCOMPARE(second.stop(), 0);
    }
};

QUORVEL_TEST_MAIN(TestSyncdProperty)
#include "tst_syncdproperty.moc"
