// A second writer of a notification file, for the tests: it works on the
// file the way QuorvelNotifier does, through a plain QSettings handle that
// syncs after every change.
//
//   notification_file_writer <file> <keys-to-remove-file> <count> <prefix>
//
// Prints "ready" and waits for a line on standard input; then, interleaved,
// adds <count> entries "<prefix><n>_DUEDATE_<moment>" and removes the keys
// listed one per line in <keys-to-remove-file>. Exits with 0 when every
// change reached the file, 1 otherwise.

#include <QCoreApplication>
#include <QDateTime>
#include <QFile>
#include <QSettings>
#include <QStringList>

#include <cstdio>

namespace {

bool synced(QSettings& file, const QString& what)
{
    file.sync();
    if (file.status() == QSettings::NoError)
        return true;
    std::fprintf(stderr, "Unable to save %s (status %d)\n", qPrintable(what), int(file.status()));
    return false;
}

} // namespace

int main(int argc, char* argv[])
{
    QCoreApplication app(argc, argv);
    const QStringList arguments = app.arguments();
    if (arguments.size() != 5) {
        std::fprintf(
            stderr, "usage: notification_file_writer <file> <keys-to-remove-file> <count> <prefix>\n");
        return 2;
    }
    QFile removalList(arguments.at(2));
    if (!removalList.open(QIODevice::ReadOnly)) {
        std::fprintf(stderr, "Unable to read %s\n", qPrintable(arguments.at(2)));
        return 2;
    }
    const QStringList removals
        = QString::fromUtf8(removalList.readAll()).split(QLatin1Char('\n'), Qt::SkipEmptyParts);
    const int count = arguments.at(3).toInt();
    const QString prefix = arguments.at(4);

    QSettings file(arguments.at(1), QSettings::IniFormat);
    std::printf("ready\n");
    std::fflush(stdout);
    char go[16];
    if (!std::fgets(go, sizeof go, stdin))
        return 2;

    const qint64 base = QDateTime(QDate(2030, 1, 1), QTime(9, 0), Qt::UTC).toMSecsSinceEpoch();
    bool ok = true;
    for (int i = 0; i < qMax(count, removals.size()); ++i) {
        if (i < count) {
            const qint64 moment = base + i * 60000;
            const QString key
                = prefix + QString::number(i) + QStringLiteral("_DUEDATE_") + QString::number(moment);
            file.setValue(key, QDateTime::fromMSecsSinceEpoch(moment));
            ok = synced(file, key) && ok;
        }
        if (i < removals.size()) {
            file.remove(removals.at(i));
            ok = synced(file, removals.at(i)) && ok;
        }
    }
    return ok ? 0 : 1;
}
