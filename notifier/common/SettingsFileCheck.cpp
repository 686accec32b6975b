#include "common/SettingsFileCheck.h"

#include "logging/Log.h"
#include "logging/LogText.h"

#include <QDateTime>
#include <QDir>
#include <QFile>
#include <QFileInfo>
#include <QHash>
#include <QLockFile>
#include <QMutex>
#include <QMutexLocker>
#include <QSaveFile>
#include <QSettings>
#include <QTemporaryFile>
#include <QTextCodec>
#include <QVector>

#include <algorithm>

// The reading below follows QSettings' own INI reader step by step (how it
// cuts lines, unquotes and unescapes values, splits lists), because only an
// exact reading can tell which bytes will reach QDataStream.

namespace {

const QByteArray Utf8Mark("\xef\xbb\xbf");
const QLatin1String VariantPrefix("@Variant(");
const QLatin1String DateTimePrefix("@DateTime(");

// QDataStream's numbers of the types whose variant form is let through.
enum StreamType : quint32 {
    BoolType = 1, IntType = 2, UIntType = 3, LongLongType = 4, ULongLongType = 5, DoubleType = 6, MapType = 8,
    StringType = 10, StringListType = 11, DateType = 14, TimeType = 15, DateTimeType = 16, HashType = 28,
    ColorType = 67
};

bool isBlank(char c)
{
    return c == ' ' || c == '\t' || c == '\n' || c == '\r';
}

bool endsOrBreaksLine(char c)
{
    return c == '\n' || c == '\r' || c == '"' || c == ';' || c == '=' || c == '\\';
}

bool isHexDigit(char c)
{
    return (c >= '0' && c <= '9') || (c >= 'A' && c <= 'F') || (c >= 'a' && c <= 'f');
}

int hexValue(char c)
{
    return c <= '9' ? c - '0' : (c & ~0x20) - 'A' + 10;
}

struct Line
{
    int start = 0;
    int length = 0;
    int equals = -1;
};

// The next line from *pos: leading blanks skipped, ended by a line break or
// a comment outside quotes; a quoted value may run over several lines and a
// backslash keeps the line going. A comment at the start of a line is
// skipped along with its line.
bool nextLine(const QByteArray& data, int* pos, Line* line)
{
    const int size = data.size();
    int start = *pos;
    while (start < size && isBlank(data.at(start)))
        ++start;
    int i = start;
    int equals = -1;
    bool quoted = false;
    while (i < size) {
        const char c = data.at(i++);
        if (!endsOrBreaksLine(c))
            continue;
        if (c == '=') {
            if (!quoted && equals == -1)
                equals = i - 1;
        } else if (c == '\n' || c == '\r') {
            if (i == start + 1) {
                ++start;
            } else if (!quoted) {
                --i;
                break;
            }
        } else if (c == '\\') {
            if (i < size) {
                const char escaped = data.at(i++);
                if (i < size) {
                    const char next = data.at(i);
                    if ((escaped == '\n' && next == '\r') || (escaped == '\r' && next == '\n'))
                        ++i;
                }
            }
        } else if (c == '"') {
            quoted = !quoted;
        } else if (i == start + 1) {
            // ';' opening the line: a comment to its end.
            while (i < size && data.at(i) != '\n' && data.at(i) != '\r')
                ++i;
            start = i;
        } else if (!quoted) {
            --i;
            break;
        }
    }
    *pos = i;
    line->start = start;
    line->length = i - start;
    line->equals = equals;
    return line->length > 0;
}

// A key or section name with its %XX, %UXXXX and backslash escapes undone.
QString unescapedKey(const QByteArray& data, int from, int to)
{
    QString key;
    int i = from;
    while (i < to) {
        const char c = data.at(i);
        if (c == '\\') {
            key += QLatin1Char('/');
            ++i;
            continue;
        }
        if (c != '%' || i == to - 1) {
            key += QLatin1Char(c);
            ++i;
            continue;
        }
        int digits = 2;
        int first = i + 1;
        if (data.at(first) == 'U') {
            ++first;
            digits = 4;
        }
        bool ok = false;
        const int code = first + digits <= to ? data.mid(first, digits).toInt(&ok, 16) : 0;
        if (!ok) {
            key += QLatin1Char('%');
            ++i;
            continue;
        }
        key += QChar(code);
        i = first + digits;
    }
    return key;
}

// One text of a value as QSettings hands it on, and whether any of it came
// through the UTF-8 decoder (a file that starts with the UTF-8 mark).
struct Piece
{
    QString text;
    bool decoded = false;
};

void chopTrailingBlanks(QString& text, int limit)
{
    int n = text.size() - 1;
    while (n >= limit && (text.at(n) == QLatin1Char(' ') || text.at(n) == QLatin1Char('\t')))
        text.truncate(n--);
}

char simpleEscape(char c)
{
    switch (c) {
    case 'a':
        return '\a';
    case 'b':
        return '\b';
    case 'f':
        return '\f';
    case 'n':
        return '\n';
    case 'r':
        return '\r';
    case 't':
        return '\t';
    case 'v':
        return '\v';
    case '"':
        return '"';
    case '?':
        return '?';
    case '\'':
        return '\'';
    case '\\':
        return '\\';
    default:
        return 0;
    }
}

class ValueReader
{
public:
    ValueReader(const QByteArray& data, int from, int to, QTextCodec* codec)
        : m_data(data)
        , m_i(from)
        , m_to(to)
        , m_codec(codec)
    {
    }

