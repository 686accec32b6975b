#pragma once

#include <QByteArray>
#include <QString>
#include <QStringList>

#include <memory>

class QSettings;

// Guards QSettings against what a damaged or hostile INI file can make it do.
//
// QSettings reads a value in its variant form ("@Variant(...)",
// "@DateTime(...)") by handing the bytes to QDataStream, which builds
// whatever type they name: a list claiming two thousand million items (an
// allocation that aborts the process), an image, a time zone by file name.
// One such line stops a program at every start. So a file is looked at
// before QSettings parses it, the way QSettings itself reads INI text (lines,
// quotes, escapes, lists, a UTF-8 mark), and an entry is let through only
// when each of its values is plain text, one of the other simple forms
// (@ByteArray, @String, @Rect, @Size, @Point, @Invalid), or the variant form
// of a type these programs write - a colour, a date and time, a date, a time
// - with exactly the bytes that type takes. Every other entry is left out.
//
// Both Quorvel and QuorvelNotifier read their files through here.
class SettingsFileCheck
{
public:
    struct Result
    {
        // The text with the lines of the unsafe entries taken out; every other
        // byte as it was.
        QByteArray content;
        // The unsafe entries' keys as QSettings names them ("group/key").
        QStringList droppedKeys;
    };

    enum class Outcome {
        // Nothing unsafe (or no file): QSettings may open it.
        Clean,
        // The unsafe entries are gone from the file; its former content is
        // kept beside it.
        Repaired,
        // Unsafe entries are there and the file could not be kept aside or
        // written again: it must not be opened with QSettings.
        Unrepaired
    };

    // How long screen() waits for another writer's QSettings lock.
    static constexpr int LockWaitMs = 5000;

    static Result check(const QByteArray& content);

    // Reads the file; when it holds unsafe entries, keeps its content beside
    // it (keepAside), writes it again without them and logs one line saying
    // what was dropped. Takes the lock QSettings takes for its writes, so it
    // never interleaves with one.
    static Outcome screen(const QString& path);

    // A QSettings handle on the file once screen() has looked it over. When
    // the unsafe entries could not be taken out of the file, the handle reads
    // a private copy without them instead (the handle owns it) and *copied is
    // set: nothing written through that handle reaches the file, so the
    // caller saves nothing then. Every program reader of a settings file that
    // others may write opens it here, each time, since the file may have
    // changed since it was last looked at.
    static std::unique_ptr<QSettings> open(const QString& path, bool* copied);

    // Whether QSettings may read the file as it is now: false when it holds
    // values that cannot be read safely (which screen() could not take out,
    // in a read-only folder say). Cheap to ask often: the answer is kept
    // while the file's size and times stay. Callable from any thread.
    static bool isSafeToRead(const QString& path);

    // Writes content beside path as "<path>.damaged-<yyyyMMdd-HHmmss-zzz>"
    // (with "-2", "-3"... while that name is taken; an earlier copy is never
    // replaced), with the file's permissions. The copy's path, or '' when it
    // could not be written (logged).
    static QString keepAside(const QString& path, const QByteArray& content);

    // The keys for a log line: printable, cut short, at most a few of them.
    static QString keysForLog(const QStringList& keys);
};
