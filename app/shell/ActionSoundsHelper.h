#pragma once

#include <QList>
#include <QObject>
#include <QUrl>

#include <functional>

class QSoundEffect;

// Short sounds for the user's actions. Each call plays its sound in an
// effect of its own, released once it has played.
//
// A machine without an audio output plays nothing: that is logged once, and
// every later call returns at once.
class ActionSoundsHelper : public QObject
{
    Q_OBJECT

public:
    static constexpr qreal Volume = 0.5;
    // An effect still playing after this long is released anyway: some audio
    // back ends never report the end of a sound they could not play.
    static constexpr int MaxEffectLifetimeMs = 3000;

    using OutputCheck = std::function<bool()>;

    explicit ActionSoundsHelper(QObject* parent = nullptr);
    // outputAvailable tells whether there is an audio output; it is asked
    // once, at the first sound.
    explicit ActionSoundsHelper(const OutputCheck& outputAvailable, QObject* parent = nullptr);
    ~ActionSoundsHelper() override;

    Q_INVOKABLE void playCompletionSound();
    Q_INVOKABLE void playCompletionCancelSound();
    Q_INVOKABLE void playObjectCreationSound();
    Q_INVOKABLE void playObjectEditSound();
    Q_INVOKABLE void playObjectDeletionSound();

    static QUrl soundSource(int sound);
    // The effects not yet released.
    QList<QSoundEffect*> activeEffects() const;

private:
    enum Sound { Completion = 0, CompletionCancel, ObjectCreation, ObjectEdit, ObjectDeletion };

    void play(Sound sound);
    bool isOutputAvailable();
    void reportUnavailable(const QString& reason);
    void release(QSoundEffect* effect);

    OutputCheck m_outputCheck;
    bool m_outputChecked = false;
    bool m_outputAvailable = false;
    bool m_unavailabilityReported = false;
};
