// The sync protocol and the account service of the real quorvel-syncd,
// spoken to over real HTTP on loopback.

#include "HttpCall.h"
#include "SyncdProcess.h"
#include "support/TestMain.h"

#include <QCryptographicHash>
#include <QJsonArray>
#include <QJsonDocument>
#include <QJsonObject>
#include <QNetworkAccessManager>
#include <QSqlDatabase>
#include <QElapsedTimer>
#include <QSqlQuery>
#include <QSslConfiguration>
#include <QTcpSocket>
#include <QTimer>

#include <csignal>

using Fields = QList<QPair<QString, QString>>;

namespace {

const QString Password = QStringLiteral("5f4dcc3b5aa765d61d8327deb882cf99");

QString md5Hex(const QString& text)
{
    return QString::fromLatin1(QCryptographicHash::hash(text.toUtf8(), QCryptographicHash::Md5).toHex());
}

} // namespace

class TestSyncdProtocol : public QObject
{
    Q_OBJECT

private:
    SyncdProcess m_server;
    QNetworkAccessManager m_manager;
    HttpCall m_http { &m_manager };
    int m_accounts = 0;

    QString newAccount()
    {
        const QString login = QStringLiteral("user%1@example.org").arg(++m_accounts);
        [&] { QCOMPARE(call(QStringLiteral("register_user"), login, Password).status, 0); }();
        return login;
    }

    HttpCall::SyncAnswer call(const QString& method, const QString& login, const QString& password,
        const Fields& fields = {}, const QString& version = QStringLiteral("1.16.3"))
    {
        Fields all { { QStringLiteral("PLATFORM"), QStringLiteral("Windows") }, { QStringLiteral("VERSION"), version } };
        all += fields;
        all += { { QStringLiteral("LOGIN"), login }, { QStringLiteral("PASS"), password } };
        return m_http.sync(m_server.syncUrl(), method, all);
    }

    // A create or update of a kind with the given fields at a revision.
    HttpCall::SyncAnswer write(const QString& login, const QString& method, Fields fields, int revision)
    {
        fields.prepend({ QStringLiteral("REVISION"), QString::number(revision) });
        return call(method, login, Password, fields);
    }

    static QList<QDomElement> objectsOf(const HttpCall::SyncAnswer& answer)
    {
        QList<QDomElement> objects;
        QDomElement element = answer.document.documentElement().firstChildElement();
        for (int i = 0; i < 3 && !element.isNull(); ++i)
            element = element.nextSiblingElement();
        for (; !element.isNull(); element = element.nextSiblingElement())
            objects.append(element);
        return objects;
    }

    static QString payload(const HttpCall::SyncAnswer& answer)
    {
        return answer.document.documentElement().firstChildElement().nextSiblingElement().nextSiblingElement().text();
    }

    QString token(const QString& login)
    {
        const HttpCall::Answer answer = m_http.post(QUrl(m_server.accountUrl().toString() + "/auth/v1/login/"),
            QJsonDocument(QJsonObject { { "login", login }, { "password", Password }, { "language", "en" } }).toJson(),
            "application/json");
        return QJsonDocument::fromJson(answer.body).object().value("key").toString();
    }

    HttpCall::Answer channel(const QString& token, const QString& path, const QJsonArray* items = nullptr)
    {
        const QUrl url(m_server.accountUrl().toString() + path);
        QList<QPair<QByteArray, QByteArray>> headers;
        if (!token.isNull())
            headers.append({ "Authorization", "Token " + token.toLatin1() });
        if (!items)
            return m_http.get(url, headers);
        return m_http.post(url, QJsonDocument(*items).toJson(), "application/json", headers);
    }

