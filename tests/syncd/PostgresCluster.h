#pragma once

#include <QString>

// A throw-away PostgreSQL cluster for a test: initdb into the test sandbox,
// started on a Unix socket only, as an unprivileged user when the test runs
// as root (PostgreSQL refuses to run as root). QUORVEL_TEST_POSTGRES_URL
// names an existing database instead.
class PostgresCluster
{
public:
    PostgresCluster();
    ~PostgresCluster();

    // False, with the reason in problem(), when PostgreSQL is not usable here.
    bool start();
    void stop();
    QString url() const { return m_url; }
    QString problem() const { return m_problem; }

private:
    bool run(const QString& program, const QStringList& arguments, int timeoutMs = 60000);

    QString m_binFolder;
    QString m_folder;
    QString m_user;
    QString m_url;
    QString m_problem;
    bool m_started = false;
};
