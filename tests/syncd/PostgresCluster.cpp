#include "PostgresCluster.h"

#include "support/TestSandbox.h"

#include <QDir>
#include <QFile>
#include <QProcess>
#include <QTcpServer>

#include <pwd.h>
#include <unistd.h>

PostgresCluster::PostgresCluster() = default;

PostgresCluster::~PostgresCluster()
{
    stop();
}

bool PostgresCluster::run(const QString& program, const QStringList& arguments, int timeoutMs)
{
    QProcess process;
    process.setProcessChannelMode(QProcess::MergedChannels);
    QStringList command = QStringList { m_binFolder + QLatin1Char('/') + program } + arguments;
    if (::geteuid() == 0)
        command = QStringList { QStringLiteral("runuser"), QStringLiteral("-u"), m_user, QStringLiteral("--") } + command;
    process.setWorkingDirectory(m_folder);
    process.start(command.takeFirst(), command);
    if (!process.waitForFinished(timeoutMs) || process.exitStatus() != QProcess::NormalExit || process.exitCode() != 0) {
        m_problem = QStringLiteral("%1 failed: %2").arg(program, QString::fromLocal8Bit(process.readAll()).trimmed());
        return false;
    }
    return true;
}

bool PostgresCluster::start()
{
    m_url = qEnvironmentVariable("QUORVEL_TEST_POSTGRES_URL");
    if (!m_url.isEmpty())
        return true;
    const QStringList versions = QDir(QStringLiteral("/usr/lib/postgresql")).entryList(QDir::Dirs | QDir::NoDotAndDotDot, QDir::Name);
    for (const QString& version : versions) {
        if (QFile::exists(QStringLiteral("/usr/lib/postgresql/%1/bin/initdb").arg(version)))
            m_binFolder = QStringLiteral("/usr/lib/postgresql/%1/bin").arg(version);
    }
    if (m_binFolder.isEmpty()) {
        m_problem = QStringLiteral("no initdb under /usr/lib/postgresql (Debian package postgresql)");
        return false;
    }
    m_user = QString::fromLocal8Bit(qgetenv("USER"));
    if (::geteuid() == 0) {
        // PostgreSQL will not run as root; its own account, or nobody, will do.
        m_user = ::getpwnam("postgres") ? QStringLiteral("postgres") : QStringLiteral("nobody");
        QProcess probe;
        probe.setStandardOutputFile(QProcess::nullDevice());
        probe.start(QStringLiteral("runuser"), { QStringLiteral("--version") });
        if (!probe.waitForFinished(10000) || probe.exitCode() != 0) {
            m_problem = QStringLiteral("running as root without runuser to start PostgreSQL as another user");
            return false;
        }
    }
    // The other user must reach the folder through the sandbox.
    QFile::setPermissions(TestSandbox::root(), QFile::permissions(TestSandbox::root()) | QFile::ExeOther);
    m_folder = TestSandbox::root() + QStringLiteral("/postgres");
    QDir().mkpath(m_folder);
    if (::geteuid() == 0) {
        const passwd* account = ::getpwnam(m_user.toLocal8Bit().constData());
        if (!account || ::chown(m_folder.toLocal8Bit().constData(), account->pw_uid, account->pw_gid) != 0) {
            m_problem = QStringLiteral("cannot hand the cluster folder to %1").arg(m_user);
            return false;
        }
    }
    QTcpServer probe;
    probe.listen(QHostAddress::LocalHost, 0);
    const quint16 port = probe.serverPort();
    probe.close();
    const QString data = m_folder + QStringLiteral("/data");
    if (!run(QStringLiteral("initdb"), { QStringLiteral("-D"), data, QStringLiteral("-A"), QStringLiteral("trust"),
            QStringLiteral("-U"), QStringLiteral("quorvel"), QStringLiteral("-E"), QStringLiteral("UTF8"),
            QStringLiteral("--no-sync") }))
        return false;
    const QString options = QStringLiteral("-k %1 -p %2 -c listen_addresses= -c fsync=off -c max_connections=300")
                                .arg(m_folder)
                                .arg(port);
    if (!run(QStringLiteral("pg_ctl"), { QStringLiteral("-D"), data, QStringLiteral("-l"), m_folder + QStringLiteral("/log"),
            QStringLiteral("-o"), options, QStringLiteral("-w"), QStringLiteral("start") }))
        return false;
    m_started = true;
    m_url = QStringLiteral("postgresql://quorvel@localhost:%1/postgres?host=%2").arg(port).arg(m_folder);
    return true;
}

void PostgresCluster::stop()
{
    if (!m_started)
        return;
    m_started = false;
    run(QStringLiteral("pg_ctl"), { QStringLiteral("-D"), m_folder + QStringLiteral("/data"), QStringLiteral("-m"),
                                      QStringLiteral("immediate"), QStringLiteral("stop") });
}