    // A fresh account holding context c1, deleted context cdel, folder f1,
    // project p1 (not a folder) and task t1 changed at 1000: revision 7.
    QString seededAccount()
    {
        const QString login = newAccount();
        const QList<QPair<QString, Fields>> writes = {
            { "create_context", { { "ID", "c1" }, { "NAME", "c1" }, { "TIMESTAMP", "900" } } },
            { "create_context", { { "ID", "cdel" }, { "NAME", "cdel" }, { "TIMESTAMP", "900" } } },
            { "update_context", { { "ID", "cdel" }, { "STATE", "1" }, { "TIMESTAMP", "901" } } },
            { "create_project", { { "ID", "f1" }, { "NAME", "f1" }, { "FOLDER", "1" }, { "TIMESTAMP", "900" } } },
            { "create_project", { { "ID", "p1" }, { "NAME", "p1" }, { "FOLDER", "0" }, { "TIMESTAMP", "900" } } },
            { "create_task", { { "ID", "t1" }, { "NAME", "t1" }, { "PARENT", "p1" }, { "TIMESTAMP", "1000" } } },
        };
        int revision = 1;
        for (const auto& step : writes) {
            const HttpCall::SyncAnswer answer = write(login, step.first, step.second, revision);
            if (answer.status != 0)
                qWarning("seeding %s failed: %d %s", qPrintable(step.first), answer.status, qPrintable(answer.second));
            revision = payload(answer).toInt();
        }
        return login;
    }

private slots:
    void initTestCase()
    {
        QVERIFY(m_server.start({ QStringLiteral("--min-version"), QStringLiteral("1.10.0") }));
    }

    void cleanupTestCase()
    {
        QCOMPARE(m_server.stop(), 0);
    }

    void shouldAnswerAccountRequests_data()
    {
        QTest::addColumn<QString>("method");
        QTest::addColumn<QString>("login");
        QTest::addColumn<QString>("password");
        QTest::addColumn<QString>("version");
        QTest::addColumn<int>("status");
        // "SELF" is the row's own freshly registered account.
        QTest::newRow("register again") << "register_user" << "SELF" << Password << "1.16.3" << 202;
        QTest::newRow("register in other case") << "register_user" << " Self " << Password << "1.16.3" << 202;
        QTest::newRow("register without login") << "register_user" << "" << Password << "1.16.3" << 400;
        QTest::newRow("right password") << "check_login" << "SELF" << Password << "1.16.3" << 0;
        QTest::newRow("wrong password") << "check_login" << "SELF" << md5Hex("nope") << "1.16.3" << 201;
        QTest::newRow("no such login") << "check_login" << "nobody@example.org" << Password << "1.16.3" << 200;
        QTest::newRow("version below minimum") << "check_login" << "SELF" << Password << "1.9.9" << 110;
        QTest::newRow("version at minimum") << "check_login" << "SELF" << Password << "1.10.0" << 0;
        QTest::newRow("sync with wrong password") << "get_changes_ex" << "SELF" << md5Hex("x") << "1.16.3" << 201;
        QTest::newRow("unknown reset") << "reset_password" << "nobody@example.org" << "" << "1.16.3" << 200;
    }

    void shouldAnswerAccountRequests()
    {
        QFETCH(QString, method);
        QFETCH(QString, login);
        QFETCH(QString, password);
        QFETCH(QString, version);
        QFETCH(int, status);
        const QString self = newAccount();
        if (login == QLatin1String("SELF"))
            login = self;
        else if (login == QLatin1String(" Self "))
            login = QLatin1Char(' ') + self.toUpper() + QLatin1Char(' ');
        QCOMPARE(call(method, login, password, {}, version).status, status);
    }

    void shouldStartNewAccountWithItsBuiltInProjects()
    {
        const QString login = newAccount();
        const HttpCall::SyncAnswer answer = call("get_changes_ex", login, Password, { { "REVISION", "0" } });
        QCOMPARE(answer.status, 0);
        QCOMPARE(payload(answer), QStringLiteral("1"));
        const QList<QDomElement> objects = objectsOf(answer);
        QCOMPARE(objects.size(), 2);
        QSet<QString> inboxes;
        for (const QDomElement& object : objects) {
            QCOMPARE(object.tagName(), QStringLiteral("project"));
            QVERIFY(!object.firstChildElement("id").text().isEmpty());
            inboxes.insert(object.firstChildElement("inbox").text());
        }
        QCOMPARE(inboxes, (QSet<QString> { "1", "2" }));
        QVERIFY(objects.at(0).firstChildElement("id").text() != objects.at(1).firstChildElement("id").text());
    }

