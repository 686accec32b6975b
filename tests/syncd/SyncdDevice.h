#pragma once

#include <QJsonArray>
#include <QJsonObject>
#include <QProcess>
#include <QString>
#include <QUrl>

// One Quorvel device of a sync test: the quorvel-syncd-client driver as a
// child process, with a home, a store and a sync state of its own.
class SyncdDevice
{
public:
    SyncdDevice();
    ~SyncdDevice();

    // extraEnvironment: NAME=VALUE pairs (the clock shift, for one).
    bool start(const QUrl& syncUrl, const QString& login, const QString& passwordHash,
        const QStringList& extraEnvironment = {});
    // start() in two halves, so that several devices start at once.
    bool launch(const QUrl& syncUrl, const QString& login, const QString& passwordHash,
        const QStringList& extraEnvironment = {});
    bool waitUntilReady();
    // The environment that gives a device a wall clock shifted by seconds.
    static QStringList clockShift(qint64 seconds);
    void stop();
    // Ends the device at once (SIGKILL), as a crash or a power cut would.
    void kill();
    // The device runs as the last arguments of this command (a wrapper that
    // prepares its surroundings, then runs it); empty: directly.
    void setWrapper(const QStringList& command) { m_wrapper = command; }
    QProcess& process() { return m_process; }

    // Sends one command; the text after "OK ", or a null string after "ERR".
    QString command(const QString& line);
    QString lastError() const { return m_lastError; }

    // Convenience over command().
    QString task(const QString& name, const QString& parent = QStringLiteral("inbox"), const QString& context = QString());
    bool sync(QJsonObject* outcome = nullptr);
    QJsonArray dump();
    // The stored row of an identifier; empty when there is none.
    QJsonObject row(const QString& id);

    static QString program();

private:
    QProcess m_process;
    QString m_lastError;
    QStringList m_wrapper;
};
