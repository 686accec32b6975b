// Stands in for libFuzzer where it is not available (GCC builds, and the
// test run): it runs the target on every file of the given corpus folders,
// then on inputs made by mutating them, until -max_total_time or -runs is
// reached. It knows no coverage, so it finds less than libFuzzer and keeps
// no new inputs; a crash leaves the input that caused it as
// "crash-<pid>" in the working folder, as libFuzzer leaves "crash-<sha1>".
//
// It takes the libFuzzer options the tests use: -max_total_time=S, -runs=N,
// -seed=N, -max_len=N, -dict=FILE; other options are ignored. The other
// arguments are corpus folders or single input files.

#include <QByteArray>
#include <QDir>
#include <QFile>
#include <QFileInfo>
#include <QList>

#include <chrono>
#include <csignal>
#include <cstdint>
#include <cstdio>
#include <cstring>
#include <random>

#include <fcntl.h>
#include <unistd.h>

extern "C" int LLVMFuzzerTestOneInput(const uint8_t* data, size_t size);
extern "C" __attribute__((weak)) int LLVMFuzzerInitialize(int* argc, char*** argv);

namespace {

// The input under test, for the crash handler.
const char* currentData = nullptr;
size_t currentSize = 0;

void onCrash(int signal)
{
    char name[64];
    std::snprintf(name, sizeof name, "crash-%d", int(::getpid()));
    const int file = ::open(name, O_WRONLY | O_CREAT | O_TRUNC, 0600);
    if (file >= 0) {
        if (currentData && currentSize > 0 && ::write(file, currentData, currentSize) < 0) { }
        ::close(file);
    }
    static const char note[] = "FuzzMain: the target crashed; its input is in the working folder.\n";
    if (::write(STDERR_FILENO, note, sizeof note - 1) < 0) { }
    std::signal(signal, SIG_DFL);
    std::raise(signal);
}

void run(const QByteArray& input)
{
    currentData = input.constData();
    currentSize = size_t(input.size());
    LLVMFuzzerTestOneInput(reinterpret_cast<const uint8_t*>(input.constData()), size_t(input.size()));
}

// A libFuzzer dictionary: one "token" a line, with \\, \" and \xNN escapes.
QList<QByteArray> readDictionary(const QString& path)
{
    QList<QByteArray> tokens;
    QFile file(path);
    if (!file.open(QIODevice::ReadOnly))
        return tokens;
    for (const QByteArray& raw : file.readAll().split('\n')) {
        const int open = raw.indexOf('"');
        const int close = raw.lastIndexOf('"');
        if (raw.trimmed().startsWith('#') || open < 0 || close <= open)
            continue;
        QByteArray token;
        for (int i = open + 1; i < close; ++i) {
            if (raw.at(i) == '\\' && i + 1 < close) {
                const char next = raw.at(++i);
                if (next == 'x' && i + 2 < close) {
                    token += char(raw.mid(i + 1, 2).toInt(nullptr, 16));
                    i += 2;
                } else {
                    token += next;
                }
            } else {
                token += raw.at(i);
            }
        }
        tokens.append(token);
    }
    return tokens;
}

class Mutator
{
public:
    Mutator(unsigned seed, int maxLength, const QList<QByteArray>& dictionary)
        : m_random(seed)
        , m_maxLength(maxLength)
        , m_dictionary(dictionary)
    {
    }

    QByteArray mutate(QByteArray input, const QList<QByteArray>& corpus)
    {
        const int steps = 1 + int(next(4));
        for (int step = 0; step < steps; ++step)
            input = mutateOnce(input, corpus);
        return input.left(m_maxLength);
    }

private:
    quint32 next(quint32 bound) { return bound == 0 ? 0 : quint32(m_random() % bound); }

