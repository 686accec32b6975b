// Writes the notification file from another process the way the main program
// does: one QSettings handle, one sync per change.
//   ntf-writer <file> counter <n>   sets "counter" to 1..n
//   ntf-writer <file> mixed <n>     adds n future and n past reminders, alternately

#include <QCoreApplication>
#include <QDateTime>
#include <QSettings>

#include <cstdio>

namespace {

QString key(const QString &taskId, const QDateTime &moment)
{
    return taskId + QStringLiteral("_DUEDATE_") + QString::number(moment.toMSecsSinceEpoch());
}

} // namespace

int main(int argc, char *argv[])
{
    QCoreApplication app(argc, argv);
    const QStringList arguments = app.arguments();
    if (arguments.size() != 4) {
        std::fprintf(stderr, "usage: ntf-writer <file> counter|mixed <n>\n");
        return 2;
    }
    QSettings settings(arguments.at(1), QSettings::IniFormat);
    const QString mode = arguments.at(2);
    const int count = arguments.at(3).toInt();
    const QDateTime base = QDateTime::currentDateTime();
    for (int i = 1; i <= count; ++i) {
        if (mode == QLatin1String("counter")) {
            settings.setValue(QStringLiteral("counter"), i);
        } else {
            const QDateTime future = base.addDays(1).addSecs(i);
            const QDateTime past = base.addDays(-1).addSecs(i);
            settings.setValue(key(QStringLiteral("f%1").arg(i), future), future);
            settings.sync();
            settings.setValue(key(QStringLiteral("p%1").arg(i), past), past);
        }
        settings.sync();
        if (settings.status() != QSettings::NoError) {
            std::fprintf(stderr, "write %d failed\n", i);
            return 1;
        }
    }
    return 0;
}