    void shouldApplyTheChangeRules_data()
    {
        QTest::addColumn<QString>("method");
        QTest::addColumn<Fields>("fields");
        QTest::addColumn<int>("revision");
        QTest::addColumn<int>("status");
        QTest::addColumn<QString>("text");
        QTest::newRow("create of an existing id") << "create_task"
            << Fields { { "ID", "t1" }, { "NAME", "x" }, { "PARENT", "p1" } } << 7 << 104 << "already exists";
        QTest::newRow("update of an unknown id") << "update_task"
            << Fields { { "ID", "t9" }, { "NAME", "x" }, { "PARENT", "p1" } } << 7 << 100 << "doesn't exist";
        QTest::newRow("update older than stored") << "update_task"
            << Fields { { "ID", "t1" }, { "PARENT", "p1" }, { "TIMESTAMP", "999" } } << 7 << 107
            << ": Server has newer object; timestamp: 1000.";
        QTest::newRow("update from an older revision") << "update_task"
            << Fields { { "ID", "t1" }, { "PARENT", "p1" }, { "TIMESTAMP", "1001" } } << 6 << 106 << "revision 7";
        QTest::newRow("update at the same timestamp") << "update_task"
            << Fields { { "ID", "t1" }, { "PARENT", "p1" }, { "TIMESTAMP", "1000" } } << 7 << 0 << "";
        QTest::newRow("missing context") << "create_task"
            << Fields { { "ID", "t9" }, { "NAME", "x" }, { "PARENT", "p1" }, { "CONTEXT", "nope" } } << 7 << 103
            << "Context(nope) required for task(t9) doesn't exist";
        QTest::newRow("deleted context") << "create_task"
            << Fields { { "ID", "t9" }, { "NAME", "x" }, { "PARENT", "p1" }, { "CONTEXT", "cdel" } } << 7 << 103
            << "Context(cdel) required for task(t9) was deleted";
        QTest::newRow("deleted context of a project") << "create_project"
            << Fields { { "ID", "p9" }, { "NAME", "x" }, { "CONTEXT", "cdel" } } << 7 << 103
            << "Context(cdel) required for project(p9) doesn't exist";
        QTest::newRow("missing parent") << "create_task"
            << Fields { { "ID", "t9" }, { "NAME", "x" }, { "PARENT", "nope" } } << 7 << 103
            << "Parent(nope) required for object(t9) doesn't exist";
        QTest::newRow("parent that is no folder") << "create_project"
            << Fields { { "ID", "p9" }, { "NAME", "x" }, { "PARENT", "p1" } } << 7 << 103
            << "Parent(p1) isn't folder required for folder(p9)";
        QTest::newRow("folder as its own parent") << "update_project"
            << Fields { { "ID", "f1" }, { "PARENT", "f1" }, { "TIMESTAMP", "2000" } } << 7 << 103
            << "Parent(f1) required for object(f1) doesn't exist";
        QTest::newRow("project in a folder") << "create_project"
            << Fields { { "ID", "p9" }, { "NAME", "x" }, { "PARENT", "f1" }, { "CONTEXT", "c1" } } << 7 << 0 << "";
        QTest::newRow("completed task keeps a deleted context") << "update_task"
            << Fields { { "ID", "t1" }, { "PARENT", "p1" }, { "CONTEXT", "cdel" }, { "STATE", "2" }, { "TIMESTAMP", "1001" } }
            << 7 << 0 << "";
        QTest::newRow("state out of range") << "update_task"
            << Fields { { "ID", "t1" }, { "PARENT", "p1" }, { "STATE", "7" }, { "TIMESTAMP", "1001" } } << 7 << 400 << "STATE";
        QTest::newRow("identifier with a blank") << "create_task"
            << Fields { { "ID", "t 9" }, { "NAME", "x" }, { "PARENT", "p1" } } << 7 << 400 << "ID";
        QTest::newRow("date that is no number") << "create_task"
            << Fields { { "ID", "t9" }, { "NAME", "x" }, { "PARENT", "p1" }, { "DUE", "soon" } } << 7 << 400 << "DUE";
    }