    QByteArray mutateOnce(QByteArray input, const QList<QByteArray>& corpus)
    {
        const int size = input.size();
        const int at = int(next(quint32(size + 1)));
        static const char interesting[]
            = { '\0', '\x01', '\x7f', '\x80', '\xff', '\n', '"', '\\', ',', '=', '@', '(', ')' };
        switch (next(8)) {
        case 0:
            if (size > 0)
                input[at % size] = char(input.at(at % size) ^ (1 << next(8)));
            break;
        case 1:
            if (size > 0)
                input[at % size] = char(next(256));
            break;
        case 2:
            input.insert(at, interesting[next(sizeof interesting)]);
            break;
        case 3:
            input.remove(at, 1 + int(next(16)));
            break;
        case 4:
            input.insert(at, input.mid(int(next(quint32(size + 1))), 1 + int(next(32))));
            break;
        case 5:
            if (!m_dictionary.isEmpty())
                input.insert(at, m_dictionary.at(int(next(quint32(m_dictionary.size())))));
            break;
        case 6:
            if (!corpus.isEmpty()) {
                const QByteArray& other = corpus.at(int(next(quint32(corpus.size()))));
                input = input.left(at) + other.mid(int(next(quint32(other.size() + 1))));
            }
            break;
        default:
            input.insert(at, QByteArray(1 + int(next(8)), char(next(256))));
            break;
        }
        return input;
    }

    std::mt19937 m_random;
    int m_maxLength;
    QList<QByteArray> m_dictionary;
};

} // namespace

int main(int argc, char* argv[])
{
    if (LLVMFuzzerInitialize)
        LLVMFuzzerInitialize(&argc, &argv);
    for (int sig : { SIGSEGV, SIGABRT, SIGBUS, SIGFPE, SIGILL })
        std::signal(sig, onCrash);

    long long seconds = 0;
    long long runs = -1;
    unsigned seed = unsigned(std::chrono::steady_clock::now().time_since_epoch().count());
    int maxLength = 4096;
    QList<QByteArray> dictionary;
    QList<QByteArray> corpus;
    for (int i = 1; i < argc; ++i) {
        const QByteArray argument = argv[i];
        const auto option = [&argument](const char* name) {
            return argument.startsWith(QByteArray(name) + '=') ? argument.mid(int(std::strlen(name)) + 1)
                                                               : QByteArray();
        };
        if (!option("-max_total_time").isEmpty())
            seconds = option("-max_total_time").toLongLong();
        else if (!option("-runs").isEmpty())
            runs = option("-runs").toLongLong();
        else if (!option("-seed").isEmpty())
            seed = option("-seed").toUInt();
        else if (!option("-max_len").isEmpty())
            maxLength = option("-max_len").toInt();
        else if (!option("-dict").isEmpty())
            dictionary += readDictionary(QString::fromLocal8Bit(option("-dict")));
        else if (argument.startsWith('-'))
            continue;
        else if (QFileInfo(QString::fromLocal8Bit(argument)).isDir()) {
            const QDir folder(QString::fromLocal8Bit(argument));
            for (const QString& name : folder.entryList(QDir::Files, QDir::Name)) {
                QFile file(folder.filePath(name));
                if (file.open(QIODevice::ReadOnly))
                    corpus.append(file.readAll());
            }
        } else {
            QFile file(QString::fromLocal8Bit(argument));
            if (file.open(QIODevice::ReadOnly))
                corpus.append(file.readAll());
        }
    }

    const auto start = std::chrono::steady_clock::now();
    long long done = 0;
    run(QByteArray());
    for (const QByteArray& input : corpus) {
        run(input);
        ++done;
    }
    Mutator mutator(seed, maxLength, dictionary);
    const auto elapsed = [&start] {
        return std::chrono::duration_cast<std::chrono::seconds>(std::chrono::steady_clock::now() - start)
            .count();
    };
    while ((runs < 0 || done < runs) && (runs >= 0 || elapsed() < seconds)) {
        const QByteArray base = corpus.isEmpty() ? QByteArray() : corpus.at(int(done % corpus.size()));
        run(mutator.mutate(base, corpus));
        ++done;
    }
    std::fprintf(stderr, "FuzzMain: %lld inputs in %lld s from a corpus of %d (seed %u), no crash.\n", done,
        (long long)elapsed(), int(corpus.size()), seed);
    return 0;
}