    // The texts of the value: one, or the items of a list.
    QVector<Piece> read()
    {
        State state = State::SkipBlanks;
        while (state != State::End) {
            switch (state) {
            case State::SkipBlanks:
                while (m_i < m_to && (m_data.at(m_i) == ' ' || m_data.at(m_i) == '\t'))
                    ++m_i;
                state = State::Plain;
                break;
            case State::Plain:
                state = readPlain();
                break;
            case State::Hex:
            case State::Octal:
                state = readNumber(state == State::Hex ? 16 : 8);
                break;
            case State::End:
                break;
            }
        }
        if (m_isList)
            m_items.append(m_current);
        else
            m_items = { m_current };
        return m_items;
    }

private:
    enum class State { SkipBlanks, Plain, Hex, Octal, End };

    State readPlain()
    {
        int chopLimit = m_current.text.size();
        while (m_i < m_to) {
            const char c = m_data.at(m_i);
            if (c == '\\') {
                if (++m_i >= m_to)
                    return State::End;
                const char escaped = m_data.at(m_i++);
                if (const char simple = simpleEscape(escaped)) {
                    m_current.text += QLatin1Char(simple);
                } else if (escaped == 'x') {
                    m_number = 0;
                    if (m_i >= m_to)
                        return State::End;
                    if (isHexDigit(m_data.at(m_i)))
                        return State::Hex;
                } else if (escaped >= '0' && escaped <= '7') {
                    m_number = quint32(escaped - '0');
                    return State::Octal;
                } else if (escaped == '\n' || escaped == '\r') {
                    if (m_i < m_to) {
                        const char next = m_data.at(m_i);
                        if ((next == '\n' || next == '\r') && next != escaped)
                            ++m_i;
                    }
                }
                chopLimit = m_current.text.size();
            } else if (c == '"') {
                ++m_i;
                m_currentQuoted = true;
                m_inQuotes = !m_inQuotes;
                if (!m_inQuotes)
                    return State::SkipBlanks;
            } else if (c == ',' && !m_inQuotes) {
                if (!m_currentQuoted)
                    chopTrailingBlanks(m_current.text, chopLimit);
                m_isList = true;
                m_items.append(m_current);
                m_current = Piece();
                m_currentQuoted = false;
                ++m_i;
                return State::SkipBlanks;
            } else {
                appendRun();
            }
        }
        if (!m_currentQuoted)
            chopTrailingBlanks(m_current.text, chopLimit);
        return State::End;
    }

    // Everything up to the next backslash, quote or comma, decoded as
    // QSettings decodes it: byte by byte, or by the UTF-8 codec.
    void appendRun()
    {
        int j = m_i + 1;
        while (j < m_to) {
            const char c = m_data.at(j);
            if (c == '\\' || c == '"' || c == ',')
                break;
            ++j;
        }
        const char* run = m_data.constData() + m_i;
        const int length = j - m_i;
        if (m_codec) {
            m_current.text += m_codec->toUnicode(run, length);
            for (int k = 0; k < length; ++k) {
                if (uchar(run[k]) >= 0x80)
                    m_current.decoded = true;
            }
        } else {
            for (int k = 0; k < length; ++k)
                m_current.text += QChar(ushort(uchar(run[k])));
        }
        m_i = j;
    }