    void shouldApplyTheChangeRules()
    {
        QFETCH(QString, method);
        QFETCH(Fields, fields);
        QFETCH(int, revision);
        QFETCH(int, status);
        QFETCH(QString, text);
        const QString login = seededAccount();
        const HttpCall::SyncAnswer answer = write(login, method, fields, revision);
        QCOMPARE(answer.status, status);
        if (status == 0) {
            QCOMPARE(payload(answer), QStringLiteral("8"));
        } else {
            QVERIFY2(answer.second.contains(text), qPrintable(answer.second));
            // A refused change moves nothing.
            QCOMPARE(payload(call("get_changes_ex", login, Password, { { "REVISION", "7" } })), QStringLiteral("7"));
        }
    }

    void shouldSendOnlyWhatChangedAfterTheRevision()
    {
        const QString login = seededAccount();
        QCOMPARE(write(login, "update_task", { { "ID", "t1" }, { "NAME", "renamed" }, { "TIMESTAMP", "1100" } }, 7).status, 0);
        const HttpCall::SyncAnswer answer = call("get_changes_ex", login, Password, { { "REVISION", "7" } });
        QCOMPARE(payload(answer), QStringLiteral("8"));
        const QList<QDomElement> objects = objectsOf(answer);
        QCOMPARE(objects.size(), 1);
        QCOMPARE(objects.at(0).tagName(), QStringLiteral("task"));
        QCOMPARE(objects.at(0).firstChildElement("name").text(), QStringLiteral("renamed"));
        // Unchanged fields stay as they were.
        QCOMPARE(objects.at(0).firstChildElement("parent").text(), QStringLiteral("p1"));
        // Everything for 0: the built-in projects, the contexts, the projects and the task.
        QCOMPARE(objectsOf(call("get_changes_ex", login, Password, { { "REVISION", "0" } })).size(), 2 + 2 + 2 + 1);
    }

    void shouldKeepAccountsApart()
    {
        const QString ann = seededAccount();
        const QString bob = newAccount();
        QCOMPARE(call("get_task", bob, Password, { { "ID", "t1" } }).status, 100);
        QCOMPARE(objectsOf(call("get_changes_ex", bob, Password, { { "REVISION", "0" } })).size(), 2);
        QCOMPARE(write(bob, "create_context", { { "ID", "c1" }, { "NAME", "bob's" } }, 1).status, 0);
        const HttpCall::SyncAnswer annContext = call("get_context", ann, Password, { { "ID", "c1" } });
        QCOMPARE(annContext.document.documentElement().elementsByTagName("name").at(0).toElement().text(), QStringLiteral("c1"));
    }

    void shouldEscapeWhatXmlCannotCarry_data()
    {
        QTest::addColumn<QString>("name");
        QTest::addColumn<QString>("expected");
        QTest::newRow("markup") << "<b>&amp;\"quoted\" 'single'" << "<b>&amp;\"quoted\" 'single'";
        QTest::newRow("line breaks") << "one\r\ntwo\nthree" << "one\r\ntwo\nthree";
        QTest::newRow("control character") << QString("a") + QChar(1) + "b" << QString("a") + QChar(0xFFFD) + "b";
        QTest::newRow("beyond the basic plane") << QString::fromUtf8("\xF0\x9F\x93\x85 план") << QString::fromUtf8("\xF0\x9F\x93\x85 план");
    }

    void shouldEscapeWhatXmlCannotCarry()
    {
        QFETCH(QString, name);
        QFETCH(QString, expected);
        const QString login = newAccount();
        QCOMPARE(write(login, "create_context", { { "ID", "c1" }, { "NAME", name } }, 1).status, 0);
        const HttpCall::SyncAnswer answer = call("get_context", login, Password, { { "ID", "c1" } });
        QCOMPARE(answer.status, 0);
        QCOMPARE(answer.document.documentElement().elementsByTagName("name").at(0).toElement().text(), expected);
    }

