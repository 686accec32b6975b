#include "shell/ActionSoundsHelper.h"
#include "support/StoreFixture.h"
#include "support/TestMain.h"

#include <QSoundEffect>
#include <QtEndian>

namespace {

const char* const Methods[] = { "playCompletionSound", "playCompletionCancelSound", "playObjectCreationSound",
    "playObjectEditSound", "playObjectDeletionSound" };

struct WaveFormat
{
    int format = 0;
    int channels = 0;
    int sampleRate = 0;
    int bitsPerSample = 0;
    qint64 dataBytes = 0;
};

// Walks the RIFF chunks of a WAVE file for its format and sample data size.
WaveFormat readWaveFormat(const QByteArray& bytes)
{
    WaveFormat wave;
    if (bytes.size() < 12 || !bytes.startsWith("RIFF") || bytes.mid(8, 4) != "WAVE")
        return wave;
    const auto* data = reinterpret_cast<const uchar*>(bytes.constData());
    for (qint64 at = 12; at + 8 <= bytes.size();) {
        const QByteArray id = bytes.mid(at, 4);
        const qint64 size = qFromLittleEndian<quint32>(data + at + 4);
        if (id == "fmt " && size >= 16 && at + 8 + 16 <= bytes.size()) {
            wave.format = qFromLittleEndian<quint16>(data + at + 8);
            wave.channels = qFromLittleEndian<quint16>(data + at + 10);
            wave.sampleRate = int(qFromLittleEndian<quint32>(data + at + 12));
            wave.bitsPerSample = qFromLittleEndian<quint16>(data + at + 22);
        } else if (id == "data") {
            wave.dataBytes = size;
        }
        at += 8 + size + (size % 2);
    }
    return wave;
}

} // namespace

class TestActionSounds : public QObject
{
    Q_OBJECT

private:
    StoreFixture m_log;

    int countLogged(const QString& start) const
    {
        int count = 0;
        for (const QString& line : m_log.logLines())
            count += line.startsWith(start) ? 1 : 0;
        return count;
    }

private slots:
    void initTestCase() { StoreFixture::setUpLogging(QStringLiteral("tst_actionsounds")); }
    void init() { m_log.markLog(); }

    void shouldPlayNothingAndSayOnceWithoutAudioOutput()
    {
        int checks = 0;
        ActionSoundsHelper sounds([&checks] {
            ++checks;
            return false;
        });
        for (int round = 0; round < 2; ++round) {
            for (const char* method : Methods)
                QVERIFY(QMetaObject::invokeMethod(&sounds, method));
        }
        QCOMPARE(checks, 1);
        QVERIFY(sounds.activeEffects().isEmpty());
        QCOMPARE(countLogged("WARN Sound effects are unavailable: there is no audio output device."), 1);
    }

    void shouldPlayTheSoundOfEachAction_data()
    {
        QTest::addColumn<QByteArray>("method");
        QTest::addColumn<int>("sound");
        for (int sound = 0; sound < 5; ++sound)
            QTest::newRow(Methods[sound]) << QByteArray(Methods[sound]) << sound;
    }

    void shouldPlayTheSoundOfEachAction()
    {
        QFETCH(QByteArray, method);
        QFETCH(int, sound);
        ActionSoundsHelper sounds([] { return true; });
        QVERIFY(QMetaObject::invokeMethod(&sounds, method.constData()));
        const QList<QSoundEffect*> effects = sounds.activeEffects();
        QCOMPARE(effects.size(), 1);
        QCOMPARE(effects.first()->source(), QUrl(QStringLiteral("qrc:/sounds/%1.wav").arg(sound)));
        QCOMPARE(effects.first()->volume(), 0.5);

        // The sound is in the resources: short 16-bit mono PCM at 44.1 kHz.
        QFile file(QStringLiteral(":/sounds/%1.wav").arg(sound));
        QVERIFY(file.open(QIODevice::ReadOnly));
        const WaveFormat wave = readWaveFormat(file.readAll());
        QCOMPARE(wave.format, 1);
        QCOMPARE(wave.channels, 1);
        QCOMPARE(wave.sampleRate, 44100);
        QCOMPARE(wave.bitsPerSample, 16);
        const qint64 milliseconds = wave.dataBytes / 2 * 1000 / 44100;
        QVERIFY2(milliseconds >= 80 && milliseconds <= 250, qPrintable(QString::number(milliseconds)));
    }

    // Whether the audio back end can play them or not (some never report
    // the end of a sound they failed to play), every effect is let go.
    void shouldReleaseEveryEffect()
    {
        ActionSoundsHelper sounds([] { return true; });
        for (const char* method : Methods)
            QVERIFY(QMetaObject::invokeMethod(&sounds, method));
        QTRY_VERIFY_WITH_TIMEOUT(
            sounds.activeEffects().isEmpty(), 2 * ActionSoundsHelper::MaxEffectLifetimeMs);
        QVERIFY(countLogged("WARN Sound effects are unavailable") <= 1);
    }
};

QUORVEL_TEST_MAIN(TestActionSounds)
#include "tst_actionsounds.moc"