    // The digits of a \x or octal escape; the number wraps as QSettings'
    // does, and only its low 16 bits make the character.
    State readNumber(int base)
    {
        while (m_i < m_to) {
            char c = m_data.at(m_i);
            const bool digit = base == 16 ? isHexDigit(c) : (c >= '0' && c <= '7');
            if (!digit) {
                m_current.text += QChar(ushort(m_number & 0xffff));
                return State::Plain;
            }
            m_number = m_number * quint32(base) + quint32(base == 16 ? hexValue(c) : c - '0');
            ++m_i;
        }
        m_current.text += QChar(ushort(m_number & 0xffff));
        return State::End;
    }

    const QByteArray& m_data;
    int m_i;
    const int m_to;
    QTextCodec* const m_codec;
    QVector<Piece> m_items;
    Piece m_current;
    bool m_isList = false;
    bool m_inQuotes = false;
    bool m_currentQuoted = false;
    quint32 m_number = 0;
};

quint32 bigEndian32(const QByteArray& bytes, int at)
{
    return (quint32(uchar(bytes.at(at))) << 24) | (quint32(uchar(bytes.at(at + 1))) << 16)
        | (quint32(uchar(bytes.at(at + 2))) << 8) | quint32(uchar(bytes.at(at + 3)));
}

// Walks a map or hash of plain values (as older versions wrote their list
// orders) without building anything, so that every count and length is
// checked against the bytes that are really there before QDataStream sees
// them.
class PlainMapWalker
{
public:
    PlainMapWalker(const QByteArray& bytes, int end)
        : m_bytes(bytes)
        , m_end(end)
    {
    }

    bool isWholeMap()
    {
        if (!take(4))
            return false;
        const quint32 type = bigEndian32(m_bytes, 0);
        return (type == MapType || type == HashType) && entries(0) && m_at == m_end;
    }

private:
    static constexpr int MaxDepth = 4;

    bool take(int count)
    {
        if (count < 0 || m_end - m_at < count)
            return false;
        m_at += count;
        return true;
    }
    bool number(quint32& value)
    {
        if (!take(4))
            return false;
        value = bigEndian32(m_bytes, m_at - 4);
        return true;
    }
    bool string()
    {
        quint32 length = 0;
        if (!number(length))
            return false;
        return length == 0xffffffffu || (length % 2 == 0 && length <= quint32(m_end - m_at) && take(int(length)));
    }
    bool entries(int depth)
    {
        quint32 count = 0;
        if (!number(count) || depth > MaxDepth)
            return false;
        for (quint32 i = 0; i < count; ++i) {
            if (!string() || !value(depth + 1))
                return false;
        }
        return true;
    }
    bool value(int depth)
    {
        quint32 type = 0;
        if (!number(type))
            return false;
        switch (type) {
        case BoolType: return take(1);
        case IntType:
        case UIntType: return take(4);
        case LongLongType:
        case ULongLongType:
        case DoubleType: return take(8);
        case StringType: return string();
        case StringListType: {
            quint32 count = 0;
            if (!number(count))
                return false;
            for (quint32 i = 0; i < count; ++i) {
                if (!string())
                    return false;
            }
            return true;
        }
        case MapType:
        case HashType: return entries(depth);
        default: return false;
        }
    }