    void shouldRefuseMalformedBodies_data()
    {
        QTest::addColumn<QByteArray>("body");
        QTest::addColumn<int>("httpStatus");
        QTest::addColumn<int>("status");
        QTest::newRow("broken escape") << QByteArray("LOGIN=%ZZ&PASS=x") << 200 << 400;
        QTest::newRow("escape cut short") << QByteArray("LOGIN=a%4") << 200 << 400;
        QTest::newRow("not UTF-8") << QByteArray("LOGIN=%FF%FE%FD&PASS=x") << 200 << 400;
        QTest::newRow("field without a name") << QByteArray("=x&LOGIN=a") << 200 << 400;
        QTest::newRow("too many fields") << QByteArray("a=1&").repeated(1001) << 200 << 400;
        QTest::newRow("binary") << QByteArray("\x00\x01\x02\xff", 4) << 200 << 400;
        QTest::newRow("empty, so without a version") << QByteArray() << 200 << 110;
        QTest::newRow("larger than the cap") << QByteArray(2 * 1024 * 1024, 'a') << 413 << -1;
    }

    void shouldRefuseMalformedBodies()
    {
        QFETCH(QByteArray, body);
        QFETCH(int, httpStatus);
        QFETCH(int, status);
        QUrl url = m_server.syncUrl();
        url.setPath(url.path() + "check_login");
        const HttpCall::Answer answer = m_http.post(url, body, "application/x-www-form-urlencoded");
        QCOMPARE(answer.httpStatus, httpStatus);
        QDomDocument document;
        document.setContent(answer.body);
        const bool ok = !document.isNull() && document.documentElement().firstChildElement().text().toInt() == status;
        QVERIFY2(status == -1 || ok, answer.body.constData());
        // And the server goes on.
        QCOMPARE(call("check_login", newAccount(), Password).status, 0);
    }

    void shouldKeepPasswordsOnlyAsSlowSaltedHashes()
    {
        const QString login = newAccount();
        QSqlDatabase db = QSqlDatabase::addDatabase("QSQLITE", "peek");
        db.setDatabaseName(m_server.dataFolder() + "/syncd.db");
        QVERIFY(db.open());
        {
            QSqlQuery query(db);
            QVERIFY(query.exec("SELECT password_hash FROM accounts"));
            QSet<QString> hashes;
            while (query.next()) {
                const QString hash = query.value(0).toString();
                QVERIFY2(hash.startsWith("pbkdf2-sha256$"), qPrintable(hash));
                QVERIFY(!hash.contains(Password));
                hashes.insert(hash);
            }
            // Salted: the same password never gives the same hash twice.
            QCOMPARE(hashes.size(), m_accounts);
        }
        db.close();
        db = QSqlDatabase();
        QSqlDatabase::removeDatabase("peek");
    }

    void shouldResetPasswordsThroughTheAdministrator()
    {
        const QString login = newAccount();
        QCOMPARE(call("reset_password", login, QString()).status, 0);
        int exitCode = -1;
        const QString output = SyncdProcess::runTool(
            { "--data", m_server.dataFolder(), "--reset-password", login.toUpper() }, &exitCode);
        QCOMPARE(exitCode, 0);
        const QString oneTime = output.trimmed().split('\n').last().trimmed();
        QCOMPARE(oneTime.size(), 12);
        // Until it is used, the old password still works: anybody may ask for a reset.
        QCOMPARE(call("check_login", login, Password).status, 0);
        QCOMPARE(call("check_login", login, md5Hex(oneTime)).status, 0);
        QCOMPARE(call("check_login", login, Password).status, 201);
        QCOMPARE(call("check_login", login, md5Hex(oneTime)).status, 0);
        SyncdProcess::runTool({ "--data", m_server.dataFolder(), "--reset-password", "nobody@example.org" }, &exitCode);
        QCOMPARE(exitCode, 2);
    }

