#pragma once

#include <QObject>

#include <memory>

// Notices about the machine for the interface: the network came back, and
// the computer woke from sleep (told by the login manager over the system
// bus where there is one; elsewhere never).
class HardwareManager : public QObject
{
    Q_OBJECT

public:
    static HardwareManager* instance();
    ~HardwareManager() override;

signals:
    void internetConnectionOnline();
    void computerWokeUp();

private slots:
    // The login manager's PrepareForSleep: true before sleep, false after waking.
    void onPrepareForSleep(bool goingToSleep);

private:
    explicit HardwareManager(QObject* parent = nullptr);

    void watchNetwork();
    void watchSleep();

    struct Private;
    std::unique_ptr<Private> d;
};
