#pragma once

#include <QString>

#include <memory>

class QGuiApplication;
class Notifier;
class QFileSystemWatcher;
class QLocalServer;
class Reader;
class TerminationWatch;

// The notifier's start-up: identity, log, single instance, the notification
// file, then the reader and the notifier wired together until the process
// is ended from outside.
class NotifierApplication
{
public:
    static QString organizationName() { return QStringLiteral("Velmora"); }
    static QString applicationName() { return QStringLiteral("Quorvel"); }
    static QString serverName() { return QStringLiteral("quorvel_notifier"); }
    static constexpr int ProbeWaitMs = 300;

    NotifierApplication();
    ~NotifierApplication();

    // argc and argv must outlive the object, as for QGuiApplication.
    int run(int &argc, char *argv[]);

    // The file names under the application's folders (identity must be set).
    static QString notificationFilePath();
    static QString logFilePath();

    // The reader reports what the file holds, the notifier arms timers and
    // has the entries it fired or found overdue removed from the file.
    static void wire(Reader &reader, Notifier &notifier);

private:
    static void releaseStandardStreams();
    static bool chooseDisplayPlatform();
    static bool isAnswering();
    static void startLogging();
    bool claimSingleInstance();
    bool listen();
    static bool prepareNotificationFile();
    static bool createEmptyFile(const QString &path);
    void quitWhenFolderGoes(QFileSystemWatcher &watch, const QString &folder);
    int watchNotifications();

    std::unique_ptr<QGuiApplication> m_app;
    std::unique_ptr<QLocalServer> m_server;
    std::unique_ptr<TerminationWatch> m_termination;
};