    void shouldChangePasswords()
    {
        const QString login = newAccount();
        const auto change = [&](const QString& first, const QString& oldPassword) {
            return call("change_password", login, Password,
                { { "LOGIN", first }, { "OLD_PASS", md5Hex(oldPassword) }, { "NEW_PASS", md5Hex("new secret") } });
        };
        QCOMPARE(change(login, "not it").status, 201);
        QCOMPARE(change("someone@else.org", "password").status, 201);
        QCOMPARE(change(login, "password").status, 0);
        QCOMPARE(call("check_login", login, Password).status, 201);
        QCOMPARE(call("check_login", login, md5Hex("new secret")).status, 0);
    }

    void shouldAuthoriseTheSideChannels()
    {
        const QString login = newAccount();
        QCOMPARE(channel(QString(), "/reminders/v1/").httpStatus, 401);
        QCOMPARE(channel("0123", "/reminders/v1/").httpStatus, 401);
        QCOMPARE(channel(token(login), "/unknown/v1/").httpStatus, 404);
        const HttpCall::Answer refused = m_http.post(QUrl(m_server.accountUrl().toString() + "/auth/v1/login/"),
            "{\"login\": \"" + login.toUtf8() + "\", \"password\": \"wrong\"}", "application/json");
        QCOMPARE(refused.httpStatus, 400);
        QCOMPARE(m_http.post(QUrl(m_server.accountUrl().toString() + "/auth/v1/login/"), "{not json", "application/json")
                     .httpStatus,
            400);
        const QString key = token(login);
        QCOMPARE(key.size(), 40);
        QCOMPARE(channel(key, "/reminders/v1/").body, QByteArray("[]"));
        const QJsonArray notJson;
        QCOMPARE(m_http.post(QUrl(m_server.accountUrl().toString() + "/sorting/v1/"), "{\"a\":", "application/json",
                     { { "Authorization", "Token " + key.toLatin1() } })
                     .httpStatus,
            400);
    }

    void shouldMergeSideChannelItems_data()
    {
        QTest::addColumn<QString>("channel");
        QTest::addColumn<QStringList>("steps");
        QTest::addColumn<QStringList>("expected");
        // Steps: "send|delete|listdelete <id> <minute> [<value>]" on a key made
        // of the id; expected: the "<id>=<value>" items of the final list.
        QTest::newRow("newer replaces") << "reminders" << QStringList { "send a 1 one", "send a 2 two" } << QStringList { "a=two" };
        QTest::newRow("older does not replace") << "reminders" << QStringList { "send a 2 two", "send a 1 one" } << QStringList { "a=two" };
        QTest::newRow("tie takes the sent one") << "favorites" << QStringList { "send a 1 one", "send a 1 two" } << QStringList { "a=two" };
        QTest::newRow("delete removes") << "meta" << QStringList { "send a 1 x", "send b 1 y", "delete a 2" } << QStringList { "b=y" };
        QTest::newRow("older copy does not come back") << "reminders" << QStringList { "send a 1 x", "delete a 3", "send a 2 x" } << QStringList {};
        QTest::newRow("newer copy comes back") << "reminders" << QStringList { "send a 1 x", "delete a 3", "send a 4 z" } << QStringList { "a=z" };
        QTest::newRow("delete older than the item") << "meta" << QStringList { "send a 5 x", "delete a 3" } << QStringList { "a=x" };
        QTest::newRow("delete before it ever arrived") << "favorites" << QStringList { "delete a 3", "send a 2 x" } << QStringList {};
        QTest::newRow("sorting list delete by id") << "sorting" << QStringList { "send a 1 x", "send b 1 y", "listdelete a 2" } << QStringList { "b=y" };
        QTest::newRow("items without their key are skipped") << "meta" << QStringList { "send - 1 x", "send a 1 y" } << QStringList { "a=y" };
    }

