// The files of the settings library (settings.dat, sync.dat, sorting.dat and
// their siblings, and the notification file) as Quorvel and the notifier
// read them: looked over first, then parsed by QSettings, then read key by
// key, also as the JSON arrays that several of them keep. Whatever the check
// lets through must parse without harm, and checking it again must find
// nothing left to take out.

#include "FuzzSetup.h"
#include "common/SettingsFileCheck.h"
#include "shell/JsonArraySetting.h"

#include <QDir>
#include <QFile>
#include <QSettings>

#include <cstdint>
#include <cstdlib>

extern "C" int LLVMFuzzerInitialize(int* argc, char*** argv)
{
    FuzzSetup::enter(argc, argv, FuzzSetup::Application::Gui);
    return 0;
}

extern "C" int LLVMFuzzerTestOneInput(const uint8_t* data, size_t size)
{
    const QByteArray input(reinterpret_cast<const char*>(data), int(size));
    const SettingsFileCheck::Result result = SettingsFileCheck::check(input);
    if (result.droppedKeys.isEmpty() && result.content != input)
        std::abort();
    if (!SettingsFileCheck::check(result.content).droppedKeys.isEmpty())
        std::abort();

    // A fresh name for every input: QSettings caches what it parsed by name.
    static quint64 count = 0;
    const QString path = QDir::tempPath() + QStringLiteral("/settings-%1.dat").arg(++count);
    {
        QFile file(path);
        if (!file.open(QIODevice::WriteOnly) || file.write(result.content) != result.content.size())
            std::abort();
    }
    {
        const QSettings settings(path, QSettings::IniFormat);
        for (const QString& key : settings.allKeys()) {
            const QVariant value = settings.value(key);
            value.toString();
            value.toDateTime();
            QString problem;
            JsonArraySetting::read(settings, key, &problem);
        }
    }
    QFile::remove(path);
    return 0;
}
