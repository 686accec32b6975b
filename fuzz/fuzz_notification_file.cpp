// The notification file ("ntf.dat") as QuorvelNotifier reads it and
// changes it: the reader's view of it across one input after the other (as
// the notifier re-reads it at every change), and the removal of an entry,
// which writes the file again.

#include "FuzzSetup.h"
#include "core/NotificationFile.h"
#include "core/Reader.h"

#include <QDir>
#include <QFile>

#include <cstdint>
#include <cstdlib>

namespace {
QString filePath()
{
    return QDir::tempPath() + QStringLiteral("/ntf.dat");
}
}

extern "C" int LLVMFuzzerInitialize(int* argc, char*** argv)
{
    FuzzSetup::enter(argc, argv, FuzzSetup::Application::Gui);
    return 0;
}

extern "C" int LLVMFuzzerTestOneInput(const uint8_t* data, size_t size)
{
    // Kept for the whole run, as the notifier keeps its view; never deleted
    // (see FuzzSetup).
    static Reader& reader = *new Reader(filePath());
    {
        QFile file(filePath());
        if (!file.open(QIODevice::WriteOnly | QIODevice::Truncate)
            || file.write(reinterpret_cast<const char*>(data), qint64(size)) != qint64(size))
            std::abort();
    }
    reader.read();
    NotificationFile file(filePath());
    const NotificationFile::Contents contents = file.read();
    if (!contents.entries.isEmpty())
        reader.removeNotification(contents.entries.firstKey());
    reader.read();
    // Copies kept of damaged files would pile up over a run.
    const QDir folder(QDir::tempPath());
    for (const QString& kept : folder.entryList({ QStringLiteral("ntf.dat.damaged-*") }, QDir::Files))
        QFile::remove(folder.filePath(kept));
    return 0;
}