    const QByteArray& m_bytes;
    const int m_end;
    int m_at = 0;
};

// The bytes after "@Variant(" (QDataStream version Qt 4.0: the type number,
// no null flag, then the value), closing bracket included.
bool isSafeVariant(const QByteArray& payload)
{
    if (payload.size() < 5)
        return false;
    const int valueSize = payload.size() - 5;
    const quint32 type = bigEndian32(payload, 0);
    switch (type) {
    case ColorType: {
        // The colour model, then alpha, three components and padding.
        const qint8 spec = qint8(payload.at(4));
        return valueSize == 11 && spec >= 0 && spec <= 4;
    }
    case DateTimeType: {
        // Date and time as two 32-bit numbers, then the Qt 4 time spec.
        const qint8 spec = valueSize == 9 ? qint8(payload.at(12)) : qint8(99);
        return spec >= -1 && spec <= 2;
    }
    case DateType:
    case TimeType:
        return valueSize == 4;
    case MapType:
    case HashType:
        return PlainMapWalker(payload, payload.size() - 1).isWholeMap();
    default:
        return false;
    }
}

// The bytes after "@DateTime(" (version Qt 5.6: the type number and a null
// flag, then the date as 64 bits, the time as 32, the kind of time and, for an
// offset from UTC, the offset), closing bracket included. A time zone would
// be looked up by a name from the file; none is ever written.
bool isSafeDateTime(const QByteArray& payload)
{
    if (payload.size() < 19 || bigEndian32(payload, 0) != DateTimeType)
        return false;
    const int valueSize = payload.size() - 6;
    const qint8 spec = qint8(payload.at(17));
    if (spec == 0 || spec == 1)
        return valueSize == 13;
    if (spec == 2)
        return valueSize == 17;
    return false;
}

// Whether QSettings may turn this text into a value: only the two variant
// forms reach QDataStream.
bool isSafeText(const Piece& piece)
{
    const QString& text = piece.text;
    if (!text.startsWith(QLatin1Char('@')) || !text.endsWith(QLatin1Char(')')))
        return true;
    const bool variant = text.startsWith(VariantPrefix);
    if (!variant && !text.startsWith(DateTimePrefix))
        return true;
    // These programs write their variants without the UTF-8 mark; decoded
    // bytes in one mean it came from elsewhere.
    if (piece.decoded)
        return false;
    const QByteArray payload = text.mid(variant ? VariantPrefix.size() : DateTimePrefix.size()).toLatin1();
    return variant ? isSafeVariant(payload) : isSafeDateTime(payload);
}

QString sectionPrefix(const QByteArray& data, const Line& line)
{
    const int close = data.indexOf(']', line.start);
    const int end = close == -1 || close >= line.start + line.length ? line.start + line.length : close;
    const QByteArray name = data.mid(line.start + 1, end - line.start - 1).trimmed();
    if (qstricmp(name.constData(), "general") == 0)
        return QString();
    if (qstricmp(name.constData(), "%general") == 0)
        return QString::fromLatin1(name.mid(1)) + QLatin1Char('/');
    return unescapedKey(name, 0, name.size()) + QLatin1Char('/');
}

QString entryKey(const QByteArray& data, const Line& line)
{
    int keyEnd = line.equals;
    while (keyEnd > line.start && (data.at(keyEnd - 1) == ' ' || data.at(keyEnd - 1) == '\t'))
        --keyEnd;
    return unescapedKey(data, line.start, keyEnd);
}

} // namespace

SettingsFileCheck::Result SettingsFileCheck::check(const QByteArray& content)
{
    Result result;
    QTextCodec* codec = content.startsWith(Utf8Mark) ? QTextCodec::codecForName("UTF-8") : nullptr;
    int pos = codec ? Utf8Mark.size() : 0;
    int keptFrom = 0;
    QString section;
    Line line;
    while (nextLine(content, &pos, &line)) {
        if (content.at(line.start) == '[') {
            section = sectionPrefix(content, line);
            continue;
        }
        if (line.equals == -1)
            continue;
        const QVector<Piece> pieces
            = ValueReader(content, line.equals + 1, line.start + line.length, codec).read();
        const bool safe = std::all_of(pieces.cbegin(), pieces.cend(), isSafeText);
        if (safe)
            continue;
        result.droppedKeys.append(section + entryKey(content, line));
        result.content += content.mid(keptFrom, line.start - keptFrom);
        keptFrom = line.start + line.length;
    }
    if (result.droppedKeys.isEmpty())
        result.content = content;
    else
        result.content += content.mid(keptFrom);
    return result;
}

SettingsFileCheck::Outcome SettingsFileCheck::screen(const QString& path)
{
    QFile file(path);
    if (!file.exists())
        return Outcome::Clean;
    // The same lock QSettings takes around its writes. Without it (a
    // read-only folder, a writer that hangs) the check goes on all the same:
    // the file is only ever replaced whole.
    QLockFile lock(path + QStringLiteral(".lock"));
    lock.tryLock(LockWaitMs);
    // What cannot be read here cannot be read by QSettings either.
    if (!file.open(QIODevice::ReadOnly))
        return Outcome::Clean;
    const QByteArray content = file.readAll();
    file.close();

    const Result result = check(content);
    if (result.droppedKeys.isEmpty())
        return Outcome::Clean;
    const QString keys = keysForLog(result.droppedKeys);
    const QString keptPath = keepAside(path, content);
    if (keptPath.isEmpty()) {
        QLOG_ERROR() << "The settings file " << path << " holds values that cannot be read safely (" << keys
                     << ") and could not be kept aside; it is left as it is and is not read.";
        return Outcome::Unrepaired;
    }
    QSaveFile out(path);
    if (!out.open(QIODevice::WriteOnly) || out.write(result.content) != result.content.size()
        || !out.commit()) {
        QLOG_ERROR() << "The settings file " << path << " holds values that cannot be read safely (" << keys
                     << ") and could not be written without them (" << out.errorString()
                     << "); it is kept as " << keptPath << " and is not read.";
        return Outcome::Unrepaired;
    }
    QLOG_WARN() << "The settings file " << path << " held values that cannot be read safely (" << keys
                << "); they are left out, and the former file is kept as " << keptPath;
    return Outcome::Repaired;
}