    void shouldMergeSideChannelItems()
    {
        QFETCH(QString, channel);
        QFETCH(QStringList, steps);
        QFETCH(QStringList, expected);
        const QString key = token(newAccount());
        const QString idField = channel == "sorting" ? "list_id" : "object_id";
        const QDateTime base = QDateTime::currentDateTimeUtc().addDays(-1);
        HttpCall::Answer last;
        for (const QString& step : steps) {
            const QStringList words = step.split(' ');
            QJsonObject item { { "last_changed", base.addSecs(60 * words.at(2).toInt()).toString(Qt::ISODate) } };
            if (words.at(1) != "-")
                item.insert(idField, words.at(1));
            item.insert("value", words.value(3));
            if (channel == "sorting")
                item.insert("list_type", "project");
            if (channel == "reminders") {
                item.insert("applied_date", "start");
                item.insert("predefined_type", "1hour");
            }
            if (channel == "favorites")
                item.insert("object_type", "task");
            if (words.at(0) == "listdelete")
                item = QJsonObject { { idField, words.at(1) }, { "last_changed", item.value("last_changed") } };
            const QJsonArray items { item };
            const QString path = words.at(0) == "send" ? "/%1/v1/" : words.at(0) == "delete" ? "/%1/v1/delete/" : "/%1/v1/list/delete/";
            last = this->channel(key, path.arg(channel), &items);
            QCOMPARE(last.httpStatus, 200);
        }
        const HttpCall::Answer listed = this->channel(key, QString("/%1/v1/").arg(channel));
        QStringList found;
        for (const QJsonValue& value : QJsonDocument::fromJson(listed.body).array())
            found.append(value.toObject().value(idField).toString() + "=" + value.toObject().value("value").toString());
        QCOMPARE(found, expected);
        // A sending step answers the merged list.
        if (steps.last().startsWith("send"))
            QCOMPARE(QJsonDocument::fromJson(last.body).array().size(), expected.size());
        // Another account sees nothing of it.
        QCOMPARE(this->channel(token(newAccount()), QString("/%1/v1/").arg(channel)).body, QByteArray("[]"));
    }

    void shouldLogOneLinePerRequest()
    {
        const QString login = newAccount();
        const int before = m_server.logLines().filter("Request ").size();
        call("check_login", login, Password);
        call("get_changes_ex", login, md5Hex("wrong"), { { "REVISION", "0" } });
        const QStringList lines = m_server.logLines().filter("Request ").mid(before);
        QCOMPARE(lines.size(), 2);
        QVERIFY2(lines.at(0).contains("check_login account=" + login + " status=0 time="), qPrintable(lines.at(0)));
        QVERIFY2(lines.at(1).contains("get_changes_ex account=" + login + " status=201"), qPrintable(lines.at(1)));
        // A login with a line break cannot forge a line of its own.
        call("check_login", "x\nINFO forged", Password);
        QVERIFY(m_server.logLines().filter("forged").first().contains("x?info forged"));
    }

    void shouldGiveEveryConcurrentChangeARevisionOfItsOwn()
    {
        const QString login = newAccount();
        QList<QPair<QUrl, QByteArray>> posts;
        QUrl url = m_server.syncUrl();
        url.setPath(url.path() + "create_context");
        for (int i = 0; i < 30; ++i)
            posts.append({ url, HttpCall::form({ { "VERSION", "1.16.3" }, { "ID", QString("c%1").arg(i) }, { "NAME", "x" },
                                    { "LOGIN", login }, { "PASS", Password } }) });
        QSet<QString> revisions;
        for (const HttpCall::Answer& answer : m_http.postAll(posts)) {
            QDomDocument document;
            QVERIFY(document.setContent(answer.body));
            revisions.insert(document.documentElement().elementsByTagName("revision").at(0).toElement().text());
        }
        QCOMPARE(revisions.size(), 30);
        QCOMPARE(payload(call("get_changes_ex", login, Password, { { "REVISION", "0" } })), QStringLiteral("31"));
    }

