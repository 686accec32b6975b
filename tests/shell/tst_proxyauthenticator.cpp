#include "shell/ProxyAuthDialog.h"
#include "shell/ProxyAuthenticator.h"
#include "shell/Settings.h"
#include "support/TestMain.h"

#include <QAuthenticator>
#include <QCheckBox>
#include <QLineEdit>
#include <QNetworkProxy>
#include <QTimer>

namespace {

const QNetworkProxy Proxy(QNetworkProxy::HttpProxy, QStringLiteral("proxy.example"), 3128);
const QString ProxyKey = QStringLiteral("proxy.example:3128");

QVariantMap credentials(const QString& user, const QString& password)
{
    return { { QStringLiteral("username"), user }, { QStringLiteral("password"), password } };
}

// Answers the next ProxyAuthDialog from inside its own event loop, the way a
// user would: through its widgets.
void answerDialog(const QString& user, const QString& password, bool remember, bool accept)
{
    auto* poll = new QTimer;
    QObject::connect(poll, &QTimer::timeout, [=] {
        for (QWidget* widget : QApplication::topLevelWidgets()) {
            auto* dialog = qobject_cast<ProxyAuthDialog*>(widget);
            if (!dialog || !dialog->isVisible())
                continue;
            poll->deleteLater();
            dialog->findChild<QLineEdit*>(QStringLiteral("proxyUserName"))->setText(user);
            dialog->findChild<QLineEdit*>(QStringLiteral("proxyPassword"))->setText(password);
            dialog->findChild<QCheckBox*>(QStringLiteral("proxyRemember"))->setChecked(remember);
            accept ? dialog->accept() : dialog->reject();
            return;
        }
    });
    poll->start(10);
}

} // namespace

class TestProxyAuthenticator : public QObject
{
    Q_OBJECT

private:
    QStringList m_asked;
    QVariantMap m_answer;
    bool m_storedWhenAsked = false;

    ProxyAuthenticator::CredentialsAsker fakeAsker()
    {
        return [this](const QString& key) {
            m_asked.append(key);
            m_storedWhenAsked = !Settings::instance()->proxyCredentials(key).isEmpty();
            return m_answer;
        };
    }

private slots:
    void init()
    {
        Settings::instance()->removeProxyCredentials(ProxyKey);
        m_asked.clear();
        m_answer.clear();
    }

    void shouldHandOutStoredCredentialsThreeTimesThenAsk()
    {
        QVERIFY(Settings::instance()->setProxyCredentials(
            ProxyKey, QStringLiteral("ann"), QStringLiteral("old")));
        m_answer = credentials(QStringLiteral("ann"), QStringLiteral("new"));
        ProxyAuthenticator authenticator(fakeAsker());

        for (int round = 0; round < 3; ++round) {
            QAuthenticator auth;
            authenticator.handle(Proxy, &auth);
            QCOMPARE(auth.password(), QStringLiteral("old"));
        }
        QVERIFY(m_asked.isEmpty());

        QAuthenticator fourth;
        authenticator.handle(Proxy, &fourth);
        QCOMPARE(m_asked, QStringList { ProxyKey });
        QVERIFY(!m_storedWhenAsked);
        QCOMPARE(fourth.user(), QStringLiteral("ann"));
        QCOMPARE(fourth.password(), QStringLiteral("new"));
        QVERIFY(Settings::instance()->proxyCredentials(ProxyKey).isEmpty());
    }

    void shouldAskAndSetOnlyCompleteAnswers_data()
    {
        QTest::addColumn<QVariantMap>("answer");
        QTest::addColumn<QString>("user");
        QTest::newRow("complete") << credentials(QStringLiteral("bob"), QStringLiteral("pw")) << "bob";
        QTest::newRow("cancelled") << QVariantMap() << QString();
        QTest::newRow("no password") << credentials(QStringLiteral("bob"), QString()) << QString();
        QTest::newRow("no user") << credentials(QString(), QStringLiteral("pw")) << QString();
    }
    void shouldAskAndSetOnlyCompleteAnswers()
    {
        QFETCH(QVariantMap, answer);
        QFETCH(QString, user);
        m_answer = answer;
        ProxyAuthenticator authenticator(fakeAsker());
        QAuthenticator auth;
        authenticator.handle(Proxy, &auth);
        QCOMPARE(m_asked, QStringList { ProxyKey });
        QCOMPARE(auth.user(), user);
        QCOMPARE(auth.password().isEmpty(), user.isEmpty());
    }

    void shouldReturnWhatTheDialogWasAnswered_data()
    {
        QTest::addColumn<bool>("remember");
        QTest::addColumn<bool>("accept");
        QTest::addColumn<QString>("password");
        QTest::newRow("accepted, remembered") << true << true << "secret";
        QTest::newRow("accepted, not remembered") << false << true << "secret";
        QTest::newRow("accepted without password") << true << true << "";
        QTest::newRow("cancelled") << true << false << "secret";
    }
    void shouldReturnWhatTheDialogWasAnswered()
    {
        QFETCH(bool, remember);
        QFETCH(bool, accept);
        QFETCH(QString, password);
        answerDialog(QStringLiteral("carol"), password, remember, accept);
        const QVariantMap answer = ProxyAuthDialog::askCredentials(ProxyKey);

        QCOMPARE(answer, accept ? credentials(QStringLiteral("carol"), password) : QVariantMap());
        const bool stored = accept && remember && !password.isEmpty();
        QCOMPARE(Settings::instance()->proxyCredentials(ProxyKey).toVariantMap(),
            stored ? credentials(QStringLiteral("carol"), password) : QVariantMap());
    }
};

QUORVEL_TEST_MAIN(TestProxyAuthenticator)
#include "tst_proxyauthenticator.moc"
