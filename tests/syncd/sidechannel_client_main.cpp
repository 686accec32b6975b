// A device of the side-channel tests: the sorting and project icon
// channels over the files of a home that the test gives it (HOME and the
// XDG folders), so that a second start finds what the first one left. The
// test drives it over stdin, one command a line, and reads "OK <text>" or
// "ERR <text>" for each.
//
//   quorvel-sidechannel-client ACCOUNT_URL LOGIN PASSWORD_MD5
//
// Commands: sort LIST_ID, icon PROJECT_ID ICON, start CHANNEL (a run
// begins; answers at once), run CHANNEL (answers when the run ends),
// pending CHANNEL (how many changes wait to be sent), quit.

#include "data/MetaDataManager.h"
#include "logging/Logger.h"
#include "shell/AppInfo.h"
#include "shell/AppPaths.h"
#include "shell/Settings.h"
#include "sync/SortingManager.h"

#include <QCoreApplication>
#include <QDir>
#include <QSignalSpy>

#include <cstdio>
#include <iostream>
#include <string>
#include <thread>

namespace {

QString answer(BaseSyncManager* channel, SortingManager& sorting, MetaDataManager& meta, const QStringList& words)
{
    const QString& command = words.value(0);
    if (command == QLatin1String("sort")) {
        sorting.setSortedList(words.value(1), SortingNamespace::ListTypeProject, SortingNamespace::AlphabeticalType,
            false);
        return QStringLiteral("OK");
    }
    if (command == QLatin1String("icon")) {
        meta.setProjectIcon(words.value(2), words.value(1));
        return QStringLiteral("OK");
    }
    if (!channel)
        return QStringLiteral("ERR unknown channel or command");
    if (command == QLatin1String("pending")) {
        const int count = channel == &sorting ? sorting.pendingLists().size() : meta.objectsToAdd().size();
        return QStringLiteral("OK %1").arg(count);
    }
    if (command == QLatin1String("start") || command == QLatin1String("run")) {
        QSignalSpy completed(channel, &BaseSyncManager::completed);
        channel->sync();
        if (!channel->inProgress())
            return QStringLiteral("ERR the run did not start");
        if (command == QLatin1String("start"))
            return QStringLiteral("OK");
        return completed.wait(30000) ? QStringLiteral("OK") : QStringLiteral("ERR the run did not end");
    }
    return QStringLiteral("ERR unknown command");
}

} // namespace

int main(int argc, char* argv[])
{
    if (argc < 4) {
        std::fprintf(stderr, "usage: quorvel-sidechannel-client ACCOUNT_URL LOGIN PASSWORD_MD5\n");
        return 2;
    }
    // Only inside the home a test made for it.
    if (!QDir::homePath().contains(QLatin1String("/quorvel-test-"))) {
        std::fprintf(stderr, "Not inside a test sandbox; refusing to run.\n");
        return 2;
    }
    qputenv("QUORVEL_ACCOUNT_URL", argv[1]);
    QCoreApplication app(argc, argv);
    AppInfo::applyToApplication();
    AppPaths::createFolders();
    Logging::Logger::instance().setFileDestination(AppPaths::logFile());
    Settings::instance()->setClientLogin(QString::fromUtf8(argv[2]));
    Settings::instance()->setClientPassword(QString::fromUtf8(argv[3]));

    SortingManager sorting;
    MetaDataManager meta(AppPaths::appDataFile(QStringLiteral("meta.dat")));
    // Runs start when the test says so.
    sorting.setChangeDelay(3600 * 1000);
    meta.setChangeDelay(3600 * 1000);

    // Commands arrive on a thread of their own, so that the event loop here
    // keeps the requests going between them.
    const auto handle = [&](const QString& line) {
        const QStringList words = line.split(QLatin1Char(' '), Qt::SkipEmptyParts);
        if (words.value(0) == QLatin1String("quit")) {
            app.quit();
            return;
        }
        const QString channelName = words.value(1);
        BaseSyncManager* channel = channelName == QLatin1String("sorting") ? static_cast<BaseSyncManager*>(&sorting)
            : channelName == QLatin1String("meta")                         ? &meta
                                                                           : nullptr;
        std::printf("%s\n", answer(channel, sorting, meta, words).toUtf8().constData());
        std::fflush(stdout);
    };
    std::thread reader([&app, handle] {
        std::string line;
        while (std::getline(std::cin, line)) {
            const QString text = QString::fromStdString(line);
            QMetaObject::invokeMethod(&app, [handle, text] { handle(text); }, Qt::QueuedConnection);
        }
        QMetaObject::invokeMethod(&app, &QCoreApplication::quit, Qt::QueuedConnection);
    });
    reader.detach();
    std::printf("OK ready\n");
    std::fflush(stdout);
    return app.exec();
}