std::unique_ptr<QSettings> SettingsFileCheck::open(const QString& path, bool* copied)
{
    *copied = screen(path) == Outcome::Unrepaired;
    if (!*copied)
        return std::make_unique<QSettings>(path, QSettings::IniFormat);

    QFile file(path);
    const QByteArray safe = check(file.open(QIODevice::ReadOnly) ? file.readAll() : QByteArray()).content;
    auto copy = std::make_unique<QTemporaryFile>(QDir::tempPath() + QStringLiteral("/quorvel-settings-XXXXXX.dat"));
    const bool written = copy->open() && copy->write(safe) == safe.size() && copy->flush();
    copy->close();
    if (!written) {
        // A handle on no file reads nothing and refuses every write.
        QLOG_ERROR() << "Unable to prepare a copy of " << path << " without the values that cannot be read safely ("
                     << copy->errorString() << "); nothing of it is read.";
        return std::make_unique<QSettings>(QString(), QSettings::IniFormat);
    }
    QLOG_WARN() << "The settings file " << path
                << " is read from a copy without the values that cannot be read safely; nothing is saved to it.";
    auto handle = std::make_unique<QSettings>(copy->fileName(), QSettings::IniFormat);
    // Removed with the handle, after the handle is done with it.
    copy.release()->setParent(handle.get());
    return handle;
}

bool SettingsFileCheck::isSafeToRead(const QString& path)
{
    struct Answer
    {
        qint64 size = -1;
        qint64 modified = 0;
        qint64 changed = 0;
        bool safe = true;
    };
    static QMutex lock;
    static QHash<QString, Answer> answers;

    const QFileInfo info(path);
    if (!info.exists())
        return true;
    const qint64 modified = info.fileTime(QFileDevice::FileModificationTime).toMSecsSinceEpoch();
    const qint64 changed = info.fileTime(QFileDevice::FileMetadataChangeTime).toMSecsSinceEpoch();
    QMutexLocker locked(&lock);
    const auto known = answers.constFind(path);
    if (known != answers.cend() && known->size == info.size() && known->modified == modified
        && known->changed == changed)
        return known->safe;
    QFile file(path);
    const bool safe = !file.open(QIODevice::ReadOnly) || check(file.readAll()).droppedKeys.isEmpty();
    answers.insert(path, { info.size(), modified, changed, safe });
    return safe;
}

QString SettingsFileCheck::keepAside(const QString& path, const QByteArray& content)
{
    const QString stem = path + QStringLiteral(".damaged-")
        + QDateTime::currentDateTime().toString(QStringLiteral("yyyyMMdd-HHmmss-zzz"));
    QString keptPath = stem;
    for (int attempt = 2; QFileInfo::exists(keptPath); ++attempt)
        keptPath = stem + QLatin1Char('-') + QString::number(attempt);
    QFile kept(keptPath);
    if (!kept.open(QIODevice::WriteOnly | QIODevice::NewOnly) || kept.write(content) != content.size()
        || !kept.flush()) {
        QLOG_ERROR() << "Unable to keep the former content of " << path << " as " << keptPath << ": "
                     << kept.errorString();
        kept.close();
        if (kept.exists() && kept.size() != content.size())
            kept.remove();
        return QString();
    }
    // The copy may hold what the file held; nobody may read more of it.
    if (QFileInfo::exists(path))
        kept.setPermissions(QFileInfo(path).permissions());
    return keptPath;
}

QString SettingsFileCheck::keysForLog(const QStringList& keys)
{
    const int shown = 5;
    QStringList parts;
    for (int i = 0; i < keys.size() && i < shown; ++i) {
        QString key = LogText::printable(keys.at(i));
        if (key.size() > 60)
            key = key.left(60) + QStringLiteral("...");
        parts.append(QLatin1Char('"') + key + QLatin1Char('"'));
    }
    QString text = parts.join(QStringLiteral(", "));
    if (keys.size() > shown)
        text += QStringLiteral(" and %1 more").arg(keys.size() - shown);
    return text;
}