    void shouldEndAClientThatSendsItsHeadTooSlowly()
    {
        SyncdProcess strict;
        QVERIFY(strict.start({ "--read-timeout", "1" }));
        QTcpSocket slow;
        slow.connectToHost(QHostAddress::LocalHost, quint16(strict.port()));
        QVERIFY(slow.waitForConnected(5000));
        slow.write("POST /api/1/check_login HTTP/1.1\r\nHost: x\r\n");
        QVERIFY(slow.waitForBytesWritten(1000));
        // The server gives up on the request and closes the connection.
        QElapsedTimer waited;
        waited.start();
        QVERIFY(slow.waitForReadyRead(5000));
        QVERIFY(slow.readAll().startsWith("HTTP/1.1 400"));
        QVERIFY(waited.elapsed() < 4000);
        slow.abort();
        QCOMPARE(strict.stop(), 0);
    }

    void shouldServeHttpsWithTheGivenCertificate()
    {
        const QString folder = TestSandbox::root() + "/tls";
        QDir().mkpath(folder);
        QProcess openssl;
        openssl.start("openssl", { "req", "-x509", "-newkey", "rsa:2048", "-nodes", "-subj", "/CN=127.0.0.1", "-days", "1",
                                     "-keyout", folder + "/key.pem", "-out", folder + "/cert.pem" });
        if (!openssl.waitForFinished(30000) || openssl.exitCode() != 0)
            QSKIP("openssl is not available to make a certificate");
        SyncdProcess secure;
        QVERIFY(secure.start({ "--tls-cert", folder + "/cert.pem", "--tls-key", folder + "/key.pem" }));
        QNetworkRequest request(QUrl(QString("https://127.0.0.1:%1/api/1/check_login").arg(secure.port())));
        request.setHeader(QNetworkRequest::ContentTypeHeader, "application/x-www-form-urlencoded");
        QSslConfiguration tls = request.sslConfiguration();
        tls.setCaCertificates(QSslCertificate::fromPath(folder + "/cert.pem"));
        request.setSslConfiguration(tls);
        QNetworkReply* reply = m_manager.post(request, HttpCall::form({ { "VERSION", "1.16.3" }, { "LOGIN", "x@y.z" }, { "PASS", Password } }));
        connect(reply, &QNetworkReply::sslErrors, reply, [reply](const QList<QSslError>& errors) {
            // A self-made certificate for an address: only its name may not match.
            QList<QSslError> expected;
            for (const QSslError& error : errors) {
                if (error.error() == QSslError::HostNameMismatch)
                    expected.append(error);
            }
            reply->ignoreSslErrors(expected);
        });
        QTRY_VERIFY_WITH_TIMEOUT(reply->isFinished(), 10000);
        QCOMPARE(reply->error(), QNetworkReply::NoError);
        QVERIFY(reply->readAll().contains("<status>200</status>"));
        reply->deleteLater();
        QCOMPARE(secure.stop(), 0);
    }

    void shouldKeepEveryAcceptedChangeOverARestart()
    {
        const QString login = seededAccount();
        // Changes on their way when the server is told to stop: every one it
        // answered as taken is there after the restart.
        QList<QPair<QUrl, QByteArray>> posts;
        QUrl url = m_server.syncUrl();
        url.setPath(url.path() + "create_context");
        for (int i = 0; i < 40; ++i)
            posts.append({ url, HttpCall::form({ { "VERSION", "1.16.3" }, { "ID", QString("late%1").arg(i) }, { "NAME", "x" },
                                    { "LOGIN", login }, { "PASS", Password } }) });
        QTimer::singleShot(5, this, [this] { ::kill(pid_t(m_server.process().processId()), SIGTERM); });
        int taken = 0;
        for (const HttpCall::Answer& answer : m_http.postAll(posts))
            taken += answer.body.contains("<status>0</status>") ? 1 : 0;
        QCOMPARE(m_server.stop(), 0);
        QVERIFY(m_server.logLines().last().contains("quorvel-syncd stopped."));
        QVERIFY(m_server.start({ "--min-version", "1.10.0" }, m_server.dataFolder()));
        const HttpCall::SyncAnswer answer = call("get_changes_ex", login, Password, { { "REVISION", "0" } });
        QCOMPARE(payload(answer), QString::number(7 + taken));
        QCOMPARE(objectsOf(answer).size(), 7 + taken);
    }
};

QUORVEL_TEST_MAIN(TestSyncdProtocol)
#include "tst_syncdprotocol.moc"
