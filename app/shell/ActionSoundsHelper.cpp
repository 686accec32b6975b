#include "shell/ActionSoundsHelper.h"

#include "logging/Log.h"

#include <QAudioDeviceInfo>
#include <QSoundEffect>
#include <QTimer>

namespace {

bool hasDefaultAudioOutput()
{
    return !QAudioDeviceInfo::defaultOutputDevice().isNull();
}

} // namespace

ActionSoundsHelper::ActionSoundsHelper(QObject* parent)
    : ActionSoundsHelper(hasDefaultAudioOutput, parent)
{
}

ActionSoundsHelper::ActionSoundsHelper(const OutputCheck& outputAvailable, QObject* parent)
    : QObject(parent)
    , m_outputCheck(outputAvailable ? outputAvailable : hasDefaultAudioOutput)
{
}

ActionSoundsHelper::~ActionSoundsHelper() = default;

void ActionSoundsHelper::playCompletionSound()
{
    play(Completion);
}

void ActionSoundsHelper::playCompletionCancelSound()
{
    play(CompletionCancel);
}

void ActionSoundsHelper::playObjectCreationSound()
{
    play(ObjectCreation);
}

void ActionSoundsHelper::playObjectEditSound()
{
    play(ObjectEdit);
}

void ActionSoundsHelper::playObjectDeletionSound()
{
    play(ObjectDeletion);
}

QUrl ActionSoundsHelper::soundSource(int sound)
{
    return QUrl(QStringLiteral("qrc:/sounds/%1.wav").arg(sound));
}

QList<QSoundEffect*> ActionSoundsHelper::activeEffects() const
{
    return findChildren<QSoundEffect*>(QString(), Qt::FindDirectChildrenOnly);
}

void ActionSoundsHelper::play(Sound sound)
{
    if (!isOutputAvailable())
        return;
    auto* effect = new QSoundEffect(this);
    connect(effect, &QSoundEffect::playingChanged, this, [this, effect] {
        if (!effect->isPlaying())
            release(effect);
    });
    connect(effect, &QSoundEffect::statusChanged, this, [this, effect] {
        if (effect->status() == QSoundEffect::Error) {
            reportUnavailable(QStringLiteral("the sound %1 could not be played.").arg(effect->source().toString()));
            release(effect);
        }
    });
    QTimer::singleShot(MaxEffectLifetimeMs, effect, [this, effect] { release(effect); });
    effect->setSource(soundSource(sound));
    effect->setVolume(Volume);
    effect->play();
}

bool ActionSoundsHelper::isOutputAvailable()
{
    if (!m_outputChecked) {
        m_outputChecked = true;
        m_outputAvailable = m_outputCheck();
        if (!m_outputAvailable)
            reportUnavailable(QStringLiteral("there is no audio output device."));
    }
    return m_outputAvailable;
}

void ActionSoundsHelper::reportUnavailable(const QString& reason)
{
    if (m_unavailabilityReported)
        return;
    m_unavailabilityReported = true;
    QLOG_WARN() << "Sound effects are unavailable: " << reason;
}

void ActionSoundsHelper::release(QSoundEffect* effect)
{
    // Taken out of the active effects at once; deleted once its signals are done.
    effect->setParent(nullptr);
    effect->disconnect(this);
    effect->deleteLater();
}
